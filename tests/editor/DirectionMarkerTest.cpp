#include <gtest/gtest.h>

#include "base/Limits.h"
#include "editor/EditorFixture.h"
#include "editor/EditorModel.h"
#include "formats/PictureWriter.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

using test::LoadSquare;
using Cursor = EditorModel::Cursor;

constexpr Color kOlive{128, 128, 0};
constexpr Color kGrey{90, 90, 90};

class DirectionMarker : public ::testing::Test, public test::EditorFixtureBase {
  protected:
    Bitmap Drawing(int side) {
        Bitmap b(side, side);
        b.FillRect(Rect{0, 0, side, side}, kOlive);
        doc.DrawCompass(b, Point{0, 0});
        return b;
    }
    void LoadGrey() {
        Bitmap square(400, 400);
        square.FillRect(Rect{0, 0, 400, 400}, kGrey);
        LoadSquare(doc, square);
    }
    void Show() {
        doc.SBtnDirectionDown = true;
        doc.SBtnDirectionClick();
    }
};

TEST_F(DirectionMarker, CompassPointsOfTheDefaultMarker) {
    Bitmap b = Drawing(100);
    ASSERT_EQ(doc.DirectionPoints.size(), 24u);
    EXPECT_EQ(doc.DirectionPoints[0], (Point{50, 6}));
    EXPECT_EQ(doc.DirectionPoints[11], (Point{39, 93}));
    EXPECT_EQ(doc.DirectionPoints[13], (Point{61, 93}));
    EXPECT_EQ(doc.DirectionPoints[6], (Point{6, 50}));
    EXPECT_EQ(doc.DirectionPoints[12], (Point{50, 94}));
    EXPECT_EQ(doc.DirectionPoints[18], (Point{94, 50}));
    EXPECT_EQ(doc.DirectionPoints[23], (Point{61, 7}));
}

TEST_F(DirectionMarker, DrawingIsRingDiscAndFilledNeedle) {
    Bitmap b = Drawing(100);
    EXPECT_EQ(b.Pixel(50, 50), kBlack);  // the centre lies inside the needle
    EXPECT_EQ(b.Pixel(50, 20), kBlack);  // needle towards the tip
    EXPECT_EQ(b.Pixel(50, 90), kBlack);  // near the base
    EXPECT_EQ(b.Pixel(20, 50), kWhite);  // disc beside the needle
    EXPECT_EQ(b.Pixel(80, 30), kWhite);
    EXPECT_EQ(b.Pixel(2, 50), kBlack);  // ring at radius 48
    EXPECT_EQ(b.Pixel(98, 50), kBlack);
    EXPECT_EQ(b.Pixel(50, 98), kBlack);
    EXPECT_EQ(b.Pixel(0, 99), kOlive);  // outside the ring
    EXPECT_EQ(b.Pixel(5, 5), kOlive);

    doc.DirectionIndex = 6;  // needle pointing left
    Bitmap left = Drawing(100);
    EXPECT_EQ(left.Pixel(20, 50), kBlack);
    EXPECT_EQ(left.Pixel(50, 20), kWhite);
}

TEST_F(DirectionMarker, TurningWrapsAroundBothWays) {
    doc.SBtnRightTurnClick();
    EXPECT_EQ(doc.DirectionIndex, 23);
    EXPECT_EQ(doc.DirectionPoints[23], (Point{61, 7}));  // the 100 x 100 drawing
    doc.SBtnLeftTurnClick();
    EXPECT_EQ(doc.DirectionIndex, 0);
    for (int i = 0; i < 23; ++i) doc.SBtnLeftTurnClick();
    EXPECT_EQ(doc.DirectionIndex, 23);
    doc.SBtnLeftTurnClick();
    EXPECT_EQ(doc.DirectionIndex, 0);
}

TEST_F(DirectionMarker, MarkerIsTheDrawingReducedAndRedrawnOnATurn) {
    doc.DrawDirectionMarker();
    const Bitmap up = doc.ImageDirectionPicture;
    EXPECT_EQ(up, ResampleBitmap(Drawing(100), 50, 50));
    EXPECT_EQ(doc.DirectionTransparentColor(), kOlive);
    doc.SBtnLeftTurnClick();
    EXPECT_NE(doc.ImageDirectionPicture, up);
    EXPECT_EQ(doc.ImageDirectionPicture.Width(), 50);
}

