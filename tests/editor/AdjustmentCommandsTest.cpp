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
        for (int i = 0; i < times; ++i) doc.SpeedButton2Click();
    }
};

TEST_F(Adjustments, BrightnessRoundsHalvesToEvenAndClamps) {
    // The work view's first pixels carry 1, 3, 5 and 200 (no frame: the
    // rendering is the work view itself).
    LoadSquare(doc, Flat(400, Color{0, 0, 0}));
    doc.Image1.SetPixel(0, 0, Color{1, 3, 5});
    doc.Image1.SetPixel(1, 0, Color{200, 100, 0});
    Brighter(10);
    EXPECT_EQ(doc.Brightness, 50);
    EXPECT_EQ(doc.Image2->Pixel(0, 0), (Color{2, 4, 8}));
    EXPECT_EQ(doc.Image2->Pixel(1, 0), (Color{255, 150, 0}));
    EXPECT_FALSE(doc.Busy);
}

TEST_F(Adjustments, FactorsNeverCompound) {
    LoadSquare(doc, PatternSquare(400));
    const Bitmap plain = *doc.Image2;
    Brighter(2);  // level 10: factor 1.10 on a fresh rendering
    EXPECT_EQ(doc.Brightness, 10);
    for (int x = 0; x < 400; x += 37) {
        const Color p = plain.Pixel(x, 123), b = doc.Image2->Pixel(x, 123);
        const long double f = 1.1;  // the double nearest 1.10
        EXPECT_EQ(b.r, std::min(255, RoundHalfEven(p.r * f))) << x;
        EXPECT_EQ(b.g, std::min(255, RoundHalfEven(p.g * f))) << x;
        EXPECT_EQ(b.b, std::min(255, RoundHalfEven(p.b * f))) << x;
    }
    // Darker back to 5 equals one brighter from the plain rendering.
    doc.SpeedButton3Click();
    const Bitmap viaDarker = *doc.Image2;
    doc.SpeedButton4Click();
    EXPECT_EQ(*doc.Image2, plain);
    doc.SpeedButton2Click();
    EXPECT_EQ(*doc.Image2, viaDarker);
}

TEST_F(Adjustments, LevelLimitsDoNothingNotEvenARender) {
    LoadSquare(doc, Flat(400, Color{100, 100, 100}));
    Brighter(25);
    EXPECT_EQ(doc.Brightness, 100);
    EXPECT_EQ(doc.Image2->Pixel(5, 5), (Color{200, 200, 200}));
    doc.Image2->SetPixel(0, 0, Color{1, 1, 1});
    doc.SpeedButton2Click();  // at 100: untouched
    EXPECT_EQ(doc.Image2->Pixel(0, 0), (Color{1, 1, 1}));

    doc.SpeedButton4Click();
    EXPECT_EQ(doc.Brightness, 0);
    doc.Image2->SetPixel(0, 0, Color{1, 1, 1});
    doc.SpeedButton3Click();  // at 0: untouched
    EXPECT_EQ(doc.Image2->Pixel(0, 0), (Color{1, 1, 1}));

    doc.SpeedButton2Click();
    doc.SpeedButton3Click();  // 5 -> 0: re-render, no factor
    EXPECT_EQ(doc.Brightness, 0);
    EXPECT_EQ(*doc.Image2, doc.Image1);
}

TEST_F(Adjustments, BusyStopsBrightnessAndUndoButNotRotateOrSharpen) {
    LoadSquare(doc, PatternSquare(400));
    doc.Busy = true;
    doc.SpeedButton2Click();
    doc.SpeedButton4Click();
    EXPECT_EQ(doc.Brightness, 0);
    const Bitmap before = doc.Image1;
    doc.SpeedButton7Click();
    EXPECT_NE(*doc.Image2, before);  // sharpened
    doc.SpeedButton6Click();
    EXPECT_NE(doc.Image1, before);  // rotated
}

TEST_F(Adjustments, DisabledPanelIgnoresEveryAdjustment) {
    // Nothing loaded: Panel8 is disabled, as after a failed load.
    doc.SpeedButton2Click();
    doc.SpeedButton6Click();
    doc.SpeedButton7Click();
    EXPECT_EQ(doc.Brightness, 0);
    EXPECT_FALSE(doc.Image2);
    EXPECT_EQ(doc.BitBtnOKClick(), 0);
    EXPECT_EQ(doc.ModalResult, 0);
}

TEST_F(Adjustments, SharpenMatchesTheWorkedExample) {
    Bitmap square = Flat(400, Color{50, 50, 50});
    LoadSquare(doc, square);
    doc.Image2->SetPixel(200, 200, Color{100, 100, 100});
    doc.SpeedButton7Click();
    const Bitmap& r = *doc.Image2;
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

    doc.SpeedButton7Click();  // sharpens again
    EXPECT_NE(doc.Image2->Pixel(200, 200), (Color{125, 125, 125}));
    doc.SpeedButton2Click();  // brighter shows the brightened plain crop: flat again
    EXPECT_EQ(doc.Image2->Pixel(200, 200), doc.Image2->Pixel(10, 10));
    EXPECT_EQ(doc.Image2->Pixel(201, 201), doc.Image2->Pixel(10, 10));
    EXPECT_NE(doc.Image2->Pixel(10, 10), (Color{50, 50, 50}));
}

TEST_F(Adjustments, RotateFourTimesRestoresAndKeepsTheFrame) {
    LoadSquare(doc, PatternSquare(800));
    doc.Image1MouseDown(40, 60);
    doc.Image1MouseMove(140, 160);
    doc.Image1MouseUp(140, 160);
    const Bitmap org = doc.OrgImage, view = doc.Image1, result = *doc.Image2;
    const Bounds frame = doc.Shape1;
    doc.SpeedButton6Click();
    EXPECT_EQ(doc.Shape1, frame);
    EXPECT_NE(*doc.Image2, result);  // the frame now shows another part
    // One turn clockwise: the old bottom-left corner is now the top-left.
    EXPECT_EQ(doc.OrgImage.Pixel(0, 0), org.Pixel(0, 799));
    EXPECT_EQ(doc.OrgImage.Pixel(799, 0), org.Pixel(0, 0));
    for (int i = 0; i < 3; ++i) doc.SpeedButton6Click();
    EXPECT_EQ(doc.OrgImage, org);
    EXPECT_EQ(doc.Image1, view);
    EXPECT_EQ(*doc.Image2, result);
}

TEST_F(Adjustments, UndoKeepsRotationAndCropButDropsTheRest) {
    LoadSquare(doc, PatternSquare(400));
    doc.Image1MouseDown(100, 100);
    doc.Image1MouseMove(300, 300);
    doc.Image1MouseUp(300, 300);
    doc.SpeedButton6Click();
    const Bitmap rotatedCrop = *doc.Image2;
    doc.SpeedButton2Click();
    doc.SpeedButton7Click();
    EXPECT_NE(*doc.Image2, rotatedCrop);
    doc.SpeedButton4Click();
    EXPECT_EQ(doc.Brightness, 0);
    EXPECT_EQ(*doc.Image2, rotatedCrop);
}

TEST_F(Adjustments, EndingButtonsGiveTheirResults) {
    LoadSquare(doc, PatternSquare(400));
    EXPECT_EQ(doc.BitBtnOKClick(), 1);
    EXPECT_EQ(doc.SpeedButton1Click(), 3);
    EXPECT_EQ(doc.ModalResult, 3);
    EXPECT_EQ(doc.CloseFormExecute(), -1);
    EXPECT_EQ(doc.CloseBoxClick(), 2);
}

}  // namespace
}  // namespace pictorel
