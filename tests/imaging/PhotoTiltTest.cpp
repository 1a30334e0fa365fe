// The tilt measure on drawn pictures whose answer is known: stripes turned
// either way, verticals converging towards a point above the picture, a
// lone horizon, and noise without straight edges.
#include "imaging/PhotoTilt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "imaging/PhotoMeasures.h"
#include "support/RandomPictures.h"

namespace pictorel {
namespace {

// A grey picture whose level at a point is `dark(x, y)` ? 40 : 200,
// anti-aliased over 4 x 4 samples per pixel, after the content has been
// turned `degrees` clockwise about the middle.
Bitmap Drawn(int width, int height, double degrees,
             const std::function<bool(double, double)>& dark) {
    const double t = degrees * std::numbers::pi / 180;
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int darkSamples = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = x + (sx + 0.5) / 4 - width / 2.0;
                    const double py = y + (sy + 0.5) / 4 - height / 2.0;
                    // Where the turned point came from.
                    darkSamples += dark(px * std::cos(t) + py * std::sin(t),
                                        -px * std::sin(t) + py * std::cos(t));
                }
            const auto level = static_cast<std::uint8_t>(200 - 160 * darkSamples / 16);
            picture.SetPixel(x, y, {level, level, level});
        }
    return picture;
}

// Bars 12 pixels wide every 50, across the whole picture.
bool VerticalBar(double x, double) {
    return std::fmod(x + 1000, 50) < 12;
}

TEST(PhotoTilt, TurnedVerticalsGiveTheTurnWithItsSign) {
    for (const double degrees : {-6.0, -2.5, 0.0, 2.0, 4.0}) {
        const TiltMeasure tilt = MeasurePhoto(Drawn(800, 600, degrees, VerticalBar)).tilt;
        EXPECT_NEAR(tilt.verticals.degrees, degrees, 0.3) << degrees;
        EXPECT_GT(tilt.verticals.agreeingShare, 0.8) << degrees;
        EXPECT_GT(tilt.verticals.agreeingEdges, 1000) << degrees;
    }
}

TEST(PhotoTilt, HorizontalsGiveTheTurnOfALoneHorizon) {
    // Dark ground below a line a quarter below the middle: a horizon that
    // does not pass through the middle still tells the turn.
    const auto ground = [](double, double y) { return y > 150; };
    for (const double degrees : {-3.0, 5.0}) {
        const TiltMeasure tilt = MeasurePhoto(Drawn(800, 600, degrees, ground)).tilt;
        EXPECT_NEAR(tilt.horizontals.degrees, degrees, 0.3) << degrees;
        EXPECT_EQ(tilt.verticals.agreeingEdges, 0) << degrees;
    }
}

TEST(PhotoTilt, ConvergingVerticalsAreNoTurn) {
    // Bars narrowing towards a point far above the middle, as a building
    // photographed from below: they lean inwards, left and right alike.
    const auto converging = [](double x, double y) {
        const double atBottom = x * 3000 / (3000 + y);
        return std::fmod(atBottom + 1000, 60) < 14;
    };
    const TiltMeasure upright = MeasurePhoto(Drawn(800, 600, 0, converging)).tilt;
    EXPECT_NEAR(upright.verticals.degrees, 0, 0.3);
    EXPECT_GT(std::abs(upright.verticals.convergence), 5);
    // Turned as well: the turn is still told apart from the convergence.
    const TiltMeasure turned = MeasurePhoto(Drawn(800, 600, 3, converging)).tilt;
    EXPECT_NEAR(turned.verticals.degrees, 3, 0.4);
}

TEST(PhotoTilt, NoiseAndTinyPicturesHaveNoAgreeingEdges) {
    const TiltMeasure noise = MeasurePhoto(test::RandomPicture(800, 600, 5)).tilt;
    EXPECT_LT(noise.verticals.agreeingShare + noise.horizontals.agreeingShare, 0.6);
    const TiltMeasure tiny = MeasureTilt(7, 7, std::vector<double>(49, 0.0));
    EXPECT_EQ(tiny.verticals.agreeingEdges + tiny.horizontals.agreeingEdges, 0);
}

}  // namespace
}  // namespace pictorel
