#include "imaging/AutoAdjust.h"

#include <gtest/gtest.h>

namespace pictorel {
namespace {

// A ramp of greys from `low` to `high` across, with a textured colour cast.
Bitmap Ramp(int low, int high, double red = 1.0, double blue = 1.0) {
    Bitmap b(256, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x) {
            const int v = low + (high - low) * x / 255 + ((x + y) % 7);
            const auto channel = [](double c) {
                return static_cast<std::uint8_t>(std::clamp(static_cast<int>(c), 0, 255));
            };
            b.SetPixel(x, y, {channel(v * red), channel(v), channel(v * blue)});
        }
    return b;
}

TEST(AutoAdjust, FullRangeNeutralPictureIsLeftAlone) {
    const AutoCorrection c = EstimateAutoCorrection(Ramp(0, 248));
    EXPECT_TRUE(c.Identity());
}

TEST(AutoAdjust, DarkPictureIsStretchedAtMostToTheBound) {
    const AutoCorrection half = EstimateAutoCorrection(Ramp(0, 120));
    EXPECT_NEAR(half.stretch, 255.0 / 126, 0.05);
    const AutoCorrection veryDark = EstimateAutoCorrection(Ramp(0, 60));
    EXPECT_DOUBLE_EQ(veryDark.stretch, kMaxAutoStretch);
}

TEST(AutoAdjust, ColourCastIsReducedWithinTheBoundAndWhiteStaysWhite) {
    const AutoCorrection c = EstimateAutoCorrection(Ramp(0, 200, 1.2, 0.8));
    EXPECT_LT(c.balance[0], 1.0);
    EXPECT_GT(c.balance[2], 1.0);
    for (double gain : c.balance) {
        EXPECT_LE(gain, kMaxAutoBalance);
        EXPECT_GE(gain, 1 / kMaxAutoBalance);
    }
    for (const auto& curve : c.curves) {
        EXPECT_EQ(curve[255], 255);
        for (int v = 1; v < 256; ++v) EXPECT_GE(curve[v], curve[v - 1]) << "not monotonic at " << v;
    }
}

TEST(AutoAdjust, WhiteBarsAreFoundAroundThePhoto) {
    Bitmap square(40, 40);
    square.FillRect(Rect{0, 0, 40, 40}, kWhite);
    square.FillRect(Rect{0, 10, 40, 30}, Color{10, 20, 30});
    EXPECT_EQ(AreaInsideWhiteBars(square), (Rect{0, 10, 40, 30}));
    square.FillRect(Rect{0, 0, 40, 40}, kWhite);
    EXPECT_TRUE(AreaInsideWhiteBars(square).Empty());
}

}  // namespace
}  // namespace pictorel
