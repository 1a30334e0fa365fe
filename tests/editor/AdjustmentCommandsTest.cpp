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
        for (int i = 0; i < times; ++i) doc.Brighten();
    }
};

TEST_F(Adjustments, BrightnessRoundsHalvesToEvenAndClamps) {
    // The work view's first pixels carry 1, 3, 5 and 200 (no frame: the
    // rendering is the work view itself).
    LoadSquare(doc, Flat(400, Color{0, 0, 0}));
    doc.WorkView.SetPixel(0, 0, Color{1, 3, 5});
    doc.WorkView.SetPixel(1, 0, Color{200, 100, 0});
    Brighter(10);
    EXPECT_EQ(doc.Brightness, 50);
    EXPECT_EQ(doc.Result->Pixel(0, 0), (Color{2, 4, 8}));
    EXPECT_EQ(doc.Result->Pixel(1, 0), (Color{255, 150, 0}));
    EXPECT_FALSE(doc.Busy);
}

TEST_F(Adjustments, FactorsNeverCompound) {
    LoadSquare(doc, PatternSquare(400));
    const Bitmap plain = *doc.Result;
    Brighter(2);  // level 10: factor 1.10 on a fresh rendering
    EXPECT_EQ(doc.Brightness, 10);
    for (int x = 0; x < 400; x += 37) {
        const Color p = plain.Pixel(x, 123), b = doc.Result->Pixel(x, 123);
        const long double f = 1.1;  // the double nearest 1.10
        EXPECT_EQ(b.r, std::min(255, RoundHalfEven(p.r * f))) << x;
        EXPECT_EQ(b.g, std::min(255, RoundHalfEven(p.g * f))) << x;
        EXPECT_EQ(b.b, std::min(255, RoundHalfEven(p.b * f))) << x;
    }
    // Darker back to 5 equals one brighter from the plain rendering.
    doc.Darken();
    const Bitmap viaDarker = *doc.Result;
    doc.ResetAdjustments();
    EXPECT_EQ(*doc.Result, plain);
    doc.Brighten();
    EXPECT_EQ(*doc.Result, viaDarker);
}

TEST_F(Adjustments, LevelLimitsDoNothingNotEvenARender) {
    LoadSquare(doc, Flat(400, Color{100, 100, 100}));
    Brighter(25);
    EXPECT_EQ(doc.Brightness, 100);
    EXPECT_EQ(doc.Result->Pixel(5, 5), (Color{200, 200, 200}));
    doc.Result->SetPixel(0, 0, Color{1, 1, 1});
    doc.Brighten();  // at 100: untouched
    EXPECT_EQ(doc.Result->Pixel(0, 0), (Color{1, 1, 1}));

    doc.ResetAdjustments();
    EXPECT_EQ(doc.Brightness, 0);
    doc.Result->SetPixel(0, 0, Color{1, 1, 1});
    doc.Darken();  // at 0: untouched
    EXPECT_EQ(doc.Result->Pixel(0, 0), (Color{1, 1, 1}));

    doc.Brighten();
    doc.Darken();  // 5 -> 0: re-render, no factor
    EXPECT_EQ(doc.Brightness, 0);
    EXPECT_EQ(*doc.Result, doc.WorkView);
}

TEST_F(Adjustments, BusyStopsBrightnessAndUndoButNotRotateOrSharpen) {
    LoadSquare(doc, PatternSquare(400));
    doc.Busy = true;
    doc.Brighten();
    doc.ResetAdjustments();
    EXPECT_EQ(doc.Brightness, 0);
    const Bitmap before = doc.WorkView;
    doc.Sharpen();
    EXPECT_NE(*doc.Result, before);  // sharpened
    doc.TurnClockwise();
    EXPECT_NE(doc.WorkView, before);  // rotated
}

