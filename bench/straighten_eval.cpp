// The straightening's evaluation set: straight corpus photos turned and
// keystoned by known amounts, written into a folder (by default
// /tmp/pictorel-straighten), then measured and corrected; prints, per copy,
// the lean measured and the residual lean of the photo's own verticals after
// the correction, and a summary.
//
//   build-bench/straighten_eval [CORPUS_DIR [OUT_DIR]]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "formats/LoadedPicture.h"
#include "formats/PictureWriter.h"
#include "imaging/ResampleBitmap.h"
#include "imaging/Straighten.h"

namespace {

using namespace pictorel;
namespace fs = std::filesystem;

constexpr double kDegree = std::numbers::pi / 180.0;

struct Photo {
    const char* path;
    bool hasLines;  // straight lines a user would straighten by
};

// Photos of the corpus taken straight: buildings, a road under a bridge, a
// harbour and a lake with their horizons; and photos without straight
// lines (a leaf, flowers, a figure, food, a portrait), which must stay as
// they are however they are turned.
const Photo kPhotos[] = {
    {"jpeg/camera/nikon-e950_800x600.jpg", true},
    {"jpeg/photo_3872x2403.jpg", true},
    {"jpeg/photo_nokia_4608x1976.jpg", true},
    {"modern/icc/truncated_profile.jpg", true},
    {"jpeg/photo_samsung_4032x2012.jpg", true},
    {"psd/psd-tools/0layers_1600x1200.psd", false},
    {"jpeg/photo_jolla_3264x2448.jpg", false},
    {"modern/heic/iphone11promax_p3_edited.heic", false},
    {"modern/avif/fox_10bit_420.avif", false},
    {"modern/icc/adobergb1998_photo.jpg", false},
    {"jpeg/camera/fujifilm-dx10_1024x768.jpg", false},
};

struct Distortion {
    double tiltDegrees;  // content turned clockwise
    double keystone;     // (bottom - top) / middle width of a vertical band
};

const Distortion kDistortions[] = {
    {0, 0},    {-6.5, 0},  {-3, 0},  {-1.2, 0}, {2, 0},     {4.5, 0},   {7.5, 0},
    {0, 0.15}, {0, -0.12}, {0, 0.3}, {3, 0.2},  {-2, 0.25}, {5, -0.15}, {-4, 0.1},
};

// Where a source point lands in the distorted copy (same size): turned about
// the centre, seen with converging verticals, enlarged 1.3 times so that the
// copy is filled.
std::pair<double, double> Distort(const Distortion& d, int w, int h, double x, double y) {
    const double t = d.tiltDegrees * kDegree;
    const double px = x - 0.5 * w, py = y - 0.5 * h;
    const double rx = px * std::cos(t) - py * std::sin(t);
    const double ry = px * std::sin(t) + py * std::cos(t);
    const double depth = 1 - d.keystone / h * ry;
    return {1.3 * rx / depth + 0.5 * w, 1.3 * ry / depth + 0.5 * h};
}

std::pair<double, double> Undistort(const Distortion& d, int w, int h, double x, double y) {
    const double t = d.tiltDegrees * kDegree;
    const double qx = (x - 0.5 * w) / 1.3, qy = (y - 0.5 * h) / 1.3;
    const double depth = 1 + d.keystone / h * qy;
    const double rx = qx / depth, ry = qy / depth;
    return {rx * std::cos(t) + ry * std::sin(t) + 0.5 * w,
            -rx * std::sin(t) + ry * std::cos(t) + 0.5 * h};
}

Bitmap MakeCopy(const Bitmap& source, const Distortion& d) {
    const int w = source.Width(), h = source.Height();
    Bitmap copy(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto [sx, sy] = Undistort(d, w, h, x + 0.5, y + 0.5);
            const double fx = sx - 0.5, fy = sy - 0.5;
            const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
            if (ix < 0 || iy < 0 || ix + 1 >= w || iy + 1 >= h) {
                copy.SetPixel(x, y, kWhite);
                continue;
            }
            const double ax = fx - ix, ay = fy - iy;
            const Color c00 = source.Pixel(ix, iy), c10 = source.Pixel(ix + 1, iy);
            const Color c01 = source.Pixel(ix, iy + 1), c11 = source.Pixel(ix + 1, iy + 1);
            auto mix = [&](auto channel) {
                const double top = channel(c00) * (1 - ax) + channel(c10) * ax;
                const double bottom = channel(c01) * (1 - ax) + channel(c11) * ax;
                return static_cast<std::uint8_t>(std::lround(top * (1 - ay) + bottom * ay));
            };
            copy.SetPixel(
                x, y,
                {mix([](Color c) { return double(c.r); }), mix([](Color c) { return double(c.g); }),
                 mix([](Color c) { return double(c.b); })});
        }
    }
    return copy;
}

