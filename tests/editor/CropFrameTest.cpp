#include <gtest/gtest.h>

#include "editor/EditorFixture.h"
#include "editor/EditorModel.h"
#include "editor/FrameGeometry.h"

namespace pictorel {
namespace {

using test::LoadSquare;
using test::PatternSquare;
using Cursor = EditorModel::Cursor;

class CropFrame : public ::testing::Test, public test::EditorFixtureBase {
  protected:
    // Draws a frame with the mouse from view point (x, y) to (x + side, y + side).
    void DrawFrame(int x, int y, int side) {
        doc.Image1MouseDown(x, y);
        doc.Image1MouseMove(x + side, y + side);
        doc.Image1MouseUp(x + side, y + side);
    }
    // The work square's rectangle reduced to 400 x 400, cut independently.
    Bitmap Expected(const Rect& r) {
        Bitmap crop(r.Width(), r.Height());
        crop.CopyRect(0, 0, doc.OrgImage, r);
        return ResampleBitmap(crop, 400, 400);
    }
};

TEST_F(CropFrame, DragGrowsASquareIntoThePointersQuadrant) {
    LoadSquare(doc, PatternSquare(400));
    doc.Image1MouseDown(100, 100);
    EXPECT_TRUE(doc.Drawing);
    EXPECT_FALSE(doc.Shape1Visible);
    EXPECT_EQ(doc.Shape1, (Bounds{103, 103, 0, 0}));
    doc.Image1MouseMove(50, 180);
    // View (20, 100), side 80 (the vertical distance): Panel1 adds 3.
    EXPECT_TRUE(doc.Shape1Visible);
    EXPECT_EQ(doc.Shape1, (Bounds{23, 103, 80, 80}));
    doc.Image1MouseMove(130, 60);  // up and right: side 40
    EXPECT_EQ(doc.Shape1, (Bounds{103, 63, 40, 40}));
    doc.Image1MouseMove(-500, -20);  // captured pointer far outside the view
    EXPECT_EQ(doc.Shape1, (Bounds{-497, -497, 600, 600}));
}

TEST_F(CropFrame, MouseUpCutsTheFrameFromTheFullResolutionSquare) {
    LoadSquare(doc, PatternSquare(1000));  // Scale 2.5000
    DrawFrame(40, 60, 160);
    EXPECT_FALSE(doc.Drawing);
    ASSERT_TRUE(doc.Image2);
    EXPECT_EQ(*doc.Image2, Expected(Rect{100, 150, 500, 550}));
    EXPECT_TRUE(doc.SaveEnabled);
    EXPECT_TRUE(doc.Panel8Enabled);
    EXPECT_FALSE(doc.Busy);
}

TEST_F(CropFrame, AClickHidesTheFrameAndShowsTheWholeView) {
    LoadSquare(doc, PatternSquare(1000));
    DrawFrame(40, 60, 160);
    ASSERT_NE(*doc.Image2, doc.Image1);
    doc.Image1MouseDown(200, 200);
    doc.Image1MouseUp(200, 200);
    EXPECT_FALSE(doc.Shape1Visible);
    EXPECT_EQ(doc.Shape1.width, 0);
    EXPECT_EQ(*doc.Image2, doc.Image1);
}

TEST_F(CropFrame, AFrameCoveringTheViewEqualsNoFrame) {
    LoadSquare(doc, PatternSquare(1000));
    const Bitmap whole = *doc.Image2;
    DrawFrame(0, 0, 400);
    EXPECT_TRUE(doc.Shape1Visible);
    EXPECT_EQ(doc.Shape1, (Bounds{3, 3, 400, 400}));
    EXPECT_EQ(*doc.Image2, whole);
}

TEST_F(CropFrame, NoRenderBeforeAPictureIsLoaded) {
    // Scale 0: the mouse-up only ends the drawing.
    doc.Image1MouseDown(10, 10);
    doc.Image1MouseMove(100, 100);
    doc.Image1MouseUp(100, 100);
    EXPECT_FALSE(doc.Drawing);
    EXPECT_FALSE(doc.Image2);
    EXPECT_FALSE(doc.SaveEnabled);
}

TEST_F(CropFrame, MouseIsIgnoredWhileBusyButTheCursorStillResets) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(10, 10, 100);
    const Bounds before = doc.Shape1;
    doc.Busy = true;
    doc.Image1MouseDown(300, 300);
    doc.Shape1MouseDown(50, 50);
    doc.Shape1Cursor = Cursor::SizeNWSE;
    doc.Shape1MouseMove(1, 1);
    EXPECT_EQ(doc.Shape1Cursor, Cursor::Default);
    EXPECT_FALSE(doc.Drawing);
    EXPECT_FALSE(doc.Moving);
    EXPECT_TRUE(doc.Shape1Visible);
    EXPECT_EQ(doc.Shape1, before);
}

TEST_F(CropFrame, FrameTinierThanThePictureDisappearsSilently) {
    LoadSquare(doc, PatternSquare(200));  // Scale 0.5000
    const Bitmap before = *doc.Image2;
    doc.Image1MouseDown(50, 50);
    doc.Image1MouseMove(51, 51);
    doc.Image1MouseUp(51, 51);  // a 1-pixel frame: w = h = 0
    EXPECT_FALSE(doc.Shape1Visible);
    EXPECT_EQ(*doc.Image2, before);
    EXPECT_TRUE(boxes.calls->empty());
    EXPECT_FALSE(doc.Busy);
}

TEST_F(CropFrame, FramePartlyOffTheSquareIsWhiteOutside) {
    Bitmap square(400, 400);
    square.FillRect(Rect{0, 0, 400, 400}, Color{10, 20, 30});
    LoadSquare(doc, square);
    doc.Image1MouseDown(200, 200);
    doc.Image1MouseMove(0, 0);
    doc.Image1MouseUp(0, 0);
    doc.Shape1MouseDown(100, 100);
    doc.Shape1MouseMove(400, 400);  // move by (300, 300): half of it off the view
    doc.Shape1MouseUp(400, 400);
    EXPECT_EQ(doc.Shape1, (Bounds{303, 303, 200, 200}));
    EXPECT_EQ(doc.Image2->Pixel(50, 50), (Color{10, 20, 30}));
    EXPECT_EQ(doc.Image2->Pixel(399, 399), kWhite);
}

TEST_F(CropFrame, CornerZonesResizeFromTheOppositeCornerAndTheMiddleMoves) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(50, 50, 100);  // Panel1 (53, 53), side 100
    struct Case {
        int x, y;
        bool resize;
        Point anchor;
    } cases[] = {
        {95, 95, true, {53, 53}},   // bottom-right
        {3, 2, true, {153, 153}},   // top-left
        {92, 8, true, {53, 153}},   // top-right
        {0, 100, true, {153, 53}},  // bottom-left
        {50, 9, false, {50, 9}},    // edge, outside every zone: move
        {91, 50, false, {91, 50}},
    };
    for (const Case& c : cases) {
        doc.Shape1MouseDown(c.x, c.y);
        EXPECT_EQ(doc.Drawing, c.resize) << c.x << "," << c.y;
        EXPECT_EQ(doc.Moving, !c.resize) << c.x << "," << c.y;
        EXPECT_EQ(doc.AnchorPoint, c.anchor) << c.x << "," << c.y;
        doc.Drawing = doc.Moving = false;
    }
}

