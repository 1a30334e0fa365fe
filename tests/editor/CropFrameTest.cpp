#include <gtest/gtest.h>

#include "editor/EditorFixture.h"
#include "editor/EditorModel.h"
#include "editor/FrameGeometry.h"

namespace pictorel {
namespace {

using test::LoadSquare;
using test::PatternSquare;
using Cursor = FrameCursor;

class CropFrame : public ::testing::Test, public test::EditorFixtureBase {
  protected:
    // Draws a frame with the mouse from view point (x, y) to (x + side, y + side).
    void DrawFrame(int x, int y, int side) {
        crop.BeginDraw(x, y);
        crop.DrawTo(x + side, y + side);
        crop.EndDraw();
    }
    // The work square's rectangle reduced to 400 x 400, cut independently.
    Bitmap Expected(const Rect& r) {
        Bitmap crop(r.Width(), r.Height());
        crop.CopyRect(0, 0, doc.WorkSquare, r);
        return ResampleBitmap(crop, 400, 400);
    }
};

TEST_F(CropFrame, DragGrowsASquareIntoThePointersQuadrant) {
    LoadSquare(doc, PatternSquare(400));
    crop.BeginDraw(100, 100);
    EXPECT_TRUE(crop.Drag().resizing);
    EXPECT_FALSE(doc.CropFrameShown);
    EXPECT_EQ(doc.CropFrame, (Bounds{100, 100, 0, 0}));
    crop.DrawTo(50, 180);
    // From (100, 100) to (20, 100) or lower: side 80, the vertical distance.
    EXPECT_TRUE(doc.CropFrameShown);
    EXPECT_EQ(doc.CropFrame, (Bounds{20, 100, 80, 80}));
    crop.DrawTo(130, 60);  // up and right: side 40
    EXPECT_EQ(doc.CropFrame, (Bounds{100, 60, 40, 40}));
    crop.DrawTo(-500, -20);  // captured pointer far outside the view
    EXPECT_EQ(doc.CropFrame, (Bounds{-500, -500, 600, 600}));
}

TEST_F(CropFrame, MouseUpCutsTheFrameFromTheFullResolutionSquare) {
    LoadSquare(doc, PatternSquare(1000));  // Scale 2.5000
    DrawFrame(40, 60, 160);
    EXPECT_FALSE(crop.Drag().resizing);
    ASSERT_TRUE(doc.Result);
    EXPECT_EQ(*doc.Result, Expected(Rect{100, 150, 500, 550}));
    EXPECT_TRUE(doc.CanSave);
    EXPECT_TRUE(doc.AdjustmentsEnabled);
    EXPECT_FALSE(doc.Busy);
}

TEST_F(CropFrame, AClickHidesTheFrameAndShowsTheWholeView) {
    LoadSquare(doc, PatternSquare(1000));
    DrawFrame(40, 60, 160);
    ASSERT_NE(*doc.Result, doc.WorkView);
    crop.BeginDraw(200, 200);
    crop.EndDraw();
    EXPECT_FALSE(doc.CropFrameShown);
    EXPECT_EQ(doc.CropFrame.width, 0);
    EXPECT_EQ(*doc.Result, doc.WorkView);
}

TEST_F(CropFrame, AFrameCoveringTheViewEqualsNoFrame) {
    LoadSquare(doc, PatternSquare(1000));
    const Bitmap whole = *doc.Result;
    DrawFrame(0, 0, 400);
    EXPECT_TRUE(doc.CropFrameShown);
    EXPECT_EQ(doc.CropFrame, (Bounds{0, 0, 400, 400}));
    EXPECT_EQ(*doc.Result, whole);
}

TEST_F(CropFrame, NoRenderBeforeAPictureIsLoaded) {
    // Scale 0: the mouse-up only ends the drawing.
    crop.BeginDraw(10, 10);
    crop.DrawTo(100, 100);
    crop.EndDraw();
    EXPECT_FALSE(crop.Drag().resizing);
    EXPECT_FALSE(doc.Result);
    EXPECT_FALSE(doc.CanSave);
}

TEST_F(CropFrame, MouseIsIgnoredWhileBusyButTheCursorStillResets) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(10, 10, 100);
    const Bounds before = doc.CropFrame;
    crop.DragTo(1, 1);  // hovering a corner
    ASSERT_EQ(crop.Cursor(), Cursor::SizeNWSE);
    doc.Busy = true;
    crop.BeginDraw(300, 300);
    crop.BeginDrag(50, 50);
    crop.DragTo(1, 1);
    EXPECT_EQ(crop.Cursor(), Cursor::Default);
    EXPECT_FALSE(crop.Drag().resizing);
    EXPECT_FALSE(crop.Drag().moving);
    EXPECT_TRUE(doc.CropFrameShown);
    EXPECT_EQ(doc.CropFrame, before);
}

TEST_F(CropFrame, FrameTinierThanThePictureDisappearsSilently) {
    LoadSquare(doc, PatternSquare(200));  // Scale 0.5000
    const Bitmap before = *doc.Result;
    crop.BeginDraw(50, 50);
    crop.DrawTo(51, 51);
    crop.EndDraw();  // a 1-pixel frame: w = h = 0
    EXPECT_FALSE(doc.CropFrameShown);
    EXPECT_EQ(*doc.Result, before);
    EXPECT_TRUE(boxes.calls->empty());
    EXPECT_FALSE(doc.Busy);
}

TEST_F(CropFrame, FramePartlyOffTheSquareIsWhiteOutside) {
    Bitmap square(400, 400);
    square.FillRect(Rect{0, 0, 400, 400}, Color{10, 20, 30});
    LoadSquare(doc, square);
    crop.BeginDraw(200, 200);
    crop.DrawTo(0, 0);
    crop.EndDraw();
    crop.BeginDrag(100, 100);
    crop.DragTo(400, 400);  // move by (300, 300): half of it off the view
    crop.EndDrag();
    EXPECT_EQ(doc.CropFrame, (Bounds{300, 300, 200, 200}));
    EXPECT_EQ(doc.Result->Pixel(50, 50), (Color{10, 20, 30}));
    EXPECT_EQ(doc.Result->Pixel(399, 399), kWhite);
}

TEST_F(CropFrame, CornerZonesResizeFromTheOppositeCornerAndTheMiddleMoves) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(50, 50, 100);  // (50, 50), side 100
    struct Case {
        int x, y;
        bool resize;
        Point anchor;
    } cases[] = {
        {95, 95, true, {50, 50}},   // bottom-right
        {3, 2, true, {150, 150}},   // top-left
        {92, 8, true, {50, 150}},   // top-right
        {0, 100, true, {150, 50}},  // bottom-left
        {50, 9, false, {50, 9}},    // edge, outside every zone: move
        {91, 50, false, {91, 50}},
    };
    for (const Case& c : cases) {
        crop.BeginDrag(c.x, c.y);
        EXPECT_EQ(crop.Drag().resizing, c.resize) << c.x << "," << c.y;
        EXPECT_EQ(crop.Drag().moving, !c.resize) << c.x << "," << c.y;
        EXPECT_EQ(crop.Drag().anchor, c.anchor) << c.x << "," << c.y;
        crop.Reset();
    }
}

