// Automatic brightness and colour: a mild correction estimated from a
// picture and applied as one table per channel. The levels are stretched
// between the luminance's low and high percentiles, and the colour is
// balanced by the grey-edge estimate (edges are grey on average, whatever
// the colours of the surfaces). Both are bounded, and small deviations are
// left alone, so a photo that is already right barely changes.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/Bitmap.h"

namespace pictorel {

// The correction of one picture, with the figures it was made from.
struct AutoCorrection {
    // Black and white points: the 0.5 % percentile of each pixel's darkest
    // channel and the 99.9 % percentile of its brightest one.
    int low = 0;
    int high = 255;
    // Gain of the level stretch, 1 .. kMaxStretch.
    double stretch = 1.0;
    // Colour gains, red, green, blue, each within the balance bounds.
    std::array<double, 3> balance{1.0, 1.0, 1.0};
    // The resulting tables, indexed by channel in memory order (blue, green,
    // red) and by value. Each maps 255 to 255, so white stays white.
    std::array<std::array<std::uint8_t, 256>, 3> curves{};

    bool Identity() const;
    friend bool operator==(const AutoCorrection&, const AutoCorrection&) = default;
};

// Largest level stretch: a picture darker than this is brightened only so far.
inline constexpr double kMaxAutoStretch = 2.5;
// Colour gains stay within [1 / kMaxAutoBalance, kMaxAutoBalance].
inline constexpr double kMaxAutoBalance = 1.3;

// Measures `area` of a picture (clipped to it; the whole picture when empty)
// and gives its correction. Large pictures are measured on a regular sample
// of about a million pixels.
AutoCorrection EstimateAutoCorrection(const Bitmap& picture, const Rect& area = {});

// Applies the tables to every pixel; a picture of another layout is first
// made 24-bit.
void ApplyAutoCorrection(Bitmap& picture, const AutoCorrection& correction);

// The part of a picture inside the rows and columns that are wholly pure
// white at its edges: the photo inside the bars that square it. The whole
// picture when it has no such bars; empty when it is all white.
Rect AreaInsideWhiteBars(const Bitmap& picture);

}  // namespace pictorel