TEST_F(CropFrame, SmallFramesTakeTheFirstZoneThatHolds) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(100, 100, 10);  // Panel1 (103, 103), side 10: every point is in a zone
    doc.Shape1MouseDown(5, 5);
    EXPECT_TRUE(doc.Drawing);
    EXPECT_EQ(doc.AnchorPoint, (Point{103, 103}));  // bottom-right wins over top-left
    doc.Shape1MouseMove(25, 15);                    // pointer at Panel1 (128, 118)
    EXPECT_EQ(doc.Shape1, (Bounds{103, 103, 25, 25}));
    doc.Shape1MouseUp(25, 15);
    EXPECT_FALSE(doc.Drawing);

    // A 17-pixel frame cannot be grabbed to move: its middle (8, 8) is a zone.
    DrawFrame(100, 100, 17);
    doc.Shape1MouseDown(8, 8);
    EXPECT_TRUE(doc.Drawing);
    doc.Shape1MouseUp(8, 8);
}

TEST_F(CropFrame, ResizeFromTopLeftKeepsTheBottomRightCorner) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(100, 100, 100);  // Panel1 (103, 103) - (203, 203)
    doc.Shape1MouseDown(2, 2);
    doc.Shape1MouseMove(-18, -8);  // Panel1 (85, 95): side 118
    EXPECT_EQ(doc.Shape1, (Bounds{85, 85, 118, 118}));
    doc.Shape1MouseUp(-18, -8);
    EXPECT_EQ(*doc.Image2, Expected(Rect{82, 82, 200, 200}));
}

