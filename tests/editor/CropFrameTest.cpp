#include <gtest/gtest.h>

#include "editor/EditorFixture.h"
#include "editor/EditorModel.h"
#include "editor/FrameGeometry.h"

namespace pictorel {
namespace {

using test::LoadSquare;
using test::PatternSquare;
using Cursor = FrameCursor;

class CropFrameTool : public ::testing::Test, public test::EditorFixtureBase {
  protected:
    // Draws a frame with the mouse from view point (x, y) to (x + side, y + side).
    void DrawFrame(int x, int y, int side) {
        crop.BeginDraw({x, y});
        crop.DrawTo({x + side, y + side});
        crop.EndDraw();
    }
    // The work square's rectangle reduced to 400 x 400, cut independently.
    Bitmap Expected(const Rect& r) {
        Bitmap crop(r.Width(), r.Height());
        crop.CopyRect(0, 0, model.WorkSquare(), r);
        return ResampleBitmap(crop, 400, 400);
    }
};

TEST_F(CropFrameTool, DragGrowsASquareIntoThePointersQuadrant) {
    LoadSquare(model, PatternSquare(400));
    crop.BeginDraw({100, 100});
    EXPECT_TRUE(crop.Drag().resizing);
    EXPECT_FALSE(model.Crop().Shown());
    EXPECT_EQ(model.Crop().Area(), (Rect::At(100, 100, 0, 0)));
    crop.DrawTo({50, 180});
    // From (100, 100) to (20, 100) or lower: side 80, the vertical distance.
    EXPECT_TRUE(model.Crop().Shown());
    EXPECT_EQ(model.Crop().Area(), (Rect::At(20, 100, 80, 80)));
    crop.DrawTo({130, 60});  // up and right: side 40
    EXPECT_EQ(model.Crop().Area(), (Rect::At(100, 60, 40, 40)));
    crop.DrawTo({-500, -20});  // captured pointer far outside the view
    EXPECT_EQ(model.Crop().Area(), (Rect::At(-500, -500, 600, 600)));
}

TEST_F(CropFrameTool, MouseUpCutsTheFrameFromTheFullResolutionSquare) {
    LoadSquare(model, PatternSquare(1000));  // Scale 2.5000
    DrawFrame(40, 60, 160);
    EXPECT_FALSE(crop.Drag().resizing);
    ASSERT_TRUE(model.Result());
    EXPECT_EQ(*model.Result(), Expected(Rect{100, 150, 500, 550}));
    EXPECT_TRUE(model.CanSave());
    EXPECT_TRUE(model.AdjustmentsEnabled());
}

TEST_F(CropFrameTool, AClickHidesTheFrameAndShowsTheWholeView) {
    LoadSquare(model, PatternSquare(1000));
    DrawFrame(40, 60, 160);
    ASSERT_NE(*model.Result(), model.WorkView());
    crop.BeginDraw({200, 200});
    crop.EndDraw();
    EXPECT_FALSE(model.Crop().Shown());
    EXPECT_EQ(model.Crop().Area().Width(), 0);
    EXPECT_EQ(*model.Result(), model.WorkView());
}

TEST_F(CropFrameTool, AFrameCoveringTheViewEqualsNoFrame) {
    LoadSquare(model, PatternSquare(1000));
    const Bitmap whole = *model.Result();
    DrawFrame(0, 0, 400);
    EXPECT_TRUE(model.Crop().Shown());
    EXPECT_EQ(model.Crop().Area(), (Rect::At(0, 0, 400, 400)));
    EXPECT_EQ(*model.Result(), whole);
}

TEST_F(CropFrameTool, NoRenderBeforeAPictureIsLoaded) {
    // Scale 0: the mouse-up only ends the drawing.
    crop.BeginDraw({10, 10});
    crop.DrawTo({100, 100});
    crop.EndDraw();
    EXPECT_FALSE(crop.Drag().resizing);
    EXPECT_FALSE(model.Result());
    EXPECT_FALSE(model.CanSave());
}

TEST_F(CropFrameTool, FrameTinierThanThePictureDisappearsSilently) {
    LoadSquare(model, PatternSquare(200));  // Scale 0.5000
    const Bitmap before = *model.Result();
    crop.BeginDraw({50, 50});
    crop.DrawTo({51, 51});
    crop.EndDraw();  // a 1-pixel frame: w = h = 0
    EXPECT_FALSE(model.Crop().Shown());
    EXPECT_EQ(*model.Result(), before);
    EXPECT_TRUE(boxes.calls->empty());
}

TEST_F(CropFrameTool, FramePartlyOffTheSquareIsWhiteOutside) {
    Bitmap square(400, 400);
    square.FillRect(Rect{0, 0, 400, 400}, Color{10, 20, 30});
    LoadSquare(model, square);
    crop.BeginDraw({200, 200});
    crop.DrawTo({0, 0});
    crop.EndDraw();
    crop.BeginDrag({100, 100});
    crop.DragTo({400, 400});  // move by (300, 300): half of it off the view
    crop.EndDrag();
    EXPECT_EQ(model.Crop().Area(), (Rect::At(300, 300, 200, 200)));
    EXPECT_EQ(model.Result()->Pixel(50, 50), (Color{10, 20, 30}));
    EXPECT_EQ(model.Result()->Pixel(399, 399), kWhite);
}

TEST_F(CropFrameTool, CornerZonesResizeFromTheOppositeCornerAndTheMiddleMoves) {
    LoadSquare(model, PatternSquare(400));
    DrawFrame(50, 50, 100);  // (50, 50), side 100
    struct Case {
        int x, y;
        bool resize;
        Point anchor;
    } cases[] = {
        // x, y relative to the frame
        {95, 95, true, {50, 50}},   // bottom-right
        {3, 2, true, {150, 150}},   // top-left
        {92, 8, true, {50, 150}},   // top-right
        {0, 100, true, {150, 50}},  // bottom-left
        {50, 9, false, {50, 9}},    // edge, outside every zone: move
        {91, 50, false, {91, 50}},
    };
    for (const Case& c : cases) {
        crop.BeginDrag({50 + c.x, 50 + c.y});
        EXPECT_EQ(crop.Drag().resizing, c.resize) << c.x << "," << c.y;
        EXPECT_EQ(crop.Drag().moving, !c.resize) << c.x << "," << c.y;
        EXPECT_EQ(crop.Drag().anchor, c.anchor) << c.x << "," << c.y;
        crop.Reset();
    }
}

TEST_F(CropFrameTool, SmallFramesTakeTheFirstZoneThatHolds) {
    LoadSquare(model, PatternSquare(400));
    DrawFrame(100, 100, 10);  // side 10: every point is in a zone
    crop.BeginDrag({105, 105});
    EXPECT_TRUE(crop.Drag().resizing);
    EXPECT_EQ(crop.Drag().anchor, (Point{100, 100}));  // bottom-right wins over top-left
    crop.DragTo({125, 115});
    EXPECT_EQ(model.Crop().Area(), (Rect::At(100, 100, 25, 25)));
    crop.EndDrag();
    EXPECT_FALSE(crop.Drag().resizing);

    // A 17-pixel frame cannot be grabbed to move: its middle (8, 8) is a zone.
    DrawFrame(100, 100, 17);
    crop.BeginDrag({108, 108});
    EXPECT_TRUE(crop.Drag().resizing);
    crop.EndDrag();
}

TEST_F(CropFrameTool, ResizeFromTopLeftKeepsTheBottomRightCorner) {
    LoadSquare(model, PatternSquare(400));
    DrawFrame(100, 100, 100);  // (100, 100) - (200, 200)
    crop.BeginDrag({102, 102});
    crop.DragTo({82, 92});  // side 118
    EXPECT_EQ(model.Crop().Area(), (Rect::At(82, 82, 118, 118)));
    crop.EndDrag();
    EXPECT_EQ(*model.Result(), Expected(Rect{82, 82, 200, 200}));
}

TEST_F(CropFrameTool, DragMovesWithoutBoundsAndRendersAtMouseUp) {
    LoadSquare(model, PatternSquare(800));  // Scale 2.0000
    DrawFrame(100, 100, 80);
    crop.BeginDrag({140, 140});
    crop.DragTo({150, 130});
    EXPECT_EQ(model.Crop().Area(), (Rect::At(110, 90, 80, 80)));
    const Bitmap notYet = *model.Result();
    // The grab point stays under the pointer, wherever the window has drawn
    // the frame in between.
    crop.DragTo({155, 130});
    EXPECT_EQ(model.Crop().Area(), (Rect::At(115, 90, 80, 80)));
    EXPECT_EQ(*model.Result(), notYet);
    crop.EndDrag();
    EXPECT_FALSE(crop.Drag().moving);
    EXPECT_EQ(*model.Result(), Expected(Rect{230, 180, 390, 340}));
}

TEST_F(CropFrameTool, HoverShowsTheDiagonalCursors) {
    LoadSquare(model, PatternSquare(400));
    DrawFrame(10, 10, 100);
    crop.DragTo({105, 109});
    EXPECT_EQ(crop.Cursor(), Cursor::SizeNWSE);
    crop.DragTo({10, 18});
    EXPECT_EQ(crop.Cursor(), Cursor::SizeNWSE);
    crop.DragTo({102, 13});
    EXPECT_EQ(crop.Cursor(), Cursor::SizeNESW);
    crop.DragTo({14, 103});
    EXPECT_EQ(crop.Cursor(), Cursor::SizeNESW);
    crop.DragTo({60, 14});
    EXPECT_EQ(crop.Cursor(), Cursor::Default);
    crop.DragTo({105, 105});
    crop.EndDrag();
    EXPECT_EQ(crop.Cursor(), Cursor::Default);
}

TEST_F(CropFrameTool, KeysMoveAndSizeWithinTheirLimits) {
    LoadSquare(model, PatternSquare(400));
    // Hidden frame: keys do nothing.
    crop.NudgeBy(0, -1);
    crop.ResizeBy(1);
    EXPECT_FALSE(crop.KeyMoved());

    DrawFrame(100, 100, 400);
    crop.ResizeBy(1);
    EXPECT_EQ(model.Crop().Area().Width(), 400);
    EXPECT_FALSE(crop.KeyMoved());
    crop.ResizeBy(-1);
    EXPECT_EQ(model.Crop().Area(), (Rect::At(100, 100, 399, 399)));
    EXPECT_TRUE(crop.KeyMoved());

    DrawFrame(100, 100, 20);
    crop.KeysReleased();
    crop.ResizeBy(-1);
    EXPECT_EQ(model.Crop().Area().Width(), 20);
    EXPECT_FALSE(crop.KeyMoved());

    DrawFrame(0, 0, 420);  // mouse-drawn beyond the key limit: keys shrink it
    crop.ResizeBy(-1);
    EXPECT_EQ(model.Crop().Area(), (Rect::At(0, 0, 419, 419)));
    crop.ResizeBy(1);  // but not enlarge it
    EXPECT_EQ(model.Crop().Area().Width(), 419);

    DrawFrame(0, 0, 10);  // below the key limit: keys enlarge it
    crop.ResizeBy(1);
    EXPECT_EQ(model.Crop().Area(), (Rect::At(0, 0, 11, 11)));
}

TEST_F(CropFrameTool, KeyMovesStopWithOneRowOrColumnOverTheView) {
    LoadSquare(model, PatternSquare(400));
    DrawFrame(10, 10, 30);
    DrawFrame(47, -29, 30);  // bottom edge at view y = 1: only row 0 shows
    crop.KeysReleased();
    crop.NudgeBy(0, -1);
    EXPECT_EQ(model.Crop().Area().top, -29);
    EXPECT_FALSE(crop.KeyMoved());
    DrawFrame(-29, 50, 30);
    crop.NudgeBy(-1, 0);
    EXPECT_EQ(model.Crop().Area().left, -29);
    DrawFrame(399, 399, 30);  // only column and row 399 show
    crop.NudgeBy(1, 0);
    crop.NudgeBy(0, 1);
    EXPECT_EQ(model.Crop().Area(), (Rect::At(399, 399, 30, 30)));
    EXPECT_FALSE(crop.KeyMoved());
    crop.NudgeBy(0, -1);
    crop.NudgeBy(-1, 0);
    EXPECT_EQ(model.Crop().Area(), (Rect::At(398, 398, 30, 30)));
    crop.NudgeBy(1, 0);
    crop.NudgeBy(0, 1);
    EXPECT_EQ(model.Crop().Area(), (Rect::At(399, 399, 30, 30)));
    EXPECT_TRUE(crop.KeyMoved());
}

TEST_F(CropFrameTool, HeldKeysRenderOnceAtRelease) {
    LoadSquare(model, PatternSquare(1000));
    DrawFrame(40, 60, 160);
    const Bitmap before = *model.Result();
    for (int i = 0; i < 10; ++i) crop.NudgeBy(1, 0);
    crop.NudgeBy(0, 1);
    EXPECT_EQ(*model.Result(), before);
    EXPECT_TRUE(crop.KeyMoved());
    crop.KeysReleased();
    EXPECT_FALSE(crop.KeyMoved());
    // View (50, 61), side 160 at scale 2.5.
    EXPECT_EQ(*model.Result(), Expected(Rect{125, 152, 525, 552}));
    // A release without a key change renders nothing.
    model.Sharpen();
    const Bitmap sharpened = *model.Result();
    crop.KeysReleased();
    EXPECT_EQ(*model.Result(), sharpened);
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
    test::LoadSquare(model, test::PatternSquare(400));
    crop.BeginDraw({10, 10});
    crop.DrawTo({40, 40});
    crop.EndDraw();
    const Bitmap framed = *model.Result();
    crop.NudgeBy(1000, -5);
    EXPECT_EQ(model.Crop().Area(), (Rect::At(399, 5, 30, 30)));
    EXPECT_TRUE(*model.Result() == framed);
    crop.KeysReleased();
    EXPECT_FALSE(*model.Result() == framed);
    crop.ResizeBy(-1000);
    EXPECT_EQ(model.Crop().Area().Width(), 20);
    crop.ResizeBy(1000);
    EXPECT_EQ(model.Crop().Area(), (Rect::At(399, 5, 400, 400)));
    crop.NudgeBy(-2147483647 - 1, 0);  // the most negative count is safe too
    EXPECT_EQ(model.Crop().Area().left, -399);
}

// A new picture must not inherit a key change or a drag of the last one: a
// stale key change would re-render at the next key release and drop the
// new picture's brightness.
TEST_F(CropToolSteps, ResetDropsWhatThePreviousPictureLeft) {
    test::LoadSquare(model, test::PatternSquare(400));
    crop.BeginDraw({10, 10});
    crop.DrawTo({60, 60});
    crop.EndDraw();
    crop.NudgeBy(1, 0);
    crop.BeginDrag({25, 25});
    crop.Reset();
    EXPECT_FALSE(crop.KeyMoved());
    EXPECT_FALSE(crop.Drag().Active());
    model.Brighten();
    const Bitmap brightened = *model.Result();
    crop.KeysReleased();
    EXPECT_TRUE(*model.Result() == brightened);
}

}  // namespace
}  // namespace pictorel
