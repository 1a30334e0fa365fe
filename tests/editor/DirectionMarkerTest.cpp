#include <gtest/gtest.h>

#include "base/Limits.h"
#include "editor/EditorFixture.h"
#include "editor/EditorModel.h"
#include "formats/PictureWriter.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

using test::LoadSquare;
using Cursor = FrameCursor;

constexpr Color kOlive{128, 128, 0};
constexpr Color kGrey{90, 90, 90};

class DirectionMarker : public ::testing::Test, public test::EditorFixtureBase {
  protected:
    Bitmap Drawing(int side) {
        Bitmap b(side, side);
        b.FillRect(Rect{0, 0, side, side}, kOlive);
        tips = DrawCompass(b, direction);
        return b;
    }
    int direction = 0;
    std::vector<Point> tips;
    void LoadGrey() {
        Bitmap square(400, 400);
        square.FillRect(Rect{0, 0, 400, 400}, kGrey);
        LoadSquare(model, square);
    }
    void Show() { model.ShowMarker(true); }
};

TEST_F(DirectionMarker, CompassPointsOfTheDefaultMarker) {
    Bitmap b = Drawing(100);
    ASSERT_EQ(tips.size(), 24u);
    EXPECT_EQ(tips[0], (Point{50, 6}));
    EXPECT_EQ(tips[11], (Point{39, 93}));
    EXPECT_EQ(tips[13], (Point{61, 93}));
    EXPECT_EQ(tips[6], (Point{6, 50}));
    EXPECT_EQ(tips[12], (Point{50, 94}));
    EXPECT_EQ(tips[18], (Point{94, 50}));
    EXPECT_EQ(tips[23], (Point{61, 7}));
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

    direction = 6;  // needle pointing left
    Bitmap left = Drawing(100);
    EXPECT_EQ(left.Pixel(20, 50), kBlack);
    EXPECT_EQ(left.Pixel(50, 20), kWhite);
}

TEST_F(DirectionMarker, TurningWrapsAroundBothWays) {
    model.TurnMarkerRight();
    EXPECT_EQ(model.DirectionIndex(), 23);

    model.TurnMarkerLeft();
    EXPECT_EQ(model.DirectionIndex(), 0);
    for (int i = 0; i < 23; ++i) model.TurnMarkerLeft();
    EXPECT_EQ(model.DirectionIndex(), 23);
    model.TurnMarkerLeft();
    EXPECT_EQ(model.DirectionIndex(), 0);
}

TEST_F(DirectionMarker, MarkerIsTheDrawingReducedAndRedrawnOnATurn) {
    LoadGrey();  // a picture opening draws the marker
    const Bitmap up = model.MarkerPicture();
    EXPECT_EQ(up, ResampleBitmap(Drawing(100), 50, 50));
    EXPECT_EQ(model.MarkerTransparentColor(), kOlive);
    model.TurnMarkerLeft();
    EXPECT_NE(model.MarkerPicture(), up);
    EXPECT_EQ(model.MarkerPicture().Width(), 50);
}

TEST_F(DirectionMarker, HoverShowsTheFrameOverTheMarkerAndLeavingHidesIt) {
    Show();
    marker.PointerOverMarker();
    EXPECT_TRUE(marker.FrameShown());
    EXPECT_EQ(marker.Frame(), (Rect::At(175, 175, 50, 50)));
    marker.DragTo({223, 177});
    EXPECT_EQ(marker.Cursor(), Cursor::SizeNESW);
    EXPECT_TRUE(marker.FrameShown());
    marker.DragTo({226, 195});  // beyond the frame (captured pointer)
    EXPECT_FALSE(marker.FrameShown());
    marker.PointerOverMarker();
    marker.PointerOverResult();
    EXPECT_FALSE(marker.FrameShown());
}

TEST_F(DirectionMarker, DraggingMovesAndResizesTheMarker) {
    Show();
    marker.PointerOverMarker();
    marker.BeginDrag({200, 200});  // middle: move
    EXPECT_TRUE(marker.Drag().moving);
    marker.DragTo({210, 190});
    marker.EndDrag();
    EXPECT_EQ(model.Marker(), (Rect::At(185, 165, 50, 50)));
    EXPECT_FALSE(marker.FrameShown());
    EXPECT_FALSE(marker.Drag().moving);

    marker.PointerOverMarker();
    marker.BeginDrag({234, 214});  // bottom-right: resize from (185, 165)
    marker.DragTo({264, 224});     // side 79
    marker.EndDrag();
    EXPECT_EQ(model.Marker(), (Rect::At(185, 165, 79, 79)));
    EXPECT_EQ(model.MarkerPicture().Width(), 79);
    EXPECT_EQ(model.MarkerPicture().Height(), 79);
    EXPECT_TRUE(model.MarkerShown());
}

TEST_F(DirectionMarker, SizeStaysWithinTheLimitsSoDrawingNeverFails) {
    Show();
    marker.PointerOverMarker();
    marker.BeginDrag({224, 224});
    marker.DragTo({175, 175});  // back onto the anchor: side 0
    EXPECT_EQ(marker.Frame().Width(), 0);
    EXPECT_NO_THROW(marker.EndDrag());
    EXPECT_EQ(model.Marker().Width(), limits::kMinMarkerSide);
    EXPECT_EQ(model.MarkerPicture().Width(), limits::kMinMarkerSide);

    model.SetMarkerBounds(Rect::At(0, 0, 100000, 100000));
    EXPECT_EQ(model.Marker().Width(), limits::kMaxMarkerSide);
    model.SetMarkerBounds(Rect::At(0, 0, -5, 0));
    EXPECT_EQ(model.MarkerPicture().Width(), limits::kMinMarkerSide);
}

TEST_F(DirectionMarker, SaveStampsAShownMarkerWithoutItsBackground) {
    LoadGrey();
    Show();
    EXPECT_EQ(model.Save(), EditorExit::Save);
    const Bitmap& r = *model.Result();
    // The default marker sits at (175, 175) on the result.
    EXPECT_EQ(r.Pixel(200, 200), model.MarkerPicture().Pixel(25, 25));
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
    model.SetMarkerBounds(Rect::At(-25, 378, 50, 50));
    EXPECT_EQ(model.Save(), EditorExit::Save);  // toggle up: nothing stamped
    EXPECT_EQ(*model.Result(), model.WorkView());

    Show();
    EXPECT_EQ(model.Save(), EditorExit::Save);
    const Bitmap& r = *model.Result();
    EXPECT_EQ(r.Pixel(0, 399), model.MarkerPicture().Pixel(25, 21));
    EXPECT_NE(r.Pixel(0, 399), kGrey);
    EXPECT_EQ(r.Pixel(100, 399), kGrey);
}

TEST_F(DirectionMarker, NewPictureResetsTheDirectionButKeepsPlaceAndSize) {
    test::TempDir dir;
    const std::string path = dir.Str() + "p.png";
    WritePicture(Bitmap(30, 20), path);
    model.SetMarkerBounds(Rect::At(10, 20, 70, 70));
    for (int i = 0; i < 5; ++i) model.TurnMarkerLeft();
    const Bitmap turned = model.MarkerPicture();
    model.SetSource(path);
    model.Load();
    ASSERT_TRUE(model.Result());
    EXPECT_EQ(model.DirectionIndex(), 0);
    EXPECT_EQ(model.Marker(), (Rect::At(10, 20, 70, 70)));
    EXPECT_NE(model.MarkerPicture(), turned);
    EXPECT_EQ(model.MarkerPicture(), ResampleBitmap(Drawing(140), 70, 70));
}

}  // namespace
}  // namespace pictorel