TEST_F(CropFrame, DragMovesWithoutBoundsAndRendersAtMouseUp) {
    LoadSquare(doc, PatternSquare(800));  // Scale 2.0000
    DrawFrame(100, 100, 80);
    doc.Shape1MouseDown(40, 40);
    doc.Shape1MouseMove(50, 30);
    EXPECT_EQ(doc.Shape1, (Bounds{113, 93, 80, 80}));
    const Bitmap notYet = *doc.Image2;
    doc.Shape1MouseMove(45, 40);  // relative to the moved frame
    EXPECT_EQ(doc.Shape1, (Bounds{118, 93, 80, 80}));
    EXPECT_EQ(*doc.Image2, notYet);
    doc.Shape1MouseUp(45, 40);
    EXPECT_FALSE(doc.Moving);
    EXPECT_EQ(*doc.Image2, Expected(Rect{230, 180, 390, 340}));
}

TEST_F(CropFrame, HoverShowsTheDiagonalCursors) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(10, 10, 100);
    doc.Shape1MouseMove(95, 99);
    EXPECT_EQ(doc.Shape1Cursor, Cursor::SizeNWSE);
    doc.Shape1MouseMove(0, 8);
    EXPECT_EQ(doc.Shape1Cursor, Cursor::SizeNWSE);
    doc.Shape1MouseMove(92, 3);
    EXPECT_EQ(doc.Shape1Cursor, Cursor::SizeNESW);
    doc.Shape1MouseMove(4, 93);
    EXPECT_EQ(doc.Shape1Cursor, Cursor::SizeNESW);
    doc.Shape1MouseMove(50, 4);
    EXPECT_EQ(doc.Shape1Cursor, Cursor::Default);
    doc.Shape1MouseMove(95, 95);
    doc.Shape1MouseUp(95, 95);
    EXPECT_EQ(doc.Shape1Cursor, Cursor::Default);
}

TEST_F(CropFrame, KeysMoveAndSizeWithinTheirLimits) {
    LoadSquare(doc, PatternSquare(400));
    // Hidden frame: keys do nothing.
    doc.UpExecute();
    doc.Big1Execute();
    EXPECT_FALSE(doc.KeyMoved);

    DrawFrame(100, 100, 400);  // (103, 103), side 400
    doc.Big1Execute();
    EXPECT_EQ(doc.Shape1.width, 400);
    EXPECT_FALSE(doc.KeyMoved);
    doc.Small1Execute();
    EXPECT_EQ(doc.Shape1, (Bounds{103, 103, 399, 399}));
    EXPECT_TRUE(doc.KeyMoved);

    DrawFrame(100, 100, 20);
    doc.KeyMoved = false;
    doc.Small1Execute();
    EXPECT_EQ(doc.Shape1.width, 20);
    EXPECT_FALSE(doc.KeyMoved);

    DrawFrame(0, 0, 420);  // mouse-drawn beyond the key limit: keys shrink it
    doc.Small1Execute();
    EXPECT_EQ(doc.Shape1, (Bounds{3, 3, 419, 419}));
    doc.Big1Execute();  // but not enlarge it
    EXPECT_EQ(doc.Shape1.width, 419);

    DrawFrame(0, 0, 10);  // below the key limit: keys enlarge it
    doc.Big1Execute();
    EXPECT_EQ(doc.Shape1, (Bounds{3, 3, 11, 11}));
}