TEST_F(CropFrame, SmallFramesTakeTheFirstZoneThatHolds) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(100, 100, 10);  // side 10: every point is in a zone
    crop.BeginDrag(5, 5);
    EXPECT_TRUE(crop.Drag().resizing);
    EXPECT_EQ(crop.Drag().anchor, (Point{100, 100}));  // bottom-right wins over top-left
    crop.DragTo(25, 15);                               // pointer at (125, 115)
    EXPECT_EQ(doc.CropFrame, (Bounds{100, 100, 25, 25}));
    crop.EndDrag();
    EXPECT_FALSE(crop.Drag().resizing);

    // A 17-pixel frame cannot be grabbed to move: its middle (8, 8) is a zone.
    DrawFrame(100, 100, 17);
    crop.BeginDrag(8, 8);
    EXPECT_TRUE(crop.Drag().resizing);
    crop.EndDrag();
}

TEST_F(CropFrame, ResizeFromTopLeftKeepsTheBottomRightCorner) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(100, 100, 100);  // (100, 100) - (200, 200)
    crop.BeginDrag(2, 2);
    crop.DragTo(-18, -8);  // pointer at (82, 92): side 118
    EXPECT_EQ(doc.CropFrame, (Bounds{82, 82, 118, 118}));
    crop.EndDrag();
    EXPECT_EQ(*doc.Result, Expected(Rect{82, 82, 200, 200}));
}