TEST_F(Adjustments, DisabledPanelIgnoresEveryAdjustment) {
    // Nothing loaded: the adjustments are disabled, as after a failed load.
    doc.Brighten();
    doc.TurnClockwise();
    doc.Sharpen();
    EXPECT_EQ(doc.Brightness, 0);
    EXPECT_FALSE(doc.Result);
    EXPECT_EQ(doc.Save(), EditorExit::None);
    EXPECT_EQ(doc.Exit, EditorExit::None);
}

TEST_F(Adjustments, SharpenMatchesTheWorkedExample) {
    Bitmap square = Flat(400, Color{50, 50, 50});
    LoadSquare(doc, square);
    doc.Result->SetPixel(200, 200, Color{100, 100, 100});
    doc.Sharpen();
    const Bitmap& r = *doc.Result;
    EXPECT_EQ(r.Pixel(200, 200), (Color{125, 125, 125}));
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            EXPECT_EQ(r.Pixel(200 + dx, 200 + dy), (Color{46, 46, 46}));
        }
    }
    EXPECT_EQ(r.Pixel(202, 200), (Color{50, 50, 50}));  // flat area unchanged
    EXPECT_EQ(r.Pixel(0, 0), (Color{50, 50, 50}));      // edge pixels repeat
    EXPECT_EQ(r.Format(), PixelFormat::pf24bit);

    doc.Sharpen();  // sharpens again
    EXPECT_NE(doc.Result->Pixel(200, 200), (Color{125, 125, 125}));
    doc.Brighten();  // brighter shows the brightened plain crop: flat again
    EXPECT_EQ(doc.Result->Pixel(200, 200), doc.Result->Pixel(10, 10));
    EXPECT_EQ(doc.Result->Pixel(201, 201), doc.Result->Pixel(10, 10));
    EXPECT_NE(doc.Result->Pixel(10, 10), (Color{50, 50, 50}));
}

TEST_F(Adjustments, RotateFourTimesRestoresAndKeepsTheFrame) {
    LoadSquare(doc, PatternSquare(800));
    crop.BeginDraw(40, 60);
    crop.DrawTo(140, 160);
    crop.EndDraw();
    const Bitmap org = doc.WorkSquare, view = doc.WorkView, result = *doc.Result;
    const Bounds frame = doc.CropFrame;
    doc.TurnClockwise();
    EXPECT_EQ(doc.CropFrame, frame);
    EXPECT_NE(*doc.Result, result);  // the frame now shows another part
    // One turn clockwise: the old bottom-left corner is now the top-left.
    EXPECT_EQ(doc.WorkSquare.Pixel(0, 0), org.Pixel(0, 799));
    EXPECT_EQ(doc.WorkSquare.Pixel(799, 0), org.Pixel(0, 0));
    for (int i = 0; i < 3; ++i) doc.TurnClockwise();
    EXPECT_EQ(doc.WorkSquare, org);
    EXPECT_EQ(doc.WorkView, view);
    EXPECT_EQ(*doc.Result, result);
}

TEST_F(Adjustments, UndoKeepsRotationAndCropButDropsTheRest) {
    LoadSquare(doc, PatternSquare(400));
    crop.BeginDraw(100, 100);
    crop.DrawTo(300, 300);
    crop.EndDraw();
    doc.TurnClockwise();
    const Bitmap rotatedCrop = *doc.Result;
    doc.Brighten();
    doc.Sharpen();
    EXPECT_NE(*doc.Result, rotatedCrop);
    doc.ResetAdjustments();
    EXPECT_EQ(doc.Brightness, 0);
    EXPECT_EQ(*doc.Result, rotatedCrop);
}

TEST_F(Adjustments, EndingButtonsGiveTheirResults) {
    LoadSquare(doc, PatternSquare(400));
    EXPECT_EQ(doc.Save(), EditorExit::Save);
    EXPECT_EQ(doc.StopAll(), EditorExit::StopAll);
    EXPECT_EQ(doc.Exit, EditorExit::StopAll);
    EXPECT_EQ(doc.Skip(), EditorExit::Skip);
    EXPECT_EQ(doc.CloseWindow(), EditorExit::Closed);
}

}  // namespace
}  // namespace pictorel
