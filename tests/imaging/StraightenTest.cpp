#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/Errors.h"
#include "imaging/LineSegments.h"
#include "imaging/Straighten.h"

namespace pictorel {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// Dark and light bands 40 pixels wide, turned clockwise by `tiltDegrees`
// and converging by `keystone` ((bottom - top) / middle width), drawn with
// 4 x 4 samples per pixel as a camera's soft edges are.
Bitmap Bands(int w, int h, double tiltDegrees, double keystone) {
    Bitmap b(w, h);
    const double t = tiltDegrees * kDegree;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int light = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = x + (sx + 0.5) / 4 - 0.5 * w;
                    const double py = y + (sy + 0.5) / 4 - 0.5 * h;
                    // Back to the upright picture: turn back, then undo the
                    // narrowing towards the vanishing point.
                    const double ux = px * std::cos(t) + py * std::sin(t);
                    const double uy = -px * std::sin(t) + py * std::cos(t);
                    const double across = ux / (1 + keystone * uy / h);
                    light += static_cast<int>(std::floor(across / 40)) & 1;
                }
            }
            const auto v = static_cast<std::uint8_t>(40 + 10 * light);
            b.SetPixel(x, y, {v, v, v});
        }
    }
    return b;
}

TEST(Straighten, RecoversAKnownTurnEitherWay) {
    for (const double tilt : {-6.0, -1.0, 2.5}) {
        const Lean lean = MeasureLean(Bands(640, 480, tilt, 0));
        ASSERT_TRUE(lean.enoughLines) << tilt;
        EXPECT_NEAR(lean.tiltDegrees, tilt, 0.1) << tilt;
        EXPECT_NEAR(lean.keystone, 0, 0.01) << tilt;
        EXPECT_FALSE(lean.fromHorizontals);
        EXPECT_GE(lean.agreeingLines, 10);
    }
}

TEST(Straighten, RecoversConvergingVerticalsAndCorrectsThem) {
    const Bitmap leaning = Bands(640, 480, 2, 0.2);
    const Lean lean = MeasureLean(leaning);
    ASSERT_TRUE(lean.enoughLines);
    EXPECT_NEAR(lean.tiltDegrees, 2, 0.3);
    EXPECT_NEAR(lean.keystone, 0.2, 0.03);

    const Bitmap corrected = ApplyStraighten(leaning, lean);
    EXPECT_LE(corrected.Width(), 640);
    EXPECT_LE(corrected.Height(), 480);
    EXPECT_GT(corrected.Width() * corrected.Height(), 640 * 480 / 2);
    const Lean after = MeasureLean(corrected);
    ASSERT_TRUE(after.enoughLines);
    EXPECT_NEAR(after.tiltDegrees, 0, 0.3);
    EXPECT_NEAR(after.keystone, 0, 0.03);
}

TEST(Straighten, HorizontalsStandInForTooFewVerticals) {
    // The bands turned a quarter: only horizontals.
    const Bitmap upright = Bands(480, 640, 3, 0);
    Bitmap lying(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) lying.SetPixel(x, y, upright.Pixel(y, 639 - x));
    const Lean lean = MeasureLean(lying);
    ASSERT_TRUE(lean.enoughLines);
    EXPECT_TRUE(lean.fromHorizontals);
    EXPECT_NEAR(lean.tiltDegrees, 3, 0.1);
    EXPECT_EQ(lean.keystone, 0);
}

TEST(Straighten, TooFewLinesChangesNothing) {
    // Soft round blobs: edges everywhere, none of them straight.
    Bitmap blobs(400, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            const double v = 128 + 60 * std::sin(x * 0.05) * std::cos(y * 0.07);
            blobs.SetPixel(x, y, {static_cast<std::uint8_t>(v), 90, 30});
        }
    const Lean lean = MeasureLean(blobs);
    EXPECT_FALSE(lean.enoughLines);
    EXPECT_EQ(lean.tiltDegrees, 0);
    EXPECT_EQ(ApplyStraighten(blobs, lean), blobs);
    EXPECT_FALSE(MeasureLean(Bitmap(64, 64)).enoughLines);
}

TEST(Straighten, LinesLeaningFarBeyondTheCapAreNotTrusted) {
    // 9 degrees is measured as it is (the correction is capped later);
    // 14 degrees is no photo's verticals turned a little.
    const Lean nine = MeasureLean(Bands(400, 300, 9, 0));
    ASSERT_TRUE(nine.enoughLines);
    EXPECT_NEAR(nine.tiltDegrees, 9, 0.1);
    EXPECT_FALSE(MeasureLean(Bands(400, 300, 14, 0)).enoughLines);
}