TEST_F(DirectionMarker, DrawingKeepsTheMarkersVisibility) {
    Show();
    doc.DrawDirectionMarker();
    EXPECT_TRUE(doc.ImageDirectionVisible);
    doc.SBtnDirectionDown = false;
    doc.SBtnDirectionClick();
    doc.DrawDirectionMarker();
    EXPECT_FALSE(doc.ImageDirectionVisible);
}

TEST_F(DirectionMarker, ToggleShowsMarkerAndTurnButtonsWithItsCaption) {
    Show();
    EXPECT_TRUE(doc.ImageDirectionVisible);
    EXPECT_TRUE(doc.TurnButtonsVisible);
    EXPECT_EQ(doc.SBtnDirectionCaption, "方角を消去");
    EXPECT_EQ(doc.SBtnDirectionFontColor, (Color{128, 0, 0}));
    doc.SBtnDirectionDown = false;
    doc.SBtnDirectionClick();
    EXPECT_FALSE(doc.ImageDirectionVisible);
    EXPECT_FALSE(doc.TurnButtonsVisible);
    EXPECT_EQ(doc.SBtnDirectionCaption, "方角を表示");
    EXPECT_FALSE(doc.SBtnDirectionFontColor);
}

TEST_F(DirectionMarker, HoverShowsTheFrameOverTheMarkerAndLeavingHidesIt) {
    Show();
    doc.ImageDirectionMouseMove();
    EXPECT_TRUE(doc.ShapeDirectionVisible);
    EXPECT_EQ(doc.ShapeDirection, (Bounds{177, 177, 50, 50}));
    doc.ShapeDirectionMouseMove(48, 2);
    EXPECT_EQ(doc.ShapeDirectionCursor, Cursor::SizeNESW);
    EXPECT_TRUE(doc.ShapeDirectionVisible);
    doc.ShapeDirectionMouseMove(51, 20);  // beyond the frame (captured pointer)
    EXPECT_FALSE(doc.ShapeDirectionVisible);
    doc.ImageDirectionMouseMove();
    doc.Shape2MouseMove();
    EXPECT_FALSE(doc.ShapeDirectionVisible);
}

TEST_F(DirectionMarker, DraggingMovesAndResizesTheMarker) {
    Show();
    doc.ImageDirectionMouseMove();
    doc.ShapeDirectionMouseDown(25, 25);  // middle: move
    EXPECT_TRUE(doc.Moving);
    doc.ShapeDirectionMouseMove(35, 15);
    doc.ShapeDirectionMouseUp(35, 15);
    EXPECT_EQ(doc.ImageDirection, (Bounds{187, 167, 50, 50}));
    EXPECT_FALSE(doc.ShapeDirectionVisible);
    EXPECT_FALSE(doc.Moving);

    doc.ImageDirectionMouseMove();
    doc.ShapeDirectionMouseDown(49, 49);  // bottom-right: resize from (187, 167)
    doc.ShapeDirectionMouseMove(79, 59);  // pointer at (266, 226): side 79
    doc.ShapeDirectionMouseUp(79, 59);
    EXPECT_EQ(doc.ImageDirection, (Bounds{187, 167, 79, 79}));
    EXPECT_EQ(doc.ImageDirectionPicture.Width(), 79);
    EXPECT_EQ(doc.ImageDirectionPicture.Height(), 79);
    EXPECT_TRUE(doc.ImageDirectionVisible);
}