TEST_F(CropFrame, KeyMovesStopWithOneRowOrColumnOverTheView) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(10, 10, 30);
    doc.Shape1 = {50, -26, 30, 30};  // bottom edge at Panel1 y = 4: only row 3 shows
    doc.KeyMoved = false;
    doc.UpExecute();
    EXPECT_EQ(doc.Shape1.top, -26);
    EXPECT_FALSE(doc.KeyMoved);
    doc.Shape1 = {-26, 50, 30, 30};
    doc.LeftExecute();
    EXPECT_EQ(doc.Shape1.left, -26);
    doc.Shape1 = {402, 402, 30, 30};  // only column and row 402 show
    doc.RightExecute();
    doc.DownExecute();
    EXPECT_EQ(doc.Shape1, (Bounds{402, 402, 30, 30}));
    EXPECT_FALSE(doc.KeyMoved);
    doc.UpExecute();
    doc.LeftExecute();
    EXPECT_EQ(doc.Shape1, (Bounds{401, 401, 30, 30}));
    doc.RightExecute();
    doc.DownExecute();
    EXPECT_EQ(doc.Shape1, (Bounds{402, 402, 30, 30}));
    EXPECT_TRUE(doc.KeyMoved);
}

TEST_F(CropFrame, HeldKeysRenderOnceAtRelease) {
    LoadSquare(doc, PatternSquare(1000));
    DrawFrame(40, 60, 160);
    const Bitmap before = *doc.Image2;
    for (int i = 0; i < 10; ++i) doc.RightExecute();
    doc.Busy = true;  // key commands do not check Busy
    doc.DownExecute();
    doc.Busy = false;
    EXPECT_EQ(*doc.Image2, before);
    EXPECT_TRUE(doc.KeyMoved);
    doc.FormKeyUp();
    EXPECT_FALSE(doc.KeyMoved);
    // View (50, 61), side 160 at scale 2.5.
    EXPECT_EQ(*doc.Image2, Expected(Rect{125, 152, 525, 552}));
    // A release without a key change renders nothing.
    doc.Image2->SetPixel(0, 0, Color{1, 2, 3});
    doc.FormKeyUp();
    EXPECT_EQ(doc.Image2->Pixel(0, 0), (Color{1, 2, 3}));
}

TEST(FrameGeometry, PaintMarksAreTheCrossAndFourHandles) {
    const FrameMarks m = FramePaintMarks(65, 65);
    EXPECT_EQ(m.cross[0].from, (Point{32, 27}));
    EXPECT_EQ(m.cross[0].to, (Point{32, 37}));
    EXPECT_EQ(m.cross[1].from, (Point{27, 32}));
    EXPECT_EQ(m.cross[1].to, (Point{37, 32}));
    EXPECT_EQ(m.handles[0], (Rect{57, 57, 65, 65}));
    EXPECT_EQ(m.handles[1], (Rect{0, 0, 8, 8}));
    EXPECT_EQ(m.handles[2], (Rect{57, 0, 65, 8}));
    EXPECT_EQ(m.handles[3], (Rect{0, 57, 8, 65}));
}

}  // namespace
}  // namespace pictorel
