#include <gtest/gtest.h>

#include "editor/EditorFixture.h"
#include "editor/EditorModel.h"

namespace pictorel {
namespace {

using test::LoadSquare;
using test::PatternSquare;

Bitmap Flat(int side, Color c) {
    Bitmap b(side, side);
    b.FillRect(Rect{0, 0, side, side}, c);
    return b;
}

// Rounds halves to even by hand, for the brightness reference. Products are
// formed in extended precision with the factor as a double, as the editor does.
int RoundHalfEven(long double v) {
    const int lower = static_cast<int>(v);
    const long double frac = v - lower;
    if (frac > 0.5) return lower + 1;
    if (frac < 0.5) return lower;
    return lower % 2 == 0 ? lower : lower + 1;
}

class Adjustments : public ::testing::Test, public test::EditorFixtureBase {
  protected:
    void Brighter(int times) {
        for (int i = 0; i < times; ++i) model.Brighten();
    }
};

TEST_F(Adjustments, BrightnessRoundsHalvesToEvenAndClamps) {
    // The work view's first pixels carry 1, 3, 5 and 200 (no frame: the
    // rendering is the work view itself).
    Bitmap square = Flat(400, Color{0, 0, 0});
    square.SetPixel(0, 0, Color{1, 3, 5});
    square.SetPixel(1, 0, Color{200, 100, 0});
    LoadSquare(model, square, square);
    Brighter(10);
    EXPECT_EQ(model.Brightness(), 50);
    EXPECT_EQ(model.Result()->Pixel(0, 0), (Color{2, 4, 8}));
    EXPECT_EQ(model.Result()->Pixel(1, 0), (Color{255, 150, 0}));
}

TEST_F(Adjustments, FactorsNeverCompound) {
    LoadSquare(model, PatternSquare(400));
    const Bitmap plain = *model.Result();
    Brighter(2);  // level 10: factor 1.10 on a fresh rendering
    EXPECT_EQ(model.Brightness(), 10);
    for (int x = 0; x < 400; x += 37) {
        const Color p = plain.Pixel(x, 123), b = model.Result()->Pixel(x, 123);
        const long double f = 1.1;  // the double nearest 1.10
        EXPECT_EQ(b.r, std::min(255, RoundHalfEven(p.r * f))) << x;
        EXPECT_EQ(b.g, std::min(255, RoundHalfEven(p.g * f))) << x;
        EXPECT_EQ(b.b, std::min(255, RoundHalfEven(p.b * f))) << x;
    }
    // Darker back to 5 equals one brighter from the plain rendering.
    model.Darken();
    const Bitmap viaDarker = *model.Result();
    model.ResetAdjustments();
    EXPECT_EQ(*model.Result(), plain);
    model.Brighten();
    EXPECT_EQ(*model.Result(), viaDarker);
}

TEST_F(Adjustments, LevelLimitsDoNothingNotEvenARender) {
    LoadSquare(model, Flat(400, Color{100, 100, 100}));
    Brighter(25);
    EXPECT_EQ(model.Brightness(), 100);
    EXPECT_EQ(model.Result()->Pixel(5, 5), (Color{200, 200, 200}));
    // A grid drawn over the result shows whether a step renders again.
    model.ApplyEffect(Effect::Grid);
    Bitmap marked = *model.Result();
    model.Brighten();  // at 100: untouched
    EXPECT_EQ(*model.Result(), marked);

    model.ResetAdjustments();
    EXPECT_EQ(model.Brightness(), 0);
    model.ApplyEffect(Effect::Grid);
    marked = *model.Result();
    model.Darken();  // at 0: untouched
    EXPECT_EQ(*model.Result(), marked);

    model.Brighten();
    model.Darken();  // 5 -> 0: re-render, no factor
    EXPECT_EQ(model.Brightness(), 0);
    EXPECT_EQ(*model.Result(), model.WorkView());
}

TEST_F(Adjustments, DisabledPanelIgnoresEveryAdjustment) {
    // Nothing loaded: the adjustments are disabled, as after a failed load.
    model.Brighten();
    model.TurnClockwise();
    model.Sharpen();
    EXPECT_EQ(model.Brightness(), 0);
    EXPECT_FALSE(model.Result());
    EXPECT_EQ(model.Save(), EditorExit::None);
    EXPECT_EQ(model.Exit(), EditorExit::None);
}

TEST_F(Adjustments, SharpenMatchesTheWorkedExample) {
    Bitmap square = Flat(400, Color{50, 50, 50});
    square.SetPixel(200, 200, Color{100, 100, 100});
    LoadSquare(model, square, square);
    model.Sharpen();
    const Bitmap& r = *model.Result();
    EXPECT_EQ(r.Pixel(200, 200), (Color{125, 125, 125}));
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            EXPECT_EQ(r.Pixel(200 + dx, 200 + dy), (Color{46, 46, 46}));
        }
    }
    EXPECT_EQ(r.Pixel(202, 200), (Color{50, 50, 50}));  // flat area unchanged
    EXPECT_EQ(r.Pixel(0, 0), (Color{50, 50, 50}));      // edge pixels repeat
    EXPECT_EQ(r.Format(), PixelFormat::Bgr24);