TEST_F(DirectionMarker, SizeStaysWithinTheLimitsSoDrawingNeverFails) {
    Show();
    doc.ImageDirectionMouseMove();
    doc.ShapeDirectionMouseDown(49, 49);
    doc.ShapeDirectionMouseMove(0, 0);  // back onto the anchor: side 0
    EXPECT_EQ(doc.ShapeDirection.width, 0);
    EXPECT_NO_THROW(doc.ShapeDirectionMouseUp(0, 0));
    EXPECT_EQ(doc.ImageDirection.width, limits::kMinMarkerSide);
    EXPECT_EQ(doc.ImageDirectionPicture.Width(), limits::kMinMarkerSide);

    doc.SetDirectionBounds(Bounds{0, 0, 100000, 100000});
    EXPECT_EQ(doc.ImageDirection.width, limits::kMaxMarkerSide);
    doc.ImageDirection = {0, 0, -5, 0};  // even a bad size set directly draws
    EXPECT_NO_THROW(doc.DrawDirectionMarker());
}

TEST_F(DirectionMarker, MouseOnTheFrameIsIgnoredWhileBusy) {
    Show();
    doc.ImageDirectionMouseMove();
    doc.Busy = true;
    doc.ShapeDirectionMouseDown(25, 25);
    doc.ShapeDirectionMouseMove(40, 40);
    doc.ShapeDirectionMouseUp(40, 40);
    EXPECT_FALSE(doc.Moving);
    EXPECT_TRUE(doc.ShapeDirectionVisible);
    EXPECT_EQ(doc.ImageDirection, (Bounds{177, 177, 50, 50}));
}

TEST_F(DirectionMarker, SaveStampsAShownMarkerWithoutItsBackground) {
    LoadGrey();
    Show();
    doc.DrawDirectionMarker();
    EXPECT_EQ(doc.BitBtnOKClick(), 1);
    const Bitmap& r = *doc.Image2;
    // Marker at Panel2 (177, 177) is at (175, 175) on the result view.
    EXPECT_EQ(r.Pixel(200, 200), doc.ImageDirectionPicture.Pixel(25, 25));
    EXPECT_NE(r.Pixel(200, 200), kGrey);
    EXPECT_EQ(r.Pixel(175, 175), kGrey);  // transparent corner
    EXPECT_EQ(r.Pixel(174, 200), kGrey);  // beside the marker
    int changed = 0;
    for (int y = 175; y < 225; ++y)
        for (int x = 175; x < 225; ++x) changed += r.Pixel(x, y) != kGrey;
    EXPECT_GT(changed, 1500);  // most of the disc (pi * 24^2 = 1810)
}

TEST_F(DirectionMarker, StampIsClippedAndAHiddenMarkerIsNotStamped) {
    LoadGrey();
    doc.SetDirectionBounds(Bounds{-23, 380, 50, 50});
    doc.DrawDirectionMarker();
    EXPECT_EQ(doc.BitBtnOKClick(), 1);  // toggle up: nothing stamped
    EXPECT_EQ(*doc.Image2, doc.Image1);

    Show();
    EXPECT_EQ(doc.BitBtnOKClick(), 1);
    const Bitmap& r = *doc.Image2;
    EXPECT_EQ(r.Pixel(0, 399), doc.ImageDirectionPicture.Pixel(25, 21));
    EXPECT_NE(r.Pixel(0, 399), kGrey);
    EXPECT_EQ(r.Pixel(100, 399), kGrey);
}

TEST_F(DirectionMarker, NewPictureResetsTheDirectionButKeepsPlaceAndSize) {
    test::TempDir dir;
    const std::string path = dir.Str() + "p.png";
    WritePicture(Bitmap(30, 20), path);
    doc.SetDirectionBounds(Bounds{10, 20, 70, 70});
    for (int i = 0; i < 5; ++i) doc.SBtnLeftTurnClick();
    const Bitmap turned = doc.ImageDirectionPicture;
    doc.SourcePath = path;
    doc.FormShow();
    ASSERT_TRUE(doc.Image2);
    EXPECT_EQ(doc.DirectionIndex, 0);
    EXPECT_EQ(doc.ImageDirection, (Bounds{10, 20, 70, 70}));
    EXPECT_NE(doc.ImageDirectionPicture, turned);
    EXPECT_EQ(doc.ImageDirectionPicture, ResampleBitmap(Drawing(140), 70, 70));
}

}  // namespace
}  // namespace pictorel