TEST(Straighten, StrengthIsCappedWhateverWasMeasured) {
    Lean wild;
    wild.enoughLines = true;
    wild.tiltDegrees = -30;
    wild.keystone = 3;
    const StraightenPlan plan = PlanStraighten(600, 400, wild);
    EXPECT_NEAR(plan.rotation, kMaxTiltDegrees * kDegree, 1e-12);
    // No corner of the turned picture moves by more than 15 % of the side
    // through the keystone: the depth factor stays above 1 / 1.3.
    for (const double x : {0.0, 600.0})
        for (const double y : {0.0, 400.0}) {
            const double px = x - 300, py = y - 200;
            const double ry = px * std::sin(plan.rotation) + py * std::cos(plan.rotation);
            EXPECT_GE(1 + plan.perspective * ry, 1 / 1.3 - 1e-9);
        }
    EXPECT_LE(plan.width, 600);
    EXPECT_LE(plan.height, 400);
}

TEST(Straighten, CropHoldsOnlyPicturePixels) {
    Lean lean;
    lean.enoughLines = true;
    lean.tiltDegrees = 5;
    lean.keystone = -0.3;
    const StraightenPlan plan = PlanStraighten(800, 500, lean);
    // Every corner of the result comes from inside the picture, and the
    // two maps undo each other.
    for (const double x : {0.0, double(plan.width)})
        for (const double y : {0.0, double(plan.height)}) {
            const auto [sx, sy] = plan.ToSource(x, y);
            EXPECT_GE(sx, -1e-6);
            EXPECT_LE(sx, 800 + 1e-6);
            EXPECT_GE(sy, -1e-6);
            EXPECT_LE(sy, 500 + 1e-6);
            const auto [rx, ry] = plan.ToResult(sx, sy);
            EXPECT_NEAR(rx, x, 1e-6);
            EXPECT_NEAR(ry, y, 1e-6);
        }
    // Not a sliver: a turn of 5 degrees keeps most of the picture.
    EXPECT_GT(plan.width * plan.height, 800 * 500 / 2);
}

TEST(Straighten, NoCorrectionCopiesThePixelsExactly) {
    const Bitmap bands = Bands(90, 70, 1, 0);
    Lean none;
    none.enoughLines = true;
    EXPECT_EQ(ApplyStraighten(bands, none), bands);
    // The area alone, of a picture of any layout.
    Bitmap grey(90, 70, PixelFormat::Indexed8);
    grey.SetGreyColorTable();
    const Bitmap part = ApplyStraighten(grey, Rect{10, 5, 60, 45}, none);
    EXPECT_EQ(part.Width(), 50);
    EXPECT_EQ(part.Height(), 40);
    EXPECT_THROW(ApplyStraighten(grey, Rect{10, 5, 91, 45}, none), AssertionFailure);
}

TEST(LineSegments, FollowsAnEdgeAcrossThePixelStaircase) {
    // One soft edge 1 degree off vertical: one segment the whole height,
    // not pieces between the steps.
    const Bitmap edge = Bands(80, 300, 1, 0);
    const GreyPicture grey = ReducedGrey(edge, Rect{0, 0, 80, 300}, 1);
    const std::vector<LineSegment> segments = DetectLineSegments(grey);
    ASSERT_FALSE(segments.empty());
    EXPECT_GT(segments.front().length, 280);
    const LineSegment& s = segments.front();
    EXPECT_NEAR(std::abs(std::atan2(s.x1 - s.x0, s.y1 - s.y0)) / kDegree, 179, 0.2);
}

TEST(LineSegments, ReducedGreyAveragesBlocksAndRefusesBadInput) {
    Bitmap b(5, 3);
    b.FillRect(Rect{0, 0, 2, 2}, {255, 255, 255});
    const GreyPicture grey = ReducedGrey(b, Rect{0, 0, 5, 3}, 2);
    ASSERT_EQ(grey.width, 3);
    ASSERT_EQ(grey.height, 2);
    EXPECT_NEAR(grey.levels[0], 255, 1e-3);
    EXPECT_NEAR(grey.levels[1], 0, 1e-3);
    EXPECT_THROW(ReducedGrey(b, Rect{0, 0, 6, 3}, 1), AssertionFailure);
    EXPECT_THROW(ReducedGrey(b, Rect{0, 0, 5, 3}, 0), AssertionFailure);
}

}  // namespace
}  // namespace pictorel