    model.Sharpen();  // sharpens again
    EXPECT_NE(model.Result()->Pixel(200, 200), (Color{125, 125, 125}));
    model.Brighten();  // brighter shows the brightened plain view: no sharpening left
    EXPECT_EQ(model.Result()->Pixel(200, 200), (Color{105, 105, 105}));
    EXPECT_EQ(model.Result()->Pixel(201, 201), model.Result()->Pixel(10, 10));
    EXPECT_NE(model.Result()->Pixel(10, 10), (Color{50, 50, 50}));
}

TEST_F(Adjustments, RotateFourTimesRestoresAndKeepsTheFrame) {
    LoadSquare(model, PatternSquare(800));
    crop.BeginDraw({40, 60});
    crop.DrawTo({140, 160});
    crop.EndDraw();
    const Bitmap org = model.WorkSquare(), view = model.WorkView(), result = *model.Result();
    const Rect frame = model.Crop().Area();
    model.TurnClockwise();
    EXPECT_EQ(model.Crop().Area(), frame);
    EXPECT_NE(*model.Result(), result);  // the frame now shows another part
    // One turn clockwise: the old bottom-left corner is now the top-left.
    EXPECT_EQ(model.WorkSquare().Pixel(0, 0), org.Pixel(0, 799));
    EXPECT_EQ(model.WorkSquare().Pixel(799, 0), org.Pixel(0, 0));
    for (int i = 0; i < 3; ++i) model.TurnClockwise();
    EXPECT_EQ(model.WorkSquare(), org);
    EXPECT_EQ(model.WorkView(), view);
    EXPECT_EQ(*model.Result(), result);
}

TEST_F(Adjustments, UndoKeepsRotationAndCropButDropsTheRest) {
    LoadSquare(model, PatternSquare(400));
    crop.BeginDraw({100, 100});
    crop.DrawTo({300, 300});
    crop.EndDraw();
    model.TurnClockwise();
    const Bitmap rotatedCrop = *model.Result();
    model.Brighten();
    model.Sharpen();
    EXPECT_NE(*model.Result(), rotatedCrop);
    model.ResetAdjustments();
    EXPECT_EQ(model.Brightness(), 0);
    EXPECT_EQ(*model.Result(), rotatedCrop);
}

TEST_F(Adjustments, EndingButtonsGiveTheirResults) {
    LoadSquare(model, PatternSquare(400));
    EXPECT_EQ(model.Save(), EditorExit::Save);
    EXPECT_EQ(model.StopAll(), EditorExit::StopAll);
    EXPECT_EQ(model.Exit(), EditorExit::StopAll);
    EXPECT_EQ(model.Skip(), EditorExit::Skip);
    EXPECT_EQ(model.CloseWindow(), EditorExit::Closed);
}

}  // namespace
}  // namespace pictorel
