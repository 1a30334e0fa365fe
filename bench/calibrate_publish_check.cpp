// Sets the limits of the check before publishing against real photos: each
// real photo of the shared corpus is checked as it is and as crafted copies
// (darker, brighter, flattened, blurred, turned, recompressed, made small,
// tilted by 2, 4 and 6 degrees either way, with converging verticals), each
// written as a JPEG file and run through the automatic run's own step, and
// the findings are counted: on the photo as it is every finding is a false
// one, on a crafted copy the finding it was made for is a true one, and
// converging verticals are no tilt. The photos of the straightening's
// evaluation are checked as they are, tilted and converging as well.
//
//   build/calibrate_publish_check [CORPUS_DIR]   (default ../shared/testdata)
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "formats/LoadedPicture.h"
#include "imaging/BitmapUtils.h"
#include "imaging/ResampleBitmap.h"
#include "workflow/JpegOutput.h"
#include "workflow/PublishCheck.h"

#include "support/AlteredPictures.h"

namespace {

using pictorel::test::MapLevels;
using pictorel::test::TurnedCopy;

using namespace pictorel;
namespace fs = std::filesystem;

// Real photos (phone, camera, web), landscape and portrait. Left out: the
// corpus's photo_samsung (a uniform grey frame, rightly flat and without
// detail) and lossy_alpha.webp (a graphic on white, not a photo).
// png/photo_rgb8 is a reduction of photo_jolla: the one true duplicate pair.
const char* const kRealPhotos[] = {
    "jpeg/photo_3872x2403.jpg",
    "jpeg/photo_jolla_3264x2448.jpg",
    "jpeg/photo_nokia_4608x1976.jpg",
    "jpeg/camera/fujifilm-dx10_1024x768.jpg",
    "jpeg/camera/nikon-e950_800x600.jpg",
    "jpeg/libjpeg-turbo/testorig.jpg",
    "jpeg/orientation/landscape_1.jpg",
    "modern/heic/iphone11promax_p3_edited.heic",
    "modern/heic/conf_C007_grid_2x2_primary_last.heic",
    "modern/avif/fox_10bit_420.avif",
    "modern/icc/adobergb1998_photo.jpg",
    "modern/icc/truncated_profile.jpg",
    "png/photo_rgb8_408x306.png",
};

// The straightening evaluation's photos not among those above; only the
// tilt is calibrated on them (photo_samsung is rightly flat and blurred).
const char* const kTiltOnlyPhotos[] = {
    "jpeg/photo_samsung_4032x2012.jpg",
    "psd/psd-tools/0layers_1600x1200.psd",
};

// A box blur of the given radius, rows then columns, `passes` times (three
// passes are close to a Gaussian of sigma radius).
Bitmap BoxBlur(const Bitmap& source, int radius, int passes) {
    Bitmap picture = source;
    const int w = picture.Width(), h = picture.Height();
    std::vector<int> line;
    for (int pass = 0; pass < passes; ++pass) {
        for (int vertical = 0; vertical < 2; ++vertical) {
            const int length = vertical ? h : w, lines = vertical ? w : h;
            for (int l = 0; l < lines; ++l) {
                for (int c = 0; c < 3; ++c) {
                    line.assign(static_cast<std::size_t>(length), 0);
                    for (int i = 0; i < length; ++i)
                        line[i] = vertical ? picture.ScanLine(i)[3 * l + c]
                                           : picture.ScanLine(l)[3 * i + c];
                    for (int i = 0; i < length; ++i) {
                        int sum = 0;
                        for (int k = -radius; k <= radius; ++k)
                            sum += line[std::clamp(i + k, 0, length - 1)];
                        const auto v = static_cast<std::uint8_t>(sum / (2 * radius + 1));
                        (vertical ? picture.ScanLine(i)[3 * l + c]
                                  : picture.ScanLine(l)[3 * i + c]) = v;
                    }
                }
            }
        }
    }
    return picture;
}

struct Variant {
    const char* name;
    // The finding a variant is made to raise; none for the photo as it is.
    std::optional<FindingKind> expected;
};

CheckedPhoto Check(const Bitmap& picture, const std::string& file) {
    const auto jpeg = EncodeJpeg(picture);
    fs::remove(file);
    const std::string written = SaveJpegBytes(jpeg, file);
    const ShrunkPhoto shrunk = ShrinkEncodeAndMeasure(written);
    if (shrunk.failure) std::rethrow_exception(shrunk.failure);
    return {written, written, shrunk.jpeg.size(), kJpegQuality, *shrunk.facts};
}

// The straightening evaluation's photos with straight lines a user would
// straighten by; a turned copy of a photo without them cannot be told.
bool HasStraightLines(const std::string& relative) {
    for (const char* lined :
         {"nikon-e950", "photo_3872x2403", "photo_nokia", "truncated_profile", "photo_samsung"})
        if (relative.find(lined) != std::string::npos) return true;
    return false;
}

std::string LeanText(const EdgeLean& lean) {
    char text[48];
    std::snprintf(text, sizeof text, "%+5.1f %+6.1f %4d %4.2f", lean.degrees, lean.convergence,
                  lean.agreeingEdges, lean.agreeingShare);
    return text;
}

// Tilt copies per turn: [found, made], apart for photos with straight lines.
struct TiltTally {
    std::map<double, std::pair<int, int>> all;
    std::map<double, std::pair<int, int>> lined;
    int convergingMade = 0;
    int convergingTold = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const fs::path corpus = argc > 1 ? fs::path(argv[1]) : fs::path("../shared/testdata");
    const fs::path work =
        fs::temp_directory_path() / ("pictorel-calibrate-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const PublishCheckLimits limits;

    // kind -> [true findings, crafted copies made for it]; false findings per kind.
    std::map<FindingKind, std::pair<int, int>> caught;
    std::map<FindingKind, int> falseFindings;
    std::vector<CheckedPhoto> runOriginals;
    TiltTally tilts;
    int originals = 0;
    int tiltOnlyOriginals = 0;
    std::printf("%-44s %-10s %4s %4s %4s %6s %6s %8s %8s %6s %-23s %-23s  findings\n", "photo",
                "variant", "med", "p5", "p95", "black", "white", "lapvar", "greyvar", "ratio",
                "vertical deg conv n share", "horizontal deg conv n sh");
    std::vector<std::pair<const char*, bool>> photos;
    for (const char* relative : kRealPhotos) photos.emplace_back(relative, false);
    for (const char* relative : kTiltOnlyPhotos) photos.emplace_back(relative, true);
    for (const auto& [relative, tiltOnly] : photos) {
        const fs::path path = corpus / relative;
        if (!fs::exists(path)) continue;
        LoadedPicture loaded;
        LoadPicture(loaded, path.string());
        const Bitmap source = loaded.TakeBgr24();
        // Crafted copies at 1600 pixels, above the output size so that only
        // the crafted fault can raise a finding.
        const int longer = std::max(source.Width(), source.Height());
        const auto scaled = [&](int side) {
            return ResampleBitmap(source, std::max(1, source.Width() * side / longer),
                                  std::max(1, source.Height() * side / longer));
        };
        const Bitmap large = longer > 1600 ? scaled(1600) : source;
        const std::string stem = fs::path(relative).stem().string();
        std::vector<std::pair<Variant, Bitmap>> variants = {{{"as-is", std::nullopt}, Bitmap()}};
        if (!tiltOnly) {
            variants.insert(
                variants.end(),
                {
                    {{"darker", FindingKind::TooDark},
                     MapLevels(large, [](int v) { return v * 30 / 100; })},
                    {{"brighter", FindingKind::TooBright},
                     MapLevels(large, [](int v) { return v * 2 + 60; })},
                    {{"flat", FindingKind::LowContrast},
                     MapLevels(large, [](int v) { return 128 + (v - 128) * 25 / 100; })},
                    {{"blurred", FindingKind::Blurred}, BoxBlur(large, large.Width() / 400 + 1, 3)},
                    {{"turned", FindingKind::Portrait}, RotateBitmap90(large)},
                    {{"small", FindingKind::NotReduced}, scaled(std::min(longer, 640))},
                });
        }
        const double kTurns[] = {-6, -4, -2, 2, 4, 6};
        const char* const kTurnNames[] = {"tilt-6", "tilt-4", "tilt-2",
                                          "tilt+2", "tilt+4", "tilt+6"};
        for (std::size_t i = 0; i < std::size(kTurns); ++i)
            variants.push_back(
                {{kTurnNames[i], FindingKind::Tilted}, TurnedCopy(large, kTurns[i], 0)});
        // Converging verticals without a turn: no tilt to tell. Made as an
        // expectation of nothing; any tilt finding on them is a false one.
        variants.push_back({{"converge+", std::nullopt}, TurnedCopy(large, 0, 0.2)});
        variants.push_back({{"converge-", std::nullopt}, TurnedCopy(large, 0, -0.2)});

        CheckedPhoto original;
        bool originalTilted = false;
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const auto& [variant, picture] = variants[v];
            CheckedPhoto photo;
            const bool asIs = v == 0;
            if (asIs) {
                const ShrunkPhoto shrunk = ShrinkEncodeAndMeasure(path.string());
                photo = {path.string(), path.string(), shrunk.jpeg.size(), kJpegQuality,
                         *shrunk.facts};
                original = photo;
                if (!tiltOnly) {
                    runOriginals.push_back(photo);
                    ++originals;
                } else {
                    ++tiltOnlyOriginals;
                }
            } else {
                photo = Check(picture, (work / (stem + "-" + variant.name + ".jpg")).string());
            }
            const std::vector<Finding> findings = FindingsOf(photo.facts, limits);
            const auto has = [&](FindingKind kind) {
                return std::any_of(findings.begin(), findings.end(),
                                   [&](const Finding& f) { return f.kind == kind; });
            };
            if (asIs) originalTilted = has(FindingKind::Tilted);
            std::string codes;
            for (const Finding& f : findings) {
                codes += std::string(FindingCode(f.kind)) + " ";
                // A small or upright original is told rightly, and so is a
                // photo turned 90 degrees (upright) or made small.
                const bool truthful =
                    (f.kind == FindingKind::NotReduced &&
                     std::max(photo.facts.source.width, photo.facts.source.height) < 800) ||
                    (f.kind == FindingKind::Portrait &&
                     photo.facts.result.height > photo.facts.result.width);
                // Findings other than the tilt on the tilt-only photos (the
                // samsung frame is rightly flat and blurred) and on the
                // tilted and converging copies repeat those of the photo as
                // it is, which are counted there.
                const bool tiltCopy =
                    variant.expected == FindingKind::Tilted || (!asIs && !variant.expected);
                const bool notCalibrated = (tiltOnly || tiltCopy) && f.kind != FindingKind::Tilted;
                if (truthful || notCalibrated) continue;
                if (variant.expected && f.kind == *variant.expected) continue;
                // A finding the original has too is the original's, unless
                // it is what the photo as it is is checked for.
                const bool inherited =
                    !asIs && f.kind == FindingKind::Tilted && originalTilted &&
                    !(variant.expected && *variant.expected == FindingKind::Tilted);
                if (!inherited) ++falseFindings[f.kind];
            }
            if (variant.name == std::string("converge+") ||
                variant.name == std::string("converge-")) {
                ++tilts.convergingMade;
                tilts.convergingTold += has(FindingKind::Tilted);
            }
            if (variant.expected == FindingKind::Tilted) {
                const double turn = kTurns[v - (variants.size() - 2 - std::size(kTurns))];
                const bool found = has(FindingKind::Tilted);
                tilts.all[turn].first += found;
                ++tilts.all[turn].second;
                if (HasStraightLines(relative)) {
                    tilts.lined[turn].first += found;
                    ++tilts.lined[turn].second;
                }
            } else if (variant.expected) {
                // A portrait photo turned is a landscape one: nothing to find.
                const bool turnedUpright = photo.facts.result.height > photo.facts.result.width;
                if (*variant.expected != FindingKind::Portrait || turnedUpright) {
                    ++caught[*variant.expected].second;
                    caught[*variant.expected].first += has(*variant.expected);
                }
            }
            const PhotoMeasures& m = photo.facts.measures;
            std::printf("%-44s %-10s %4d %4d %4d %6.3f %6.3f %8.1f %8.1f %6.3f %-23s %-23s  %s\n",
                        relative, variant.name, m.luminance.median, m.luminance.low,
                        m.luminance.high, m.luminance.blackShare, m.luminance.whiteShare,
                        m.laplacianVariance, m.greyVariance,
                        m.laplacianVariance / (m.greyVariance + limits.greyVarianceFloor),
                        LeanText(m.tilt.verticals).c_str(), LeanText(m.tilt.horizontals).c_str(),
                        codes.c_str());
        }
        if (tiltOnly) continue;
        // Duplicates: a recompressed copy and a turned copy of the photo.
        const CheckedPhoto recompressed =
            Check(large, (work / (stem + "-recompressed.jpg")).string());
        const CheckedPhoto turned =
            Check(RotateBitmap90(large), (work / (stem + "-turned-dup.jpg")).string());
        const int toRecompressed =
            TurnedHashDistance(original.facts.measures.hashes, recompressed.facts.measures.hashes);
        const int toTurned =
            TurnedHashDistance(original.facts.measures.hashes, turned.facts.measures.hashes);
        std::printf("  duplicate distance: recompressed %d, turned %d\n", toRecompressed, toTurned);
        caught[FindingKind::Duplicate].second += 2;
        caught[FindingKind::Duplicate].first +=
            (toRecompressed <= limits.duplicateDistance) + (toTurned <= limits.duplicateDistance);
    }
    // Distinct photos must not match: every pair of originals.
    int smallest = 64;
    for (std::size_t a = 0; a < runOriginals.size(); ++a)
        for (std::size_t b = a + 1; b < runOriginals.size(); ++b) {
            const int d = TurnedHashDistance(runOriginals[a].facts.measures.hashes,
                                             runOriginals[b].facts.measures.hashes);
            const bool sameShot = runOriginals[a].source.ends_with("photo_jolla_3264x2448.jpg") &&
                                  runOriginals[b].source.ends_with("photo_rgb8_408x306.png");
            if (sameShot) {
                std::printf("same shot: distance %d\n", d);
                caught[FindingKind::Duplicate].second += 1;
                caught[FindingKind::Duplicate].first += d <= limits.duplicateDistance;
                continue;
            }
            smallest = std::min(smallest, d);
            if (d <= limits.duplicateDistance) {
                std::printf("match: %s %s (%d)\n", runOriginals[a].source.c_str(),
                            runOriginals[b].source.c_str(), d);
                ++falseFindings[FindingKind::Duplicate];
            }
        }
    std::printf("\nsmallest distance between distinct photos: %d\n", smallest);
    std::printf("%d real photos (and %d for the tilt only), %zu pairs of distinct photos\n",
                originals, tiltOnlyOriginals, runOriginals.size() * (runOriginals.size() - 1) / 2);
    std::printf("%-14s %12s %8s\n", "finding", "true/crafted", "false");
    for (const FindingKind kind :
         {FindingKind::TooDark, FindingKind::TooBright, FindingKind::LowContrast,
          FindingKind::Blurred, FindingKind::Portrait, FindingKind::NotReduced,
          FindingKind::Duplicate}) {
        std::printf("%-14s %5d/%-6d %8d\n", FindingCode(kind), caught[kind].first,
                    caught[kind].second, falseFindings[kind]);
    }
    std::printf("%-14s %12s %8d  (as they are, converging, other crafted copies)\n",
                FindingCode(FindingKind::Tilted), "see below", falseFindings[FindingKind::Tilted]);
    std::printf("\ntilt >= %.1f deg on >= %d agreeing edges, share >= %.2f\n", limits.tiltDegrees,
                limits.tiltMinEdges, limits.tiltMinShare);
    std::printf("%-8s %12s %18s\n", "turn", "all photos", "photos with lines");
    for (const auto& [turn, counts] : tilts.all)
        std::printf("%+5.0f    %5d/%-6d %11d/%-6d\n", turn, counts.first, counts.second,
                    tilts.lined[turn].first, tilts.lined[turn].second);
    std::printf("converging copies told tilted: %d/%d\n", tilts.convergingTold,
                tilts.convergingMade);
    fs::remove_all(work);
    return 0;
}