TEST_F(CropFrame, DragMovesWithoutBoundsAndRendersAtMouseUp) {
    LoadSquare(doc, PatternSquare(800));  // Scale 2.0000
    DrawFrame(100, 100, 80);
    crop.BeginDrag(40, 40);
    crop.DragTo(50, 30);
    EXPECT_EQ(doc.CropFrame, (Bounds{110, 90, 80, 80}));
    const Bitmap notYet = *doc.Result;
    crop.DragTo(45, 40);  // relative to the moved frame
    EXPECT_EQ(doc.CropFrame, (Bounds{115, 90, 80, 80}));
    EXPECT_EQ(*doc.Result, notYet);
    crop.EndDrag();
    EXPECT_FALSE(crop.Drag().moving);
    EXPECT_EQ(*doc.Result, Expected(Rect{230, 180, 390, 340}));
}

TEST_F(CropFrame, HoverShowsTheDiagonalCursors) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(10, 10, 100);
    crop.DragTo(95, 99);
    EXPECT_EQ(crop.Cursor(), Cursor::SizeNWSE);
    crop.DragTo(0, 8);
    EXPECT_EQ(crop.Cursor(), Cursor::SizeNWSE);
    crop.DragTo(92, 3);
    EXPECT_EQ(crop.Cursor(), Cursor::SizeNESW);
    crop.DragTo(4, 93);
    EXPECT_EQ(crop.Cursor(), Cursor::SizeNESW);
    crop.DragTo(50, 4);
    EXPECT_EQ(crop.Cursor(), Cursor::Default);
    crop.DragTo(95, 95);
    crop.EndDrag();
    EXPECT_EQ(crop.Cursor(), Cursor::Default);
}

TEST_F(CropFrame, KeysMoveAndSizeWithinTheirLimits) {
    LoadSquare(doc, PatternSquare(400));
    // Hidden frame: keys do nothing.
    crop.NudgeBy(0, -1);
    crop.ResizeBy(1);
    EXPECT_FALSE(crop.KeyMoved());

    DrawFrame(100, 100, 400);
    crop.ResizeBy(1);
    EXPECT_EQ(doc.CropFrame.width, 400);
    EXPECT_FALSE(crop.KeyMoved());
    crop.ResizeBy(-1);
    EXPECT_EQ(doc.CropFrame, (Bounds{100, 100, 399, 399}));
    EXPECT_TRUE(crop.KeyMoved());

    DrawFrame(100, 100, 20);
    crop.KeysReleased();
    crop.ResizeBy(-1);
    EXPECT_EQ(doc.CropFrame.width, 20);
    EXPECT_FALSE(crop.KeyMoved());

    DrawFrame(0, 0, 420);  // mouse-drawn beyond the key limit: keys shrink it
    crop.ResizeBy(-1);
    EXPECT_EQ(doc.CropFrame, (Bounds{0, 0, 419, 419}));
    crop.ResizeBy(1);  // but not enlarge it
    EXPECT_EQ(doc.CropFrame.width, 419);

    DrawFrame(0, 0, 10);  // below the key limit: keys enlarge it
    crop.ResizeBy(1);
    EXPECT_EQ(doc.CropFrame, (Bounds{0, 0, 11, 11}));
}