// How far from upright the photo's own lines end up in the corrected copy,
// in degrees (the largest of three lines). The lines are those measured on
// the photo's middle, the part the copy shows: its verticals a quarter,
// half and three quarters across through their vanishing point, or, for a
// photo whose lines are horizontals (a horizon), those a quarter, half and
// three quarters down.
double ResidualLean(const Distortion& d, const Lean& own, double ownHeight,
                    const StraightenPlan& plan, int w, int h) {
    double worst = 0;
    for (const double across : {-0.25, 0.0, 0.25}) {
        std::pair<double, double> a, b;
        if (own.fromHorizontals) {
            const double slope = std::tan(own.tiltDegrees * kDegree);
            const double y = 0.5 * h + across * h;
            a = Distort(d, w, h, 0.25 * w, y - slope * 0.25 * w);
            b = Distort(d, w, h, 0.75 * w, y + slope * 0.25 * w);
        } else {
            const double position = across * w;
            const double slope =
                -std::tan(own.tiltDegrees * kDegree) + own.keystone / ownHeight * position;
            a = Distort(d, w, h, 0.5 * w + position - slope * 0.25 * h, 0.25 * h);
            b = Distort(d, w, h, 0.5 * w + position + slope * 0.25 * h, 0.75 * h);
        }
        const auto [x0, y0] = plan.ToResult(a.first, a.second);
        const auto [x1, y1] = plan.ToResult(b.first, b.second);
        const double lean =
            own.fromHorizontals ? std::atan2(y1 - y0, x1 - x0) : std::atan2(x1 - x0, y1 - y0);
        worst = std::max(worst, std::abs(lean) / kDegree);
    }
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path corpus = argc > 1 ? fs::path(argv[1])
                            : std::getenv("PICTOREL_TESTDATA")
                                ? fs::path(std::getenv("PICTOREL_TESTDATA"))
                                : fs::path("../shared/testdata");
    const fs::path out = argc > 2 ? fs::path(argv[2]) : fs::path("/tmp/pictorel-straighten");
    fs::create_directories(out);
    int lined = 0, enough = 0, within = 0, plainCopies = 0, plainKept = 0;
    double worst = 0;
    std::printf(
        "photo\ttilt\tkeystone\tenough\tmeasured_tilt\tmeasured_keystone\tlines\tresidual\n");
    for (const Photo& photo : kPhotos) {
        LoadedPicture loaded;
        try {
            LoadPicture(loaded, (corpus / photo.path).string());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", photo.path, e.what());
            return 1;
        }
        Bitmap source = loaded.TakeBgr24();
        // Copies of at most 1600 pixels keep the set quick to make; the
        // measurement reduces larger ones to about 1000 anyway.
        const int longer = std::max(source.Width(), source.Height());
        if (longer > 1600)
            source = ResampleBitmap(source, source.Width() * 1600 / longer,
                                    source.Height() * 1600 / longer);
        const int w = source.Width(), h = source.Height();
        const std::string stem = fs::path(photo.path).stem().string();
        // The copies show the middle of the photo, 1 / 1.3 of each side.
        const Rect middle =
            Rect::At(static_cast<int>(w * 0.15 / 1.3), static_cast<int>(h * 0.15 / 1.3),
                     static_cast<int>(w / 1.3), static_cast<int>(h / 1.3));
        const Lean own = photo.hasLines ? MeasureLean(source, middle) : Lean{};
        std::printf("%s\town\t%d\t%d\t%+.2f\t%+.3f\t%d\n", stem.c_str(), own.enoughLines,
                    own.fromHorizontals, own.tiltDegrees, own.keystone, own.agreeingLines);
        for (const Distortion& d : kDistortions) {
            const Bitmap copy = MakeCopy(source, d);
            char name[160];
            std::snprintf(name, sizeof name, "%s_t%+.1f_k%+.2f.png", stem.c_str(), d.tiltDegrees,
                          d.keystone);
            WritePicture(copy, (out / name).string());
            const Lean lean = MeasureLean(copy);
            double residual = -1;
            if (lean.enoughLines) {
                residual = ResidualLean(d, own, middle.Height(), PlanStraighten(w, h, lean), w, h);
                if (photo.hasLines) {
                    ++enough;
                    within += residual <= 0.5;
                    worst = std::max(worst, residual);
                }
            }
            lined += photo.hasLines;
            if (!photo.hasLines) {
                ++plainCopies;
                plainKept += !lean.enoughLines;
            }
            std::printf("%s\t%+.1f\t%+.2f\t%d\t%+.2f\t%+.3f\t%d\t%.2f\n", stem.c_str(),
                        d.tiltDegrees, d.keystone, lean.enoughLines, lean.tiltDegrees,
                        lean.keystone, lean.agreeingLines, residual);
        }
    }
    std::printf(
        "copies with lines: %d, enough lines found: %d, within 0.5 degree: %d, worst %.2f\n", lined,
        enough, within, worst);
    std::printf("copies without lines: %d, left unchanged (too few lines): %d\n", plainCopies,
                plainKept);
    return 0;
}
