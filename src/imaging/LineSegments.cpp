#include "imaging/LineSegments.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "base/Errors.h"
#include "imaging/RowBands.h"

namespace pictorel {

namespace {

// Neighbouring pixels join a region when their level line turns by at most
// this much from the region's: wide enough to follow a slightly noisy edge,
// narrow enough to stop where a corner or a curve begins.
const double kCosTolerance = std::cos(std::numbers::pi / 8);        // 22.5 degrees
const double kCosTightTolerance = std::cos(std::numbers::pi / 16);  // 11.25 degrees
// A region must fill this share of its rectangle to be a straight edge
// rather than a curve or a patch of texture.
constexpr double kMinDensity = 0.7;
constexpr int kMagnitudeBins = 1024;

enum : std::uint8_t { kNoEdge = 0, kFree = 1, kUsed = 2 };

// Per gradient sample (between four pixels): the unit vector along its level
// line, the gradient's strength and whether a region took it.
struct Gradients {
    int width = 0;
    int height = 0;
    std::vector<float> alongX;
    std::vector<float> alongY;
    std::vector<float> magnitude;
    std::vector<std::uint8_t> state;
};

// A [1 2 1] / 4 blur across and down. A hard edge a few degrees off the
// pixel grid is a staircase whose corners turn the gradient by 45 degrees
// and break it into short pieces; a blur of about 0.7 pixel joins them.
GreyPicture Smoothed(const GreyPicture& grey) {
    GreyPicture across = grey;
    const int w = grey.width, h = grey.height;
    for (int y = 0; y < h; ++y) {
        const float* in = &grey.levels[std::size_t(y) * w];
        float* out = &across.levels[std::size_t(y) * w];
        for (int x = 1; x + 1 < w; ++x) out[x] = 0.25f * (in[x - 1] + 2 * in[x] + in[x + 1]);
    }
    GreyPicture both = across;
    for (int y = 1; y + 1 < h; ++y) {
        const float* up = &across.levels[std::size_t(y - 1) * w];
        float* out = &both.levels[std::size_t(y) * w];
        for (int x = 0; x < w; ++x) out[x] = 0.25f * (up[x] + 2 * up[x + w] + up[x + 2 * w]);
    }
    return both;
}

Gradients ComputeGradients(const GreyPicture& grey, double minGradient) {
    Gradients g;
    g.width = grey.width - 1;
    g.height = grey.height - 1;
    const std::size_t n = std::size_t(g.width) * std::size_t(g.height);
    g.alongX.assign(n, 0.0f);
    g.alongY.assign(n, 0.0f);
    g.magnitude.assign(n, 0.0f);
    g.state.assign(n, kNoEdge);
    for (int y = 0; y < g.height; ++y) {
        const float* top = &grey.levels[std::size_t(y) * grey.width];
        const float* bottom = top + grey.width;
        for (int x = 0; x < g.width; ++x) {
            // The 2 x 2 difference: its samples sit midway between pixels,
            // so neither direction is favoured.
            const float gx = 0.5f * (top[x + 1] + bottom[x + 1] - top[x] - bottom[x]);
            const float gy = 0.5f * (bottom[x] + bottom[x + 1] - top[x] - top[x + 1]);
            const float m = std::sqrt(gx * gx + gy * gy);
            const std::size_t i = std::size_t(y) * g.width + x;
            g.magnitude[i] = m;
            if (m <= minGradient) continue;
            g.alongX[i] = -gy / m;
            g.alongY[i] = gx / m;
            g.state[i] = kFree;
        }
    }
    return g;
}

// The edge samples from the strongest down, sorted into bins: strong
// gradients seed regions first, as their direction is the most reliable.
std::vector<std::uint32_t> StrongestFirst(const Gradients& g) {
    float top = 0;
    for (float m : g.magnitude) top = std::max(top, m);
    std::vector<std::uint32_t> counts(kMagnitudeBins + 1, 0);
    auto binOf = [&](float m) {
        return std::min(kMagnitudeBins - 1, static_cast<int>(m / top * kMagnitudeBins));
    };
    for (std::size_t i = 0; i < g.state.size(); ++i)
        if (g.state[i] == kFree) ++counts[kMagnitudeBins - 1 - binOf(g.magnitude[i]) + 1];
    for (int b = 1; b <= kMagnitudeBins; ++b) counts[b] += counts[b - 1];
    std::vector<std::uint32_t> order(counts[kMagnitudeBins]);
    for (std::size_t i = 0; i < g.state.size(); ++i)
        if (g.state[i] == kFree)
            order[counts[kMagnitudeBins - 1 - binOf(g.magnitude[i])]++] =
                static_cast<std::uint32_t>(i);
    return order;
}

// Grows a region from `seed` over free samples whose level line keeps within
// the tolerance of the region's mean direction, marking them used.
void GrowRegion(Gradients& g, std::uint32_t seed, double cosTolerance,
                std::vector<std::uint32_t>& region) {
    region.clear();
    region.push_back(seed);
    g.state[seed] = kUsed;
    double sumX = g.alongX[seed];
    double sumY = g.alongY[seed];
    for (std::size_t next = 0; next < region.size(); ++next) {
        const int x = static_cast<int>(region[next] % std::uint32_t(g.width));
        const int y = static_cast<int>(region[next] / std::uint32_t(g.width));
        const double norm = std::sqrt(sumX * sumX + sumY * sumY);
        for (int ny = std::max(0, y - 1); ny <= std::min(g.height - 1, y + 1); ++ny) {
            for (int nx = std::max(0, x - 1); nx <= std::min(g.width - 1, x + 1); ++nx) {
                const std::uint32_t i = std::uint32_t(ny) * std::uint32_t(g.width) + nx;
                if (g.state[i] != kFree) continue;
                // Level lines of either sense along the edge differ by half
                // a turn: they are two edges (dark to light and back).
                if (g.alongX[i] * sumX + g.alongY[i] * sumY < cosTolerance * norm) continue;
                g.state[i] = kUsed;
                region.push_back(i);
                sumX += g.alongX[i];
                sumY += g.alongY[i];
            }
        }
    }
}

// Fits the thinnest rectangle to a region (the gradient-weighted principal
// axis) and gives its segment when the region is long and fills it well.
bool FitSegment(const Gradients& g, const std::vector<std::uint32_t>& region, double minLength,
                LineSegment& segment) {
    double weight = 0, meanX = 0, meanY = 0;
    for (std::uint32_t i : region) {
        const double m = g.magnitude[i];
        weight += m;
        meanX += m * double(i % std::uint32_t(g.width));
        meanY += m * double(i / std::uint32_t(g.width));
    }
    meanX /= weight;
    meanY /= weight;
    double sxx = 0, syy = 0, sxy = 0;
    for (std::uint32_t i : region) {
        const double m = g.magnitude[i];
        const double dx = double(i % std::uint32_t(g.width)) - meanX;
        const double dy = double(i / std::uint32_t(g.width)) - meanY;
        sxx += m * dx * dx;
        syy += m * dy * dy;
        sxy += m * dx * dy;
    }
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    const double ux = std::cos(angle);
    const double uy = std::sin(angle);
    double lo = 0, hi = 0, across0 = 0, across1 = 0;
    for (std::uint32_t i : region) {
        const double dx = double(i % std::uint32_t(g.width)) - meanX;
        const double dy = double(i / std::uint32_t(g.width)) - meanY;
        const double along = dx * ux + dy * uy;
        const double across = -dx * uy + dy * ux;
        lo = std::min(lo, along);
        hi = std::max(hi, along);
        across0 = std::min(across0, across);
        across1 = std::max(across1, across);
    }
    // The rectangle through the outermost sample centres: an edge band of
    // three samples across is two wide.
    const double length = hi - lo + 1;
    const double width = std::max(1.0, across1 - across0);
    if (length < minLength || double(region.size()) < kMinDensity * (hi - lo) * width) return false;
    // Gradient sample (x, y) lies between pixels x, x + 1 and y, y + 1.
    const double cx = meanX + 1;
    const double cy = meanY + 1;
    segment.x0 = cx + ux * (lo - 0.5);
    segment.y0 = cy + uy * (lo - 0.5);
    segment.x1 = cx + ux * (hi + 0.5);
    segment.y1 = cy + uy * (hi + 0.5);
    segment.length = length;
    return true;
}

}  // namespace

GreyPicture ReducedGrey(const Bitmap& picture, const Rect& area, int factor) {
    if (picture.Format() != PixelFormat::Bgr24 || factor < 1 || area.Empty() || area.left < 0 ||
        area.top < 0 || area.right > picture.Width() || area.bottom > picture.Height())
        throw AssertionFailure("ReducedGrey: needs a 24-bit picture and an area inside it");
    GreyPicture grey;
    grey.width = (area.Width() + factor - 1) / factor;
    grey.height = (area.Height() + factor - 1) / factor;
    grey.levels.assign(std::size_t(grey.width) * std::size_t(grey.height), 0.0f);
    // Rows of blocks are independent: split over the cores (the reading of
    // a 24-megapixel photo is most of the measurement's time).
    const auto makeRows = [&](int firstRow, int endRow) {
        std::vector<std::uint32_t> sums(std::size_t(grey.width));
        for (int gy = firstRow; gy < endRow; ++gy) {
            std::fill(sums.begin(), sums.end(), 0u);
            const int y0 = area.top + gy * factor;
            const int y1 = std::min(area.bottom, y0 + factor);
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* p = picture.ScanLine(y) + 3 * std::size_t(area.left);
                for (int x = 0, gx = 0, inBlock = 0; x < area.Width(); ++x, p += 3) {
                    // Rec. 601 luma in integers: 29 B + 150 G + 77 R = 256 x grey.
                    sums[std::size_t(gx)] += 29u * p[0] + 150u * p[1] + 77u * p[2];
                    if (++inBlock == factor) {
                        inBlock = 0;
                        ++gx;
                    }
                }
            }
            float* row = &grey.levels[std::size_t(gy) * grey.width];
            for (int gx = 0; gx < grey.width; ++gx) {
                const int x0 = area.left + gx * factor;
                const int count = (std::min(area.right, x0 + factor) - x0) * (y1 - y0);
                row[gx] = static_cast<float>(double(sums[std::size_t(gx)]) / (256.0 * count));
            }
        }
    };
    ForRowBands(grey.height, 3.0 * area.Width() * area.Height(), makeRows);
    return grey;
}

std::vector<LineSegment> DetectLineSegments(const GreyPicture& grey,
                                            const SegmentOptions& options) {
    std::vector<LineSegment> segments;
    if (grey.width < 3 || grey.height < 3) return segments;
    Gradients g = ComputeGradients(Smoothed(grey), options.minGradient);
    std::vector<std::uint32_t> region;
    for (std::uint32_t seed : StrongestFirst(g)) {
        if (g.state[seed] != kFree) continue;
        GrowRegion(g, seed, kCosTolerance, region);
        LineSegment segment;
        if (FitSegment(g, region, options.minLength, segment)) {
            segments.push_back(segment);
            continue;
        }
        // A region that bends or spreads may hold a straight edge grown
        // past its corner: try again from the seed with half the tolerance,
        // giving the rest back to later seeds.
        for (std::uint32_t i : region) g.state[i] = kFree;
        GrowRegion(g, seed, kCosTightTolerance, region);
        if (FitSegment(g, region, options.minLength, segment)) segments.push_back(segment);
    }
    std::stable_sort(
        segments.begin(), segments.end(),
        [](const LineSegment& a, const LineSegment& b) { return a.length > b.length; });
    return segments;
}

}  // namespace pictorel
