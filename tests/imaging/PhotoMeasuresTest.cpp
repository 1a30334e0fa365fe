// The measures of the check before publishing on pictures whose answer is
// known: the luminance spread, detail against contrast, and a hash that
// follows the picture through quarter turns.
#include "imaging/PhotoMeasures.h"

#include <gtest/gtest.h>

#include "imaging/BitmapUtils.h"
#include "support/RandomPictures.h"

namespace pictorel {
namespace {

using test::RandomPicture;

Bitmap Filled(int width, int height, auto level) {
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<std::uint8_t>(level(x, y));
            picture.SetPixel(x, y, {v, v, v});
        }
    return picture;
}

TEST(PhotoMeasures, LuminanceSpreadAndClippedShares) {
    // Left half black, right half white: the median falls on white, the
    // percentiles on either end, and each clipped share is a half.
    const PhotoMeasures halves =
        MeasurePhoto(Filled(200, 100, [](int x, int) { return x < 100 ? 0 : 255; }));
    EXPECT_EQ(halves.luminance.median, 255);
    EXPECT_EQ(halves.luminance.low, 0);
    EXPECT_EQ(halves.luminance.high, 255);
    EXPECT_DOUBLE_EQ(halves.luminance.blackShare, 0.5);
    EXPECT_DOUBLE_EQ(halves.luminance.whiteShare, 0.5);

    // A ramp 0..199 over the columns: median 100, the 5th and 95th
    // percentiles 10 and 190; colour weighs in by BT.601.
    const PhotoMeasures ramp = MeasurePhoto(Filled(200, 10, [](int x, int) { return x; }));
    EXPECT_EQ(ramp.luminance.median, 100);
    EXPECT_EQ(ramp.luminance.low, 10);
    EXPECT_EQ(ramp.luminance.high, 190);
    EXPECT_DOUBLE_EQ(ramp.luminance.blackShare, 5.0 / 200);

    Bitmap green(20, 20);
    green.FillRect(Rect::At(0, 0, 20, 20), {0, 200, 0});
    EXPECT_EQ(MeasurePhoto(green).luminance.median, 117);  // 0.587 * 200
    EXPECT_EQ(MeasurePhoto(green.ToBgr24()).luminance.median, 117);
}

TEST(PhotoMeasures, DetailDropsWithBlurButNotWithDarkening) {
    const Bitmap sharp = RandomPicture(400, 300, 7);
    const PhotoMeasures original = MeasurePhoto(sharp);
    // Averaging each pixel with its neighbours keeps the contrast of the
    // large shapes and removes the detail.
    Bitmap blurred = sharp;
    for (int y = 1; y + 1 < sharp.Height(); ++y)
        for (int x = 1; x + 1 < sharp.Width(); ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) sum += sharp.Pixel(x + dx, y + dy).g;
            const auto v = static_cast<std::uint8_t>(sum / 9);
            blurred.SetPixel(x, y, {v, v, v});
        }
    // A third of the levels: detail and contrast fall alike.
    const Bitmap grey = Filled(400, 300, [&](int x, int y) { return sharp.Pixel(x, y).g; });
    const Bitmap dark = Filled(400, 300, [&](int x, int y) { return sharp.Pixel(x, y).g / 3; });
    const auto ratio = [](const PhotoMeasures& m) {
        return m.laplacianVariance / (m.greyVariance + 1);
    };
    const double greyRatio = ratio(MeasurePhoto(grey));
    EXPECT_LT(ratio(MeasurePhoto(blurred)), greyRatio / 4);
    EXPECT_NEAR(ratio(MeasurePhoto(dark)), greyRatio, 0.15 * greyRatio);
    EXPECT_GT(original.laplacianVariance, 0);

    const PhotoMeasures flat = MeasurePhoto(Filled(300, 200, [](int, int) { return 90; }));
    EXPECT_EQ(flat.laplacianVariance, 0);
    EXPECT_EQ(flat.greyVariance, 0);
}

TEST(PhotoMeasures, HashesFollowQuarterTurns) {
    // 360 x 240 and its turns: each turned picture's upright hash is the
    // original's hash for that many quarters, bit for bit.
    Bitmap turned = RandomPicture(360, 240, 11);
    const PhotoMeasures original = MeasurePhoto(turned);
    for (int quarters = 1; quarters < 4; ++quarters) {
        turned = RotateBitmap90(turned);
        EXPECT_EQ(MeasurePhoto(turned).hashes[0],
                  original.hashes[static_cast<std::size_t>(quarters)])
            << quarters;
        EXPECT_EQ(TurnedHashDistance(original.hashes, MeasurePhoto(turned).hashes), 0);
    }
    const PhotoMeasures other = MeasurePhoto(RandomPicture(360, 240, 12));
    EXPECT_GT(TurnedHashDistance(original.hashes, other.hashes), 10);
    EXPECT_EQ(HammingDistance(0, ~std::uint64_t{0}), 64);
    EXPECT_EQ(HammingDistance(0b1011, 0b0001), 2);
}

TEST(PhotoMeasures, ThinAndEmptyPicturesAreMeasuredWithoutFault) {
    // Thinner than the hash's cells, and longer than the sharpness side.
    for (const auto& [w, h] : {std::pair{1, 1}, {1, 800}, {800, 3}, {5, 5}}) {
        const PhotoMeasures m = MeasurePhoto(RandomPicture(w, h, 3));
        EXPECT_GE(m.luminance.high, m.luminance.low) << w << "x" << h;
    }
    const PhotoMeasures none = MeasurePhoto(Bitmap());
    EXPECT_EQ(none.luminance.median, 0);
    EXPECT_EQ(none.hashes[0], 0u);
}

}  // namespace
}  // namespace pictorel