TEST_F(CropFrame, KeyMovesStopWithOneRowOrColumnOverTheView) {
    LoadSquare(doc, PatternSquare(400));
    DrawFrame(10, 10, 30);
    doc.CropFrame = {47, -29, 30, 30};  // bottom edge at view y = 1: only row 0 shows
    crop.KeysReleased();
    crop.NudgeBy(0, -1);
    EXPECT_EQ(doc.CropFrame.top, -29);
    EXPECT_FALSE(crop.KeyMoved());
    doc.CropFrame = {-29, 50, 30, 30};
    crop.NudgeBy(-1, 0);
    EXPECT_EQ(doc.CropFrame.left, -29);
    doc.CropFrame = {399, 399, 30, 30};  // only column and row 399 show
    crop.NudgeBy(1, 0);
    crop.NudgeBy(0, 1);
    EXPECT_EQ(doc.CropFrame, (Bounds{399, 399, 30, 30}));
    EXPECT_FALSE(crop.KeyMoved());
    crop.NudgeBy(0, -1);
    crop.NudgeBy(-1, 0);
    EXPECT_EQ(doc.CropFrame, (Bounds{398, 398, 30, 30}));
    crop.NudgeBy(1, 0);
    crop.NudgeBy(0, 1);
    EXPECT_EQ(doc.CropFrame, (Bounds{399, 399, 30, 30}));
    EXPECT_TRUE(crop.KeyMoved());
}

TEST_F(CropFrame, HeldKeysRenderOnceAtRelease) {
    LoadSquare(doc, PatternSquare(1000));
    DrawFrame(40, 60, 160);
    const Bitmap before = *doc.Result;
    for (int i = 0; i < 10; ++i) crop.NudgeBy(1, 0);
    doc.Busy = true;  // key commands do not check Busy
    crop.NudgeBy(0, 1);
    doc.Busy = false;
    EXPECT_EQ(*doc.Result, before);
    EXPECT_TRUE(crop.KeyMoved());
    crop.KeysReleased();
    EXPECT_FALSE(crop.KeyMoved());
    // View (50, 61), side 160 at scale 2.5.
    EXPECT_EQ(*doc.Result, Expected(Rect{125, 152, 525, 552}));
    // A release without a key change renders nothing.
    doc.Result->SetPixel(0, 0, Color{1, 2, 3});
    crop.KeysReleased();
    EXPECT_EQ(doc.Result->Pixel(0, 0), (Color{1, 2, 3}));
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

namespace pictorel {
namespace {

class CropToolSteps : public ::testing::Test, public test::EditorFixtureBase {};

// Several steps at once go one pixel at a time and stop at the first limit,
// as the same key held down would; the render waits for the release.
TEST_F(CropToolSteps, ManyStepsStopAtTheFirstLimit) {
    test::LoadSquare(doc, test::PatternSquare(400));
    crop.BeginDraw(10, 10);
    crop.DrawTo(40, 40);
    crop.EndDraw();
    const Bitmap framed = *doc.Result;
    crop.NudgeBy(1000, -5);
    EXPECT_EQ(doc.CropFrame, (Bounds{399, 5, 30, 30}));
    EXPECT_TRUE(*doc.Result == framed);
    crop.KeysReleased();
    EXPECT_FALSE(*doc.Result == framed);
    crop.ResizeBy(-1000);
    EXPECT_EQ(doc.CropFrame.width, 20);
    crop.ResizeBy(1000);
    EXPECT_EQ(doc.CropFrame, (Bounds{399, 5, 400, 400}));
    crop.NudgeBy(-2147483647 - 1, 0);  // the most negative count is safe too
    EXPECT_EQ(doc.CropFrame.left, -399);
}

// A new picture must not inherit a key change or a drag of the last one: a
// stale key change would re-render at the next key release and drop the
// new picture's brightness.
TEST_F(CropToolSteps, ResetDropsWhatThePreviousPictureLeft) {
    test::LoadSquare(doc, test::PatternSquare(400));
    crop.BeginDraw(10, 10);
    crop.DrawTo(60, 60);
    crop.EndDraw();
    crop.NudgeBy(1, 0);
    crop.BeginDrag(25, 25);
    crop.Reset();
    EXPECT_FALSE(crop.KeyMoved());
    EXPECT_FALSE(crop.Drag().Active());
    doc.Brighten();
    const Bitmap brightened = *doc.Result;
    crop.KeysReleased();
    EXPECT_TRUE(*doc.Result == brightened);
}

}  // namespace
}  // namespace pictorel
