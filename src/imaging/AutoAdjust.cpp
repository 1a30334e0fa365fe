#include "imaging/AutoAdjust.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/PixelRows.h"

namespace pictorel {

namespace {

// Share of the measured pixels left out at each end of the luminance range:
// a few specular highlights or black seams must not decide the stretch.
constexpr double kBlackShare = 0.005;
// The white point takes a smaller share: the few white things of a scene
// (a hull, a window frame) are what must reach full strength.
constexpr double kWhiteShare = 0.001;
// Gaps between the white point and 255 up to this are taken as right, so a
// well-exposed photo keeps its levels; between it and kFullGap the
// correction grows from nothing to the whole gap, so that no small
// difference in a photo makes a large one in the result.
constexpr int kGapTolerance = 10;
constexpr int kFullGap = 30;
// Deep shadows are often simply absent (sea and sky, a bright room), so the
// black point is left alone up to this; above it (haze) half of the excess
// is taken off, at most kMaxBlackShift levels.
constexpr int kBlackTolerance = 32;
constexpr double kBlackStrength = 0.5;
constexpr double kMaxBlackShift = 16;
// A picture whose luminance spans fewer levels than this is a plain surface
// or a sheet of paper: stretching it would only amplify its noise.
constexpr int kMinSpread = 48;
// Colour gains within this factor of 1 are left alone (a warm room stays
// warm); larger ones are reduced by it, and only this share of the rest is
// applied: a scene of one dominant colour (sea, a wooden floor) also tilts
// the estimate.
constexpr double kBalanceTolerance = 1.04;
constexpr double kBalanceStrength = 0.75;
// Edges weaker than this on average (levels per pixel and channel) tell
// nothing about the light's colour.
constexpr double kMinEdgeStrength = 0.5;
// Channel values at which an edge is clipped and unreliable.
constexpr int kClipLow = 4;
constexpr int kClipHigh = 250;
// Above this (after the stretch) the colour gain fades out towards 255, so
// white stays white and clipped highlights are not tinted.
constexpr double kBalanceKnee = 192.0;
// Pixels measured at most (about): larger pictures are sampled on a grid.
constexpr std::int64_t kSampleTarget = 1'000'000;

// The part of a gap to 0 or 255 that the stretch closes.
double CorrectedGap(int gap) {
    if (gap <= kGapTolerance) return 0;
    if (gap >= kFullGap) return gap;
    return (gap - kGapTolerance) * double(kFullGap) / (kFullGap - kGapTolerance);
}

bool Clipped(const std::uint8_t* bgr) {
    for (int c = 0; c < 3; ++c)
        if (bgr[c] <= kClipLow || bgr[c] >= kClipHigh) return true;
    return false;
}

Rect ClipTo(const Rect& area, const Bitmap& picture) {
    if (area.Empty()) return {0, 0, picture.Width(), picture.Height()};
    return {std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, picture.Width()),
            std::min(area.bottom, picture.Height())};
}

struct Measures {
    // Darkest and brightest channel of each pixel: the black point is where
    // a channel reaches black, the white point where one reaches full
    // strength (a blue sky is exposed right without being white).
    std::array<std::int64_t, 256> darkest{};
    std::array<std::int64_t, 256> brightest{};
    std::array<std::int64_t, 256> luminance{};
    std::int64_t count = 0;
    std::array<double, 3> edges{};  // blue, green, red
    std::int64_t edgeCount = 0;
};

Measures Measure(const Bitmap& picture, const Rect& area) {
    Measures m;
    const std::int64_t pixels = std::int64_t{area.Width()} * area.Height();
    const int step =
        std::max(1, static_cast<int>(std::sqrt(static_cast<double>(pixels) / kSampleTarget)));
    for (int y = area.top; y < area.bottom; y += step) {
        const std::uint8_t* row = picture.ScanLine(y);
        const std::uint8_t* below = y + 1 < area.bottom ? picture.ScanLine(y + 1) : nullptr;
        for (int x = area.left; x < area.right; x += step) {
            const std::uint8_t* p = row + 3 * x;
            ++m.darkest[std::min({p[0], p[1], p[2]})];
            ++m.brightest[std::max({p[0], p[1], p[2]})];
            ++m.luminance[static_cast<std::size_t>((29 * p[0] + 150 * p[1] + 77 * p[2] + 128) >>
                                                   8)];
            ++m.count;
            if (x + 1 >= area.right || !below) continue;
            const std::uint8_t* right = p + 3;
            const std::uint8_t* down = below + 3 * x;
            if (Clipped(p) || Clipped(right) || Clipped(down)) continue;
            for (int c = 0; c < 3; ++c)
                m.edges[static_cast<std::size_t>(c)] +=
                    std::abs(right[c] - p[c]) + std::abs(down[c] - p[c]);
            ++m.edgeCount;
        }
    }
    return m;
}

// The value below which `share` of the counts lie (from the top when
// `fromTop`).
int Percentile(const std::array<std::int64_t, 256>& counts, std::int64_t total, double share,
               bool fromTop) {
    const auto cut = static_cast<std::int64_t>(static_cast<double>(total) * share);
    std::int64_t sum = 0;
    for (int i = 0; i < 256; ++i) {
        const int v = fromTop ? 255 - i : i;
        if ((sum += counts[static_cast<std::size_t>(v)]) > cut) return v;
    }
    return fromTop ? 0 : 255;
}

// Colour gains (red, green, blue) that make the edges grey on average, of
// unchanged luminance, with small ones dropped and large ones bounded.
std::array<double, 3> BalanceGains(const Measures& m) {
    std::array<double, 3> gains{1.0, 1.0, 1.0};
    if (m.edgeCount == 0) return gains;
    const double red = m.edges[2], green = m.edges[1], blue = m.edges[0];
    if (std::min({red, green, blue}) < kMinEdgeStrength * 2 * static_cast<double>(m.edgeCount))
        return gains;
    const double mean = (red + green + blue) / 3;
    gains = {mean / red, mean / green, mean / blue};
    const double luminance = 0.299 * gains[0] + 0.587 * gains[1] + 0.114 * gains[2];
    const double tolerance = std::log(kBalanceTolerance);
    const double bound = std::log(kMaxAutoBalance);
    for (double& gain : gains) {
        double logGain = std::log(gain / luminance);
        logGain =
            std::copysign(std::max(std::abs(logGain) - tolerance, 0.0), logGain) * kBalanceStrength;
        gain = std::exp(std::clamp(logGain, -bound, bound));
    }
    return gains;
}

}  // namespace

