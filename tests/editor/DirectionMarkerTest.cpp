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
        doc.DrawCompass(b, Point{0, 0});
        return b;
    }
    void LoadGrey() {
        Bitmap square(400, 400);
        square.FillRect(Rect{0, 0, 400, 400}, kGrey);
        LoadSquare(doc, square);
    }
    void Show() { doc.ShowMarker(true); }
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
    doc.TurnMarkerRight();
    EXPECT_EQ(doc.DirectionIndex, 23);
    EXPECT_EQ(doc.DirectionPoints[23], (Point{61, 7}));  // the 100 x 100 drawing
    doc.TurnMarkerLeft();
    EXPECT_EQ(doc.DirectionIndex, 0);
    for (int i = 0; i < 23; ++i) doc.TurnMarkerLeft();
    EXPECT_EQ(doc.DirectionIndex, 23);
    doc.TurnMarkerLeft();
    EXPECT_EQ(doc.DirectionIndex, 0);
}

TEST_F(DirectionMarker, MarkerIsTheDrawingReducedAndRedrawnOnATurn) {
    doc.DrawMarker();
    const Bitmap up = doc.MarkerPicture;
    EXPECT_EQ(up, ResampleBitmap(Drawing(100), 50, 50));
    EXPECT_EQ(doc.MarkerTransparentColor(), kOlive);
    doc.TurnMarkerLeft();
    EXPECT_NE(doc.MarkerPicture, up);
    EXPECT_EQ(doc.MarkerPicture.Width(), 50);
}

TEST_F(DirectionMarker, DrawingKeepsTheMarkersVisibility) {
    Show();
    doc.DrawMarker();
    EXPECT_TRUE(doc.MarkerShown);
    doc.ShowMarker(false);
    doc.DrawMarker();
    EXPECT_FALSE(doc.MarkerShown);
}

TEST_F(DirectionMarker, HoverShowsTheFrameOverTheMarkerAndLeavingHidesIt) {
    Show();
    marker.PointerOverMarker();
    EXPECT_TRUE(marker.FrameShown());
    EXPECT_EQ(marker.Frame(), (Bounds{175, 175, 50, 50}));
    marker.DragTo(48, 2);
    EXPECT_EQ(marker.Cursor(), Cursor::SizeNESW);
    EXPECT_TRUE(marker.FrameShown());
    marker.DragTo(51, 20);  // beyond the frame (captured pointer)
    EXPECT_FALSE(marker.FrameShown());
    marker.PointerOverMarker();
    marker.PointerOverResult();
    EXPECT_FALSE(marker.FrameShown());
}

TEST_F(DirectionMarker, DraggingMovesAndResizesTheMarker) {
    Show();
    marker.PointerOverMarker();
    marker.BeginDrag(25, 25);  // middle: move
    EXPECT_TRUE(marker.Drag().moving);
    marker.DragTo(35, 15);
    marker.EndDrag();
    EXPECT_EQ(doc.Marker, (Bounds{185, 165, 50, 50}));
    EXPECT_FALSE(marker.FrameShown());
    EXPECT_FALSE(marker.Drag().moving);

    marker.PointerOverMarker();
    marker.BeginDrag(49, 49);  // bottom-right: resize from (185, 165)
    marker.DragTo(79, 59);     // pointer at (264, 224): side 79
    marker.EndDrag();
    EXPECT_EQ(doc.Marker, (Bounds{185, 165, 79, 79}));
    EXPECT_EQ(doc.MarkerPicture.Width(), 79);
    EXPECT_EQ(doc.MarkerPicture.Height(), 79);
    EXPECT_TRUE(doc.MarkerShown);
}

TEST_F(DirectionMarker, SizeStaysWithinTheLimitsSoDrawingNeverFails) {
    Show();
    marker.PointerOverMarker();
    marker.BeginDrag(49, 49);
    marker.DragTo(0, 0);  // back onto the anchor: side 0
    EXPECT_EQ(marker.Frame().width, 0);
    EXPECT_NO_THROW(marker.EndDrag());
    EXPECT_EQ(doc.Marker.width, limits::kMinMarkerSide);
    EXPECT_EQ(doc.MarkerPicture.Width(), limits::kMinMarkerSide);

    doc.SetMarkerBounds(Bounds{0, 0, 100000, 100000});
    EXPECT_EQ(doc.Marker.width, limits::kMaxMarkerSide);
    doc.Marker = {0, 0, -5, 0};  // even a bad size set directly draws
    EXPECT_NO_THROW(doc.DrawMarker());
}

TEST_F(DirectionMarker, MouseOnTheFrameIsIgnoredWhileBusy) {
    Show();
    marker.PointerOverMarker();
    doc.Busy = true;
    marker.BeginDrag(25, 25);
    marker.DragTo(40, 40);
    marker.EndDrag();
    EXPECT_FALSE(marker.Drag().moving);
    EXPECT_TRUE(marker.FrameShown());
    EXPECT_EQ(doc.Marker, (Bounds{175, 175, 50, 50}));
}

TEST_F(DirectionMarker, SaveStampsAShownMarkerWithoutItsBackground) {
    LoadGrey();
    Show();
    doc.DrawMarker();
    EXPECT_EQ(doc.Save(), EditorExit::Save);
    const Bitmap& r = *doc.Result;
    // The default marker sits at (175, 175) on the result.
    EXPECT_EQ(r.Pixel(200, 200), doc.MarkerPicture.Pixel(25, 25));
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
    doc.SetMarkerBounds(Bounds{-25, 378, 50, 50});
    doc.DrawMarker();
    EXPECT_EQ(doc.Save(), EditorExit::Save);  // toggle up: nothing stamped
    EXPECT_EQ(*doc.Result, doc.WorkView);

    Show();
    EXPECT_EQ(doc.Save(), EditorExit::Save);
    const Bitmap& r = *doc.Result;
    EXPECT_EQ(r.Pixel(0, 399), doc.MarkerPicture.Pixel(25, 21));
    EXPECT_NE(r.Pixel(0, 399), kGrey);
    EXPECT_EQ(r.Pixel(100, 399), kGrey);
}

TEST_F(DirectionMarker, NewPictureResetsTheDirectionButKeepsPlaceAndSize) {
    test::TempDir dir;
    const std::string path = dir.Str() + "p.png";
    WritePicture(Bitmap(30, 20), path);
    doc.SetMarkerBounds(Bounds{10, 20, 70, 70});
    for (int i = 0; i < 5; ++i) doc.TurnMarkerLeft();
    const Bitmap turned = doc.MarkerPicture;
    doc.SourcePath = path;
    doc.Load();
    ASSERT_TRUE(doc.Result);
    EXPECT_EQ(doc.DirectionIndex, 0);
    EXPECT_EQ(doc.Marker, (Bounds{10, 20, 70, 70}));
    EXPECT_NE(doc.MarkerPicture, turned);
    EXPECT_EQ(doc.MarkerPicture, ResampleBitmap(Drawing(140), 70, 70));
}

}  // namespace
}  // namespace pictorel