bool AutoCorrection::Identity() const {
    for (const auto& curve : curves)
        for (int v = 0; v < 256; ++v)
            if (curve[static_cast<std::size_t>(v)] != v) return false;
    return true;
}

AutoCorrection EstimateAutoCorrection(const Bitmap& picture, const Rect& area) {
    const Bitmap* source = &picture;
    Bitmap converted;
    if (picture.Format() != PixelFormat::Bgr24) {
        converted = picture.ToBgr24();
        source = &converted;
    }
    const Rect measured = ClipTo(area, *source);
    AutoCorrection out;
    double black = 0;
    if (!measured.Empty()) {
        const Measures m = Measure(*source, measured);
        out.low = Percentile(m.darkest, m.count, kBlackShare, false);
        out.high = Percentile(m.brightest, m.count, kWhiteShare, true);
        // The spread is the luminance's: a colour cast must not pass a plain
        // surface for a contrasty one.
        const int spread = Percentile(m.luminance, m.count, kWhiteShare, true) -
                           Percentile(m.luminance, m.count, kBlackShare, false);
        if (spread >= kMinSpread) {
            black = std::clamp((out.low - kBlackTolerance) * kBlackStrength, 0.0, kMaxBlackShift);
            const double white = 255 - CorrectedGap(255 - out.high);
            out.stretch = std::clamp(255.0 / (white - black), 1.0, kMaxAutoStretch);
        }
        out.balance = BalanceGains(m);
    }
    for (int channel = 0; channel < 3; ++channel) {
        // Memory order is blue, green, red; the gains are red, green, blue.
        const double gain = out.balance[static_cast<std::size_t>(2 - channel)];
        const double kneeValue = kBalanceKnee * gain;
        auto& curve = out.curves[static_cast<std::size_t>(channel)];
        for (int v = 0; v < 256; ++v) {
            const double stretched = std::max((v - black) * out.stretch, 0.0);
            const double balanced = stretched <= kBalanceKnee
                                        ? stretched * gain
                                        : kneeValue + (stretched - kBalanceKnee) *
                                                          (255.0 - kneeValue) /
                                                          (255.0 - kBalanceKnee);
            curve[static_cast<std::size_t>(v)] =
                static_cast<std::uint8_t>(std::clamp(std::lround(balanced), 0L, 255L));
        }
    }
    return out;
}

void ApplyAutoCorrection(Bitmap& picture, const AutoCorrection& correction) {
    if (picture.Format() != PixelFormat::Bgr24) picture = picture.ToBgr24();
    const PixelRows24 rows(picture);
    for (int y = 0; y < rows.Height(); ++y) {
        std::uint8_t* p = rows.Row(y);
        for (int x = 0; x < rows.Width(); ++x, p += 3) {
            p[0] = correction.curves[0][p[0]];
            p[1] = correction.curves[1][p[1]];
            p[2] = correction.curves[2][p[2]];
        }
    }
}

Rect AreaInsideWhiteBars(const Bitmap& picture) {
    const Bitmap* source = &picture;
    Bitmap converted;
    if (picture.Format() != PixelFormat::Bgr24) {
        converted = picture.ToBgr24();
        source = &converted;
    }
    const int width = source->Width(), height = source->Height();
    auto whiteRow = [&](int y) {
        const std::uint8_t* row = source->ScanLine(y);
        return std::all_of(row, row + 3 * std::size_t(width),
                           [](std::uint8_t v) { return v == 255; });
    };
    auto whiteColumn = [&](int x, int top, int bottom) {
        for (int y = top; y < bottom; ++y) {
            const std::uint8_t* p = source->ScanLine(y) + 3 * x;
            if (p[0] != 255 || p[1] != 255 || p[2] != 255) return false;
        }
        return true;
    };
    Rect area{0, 0, width, height};
    while (area.top < area.bottom && whiteRow(area.top)) ++area.top;
    if (area.top == area.bottom) return {};
    while (whiteRow(area.bottom - 1)) --area.bottom;
    while (whiteColumn(area.left, area.top, area.bottom)) ++area.left;
    while (whiteColumn(area.right - 1, area.top, area.bottom)) --area.right;
    return area;
}

}  // namespace pictorel
