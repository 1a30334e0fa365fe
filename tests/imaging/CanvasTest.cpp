#include "imaging/Canvas.h"

#include <gtest/gtest.h>

#include "base/Errors.h"

namespace pictorel {
namespace {

constexpr Color kOlive{128, 128, 0};
constexpr Color kRed{255, 0, 0};

Bitmap Filled(int w, int h, Color c) {
    Bitmap b(w, h);
    b.FillRect(Rect{0, 0, w, h}, c);
    return b;
}

int Count(const Bitmap& b, Color c) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) n += b.Pixel(x, y) == c;
    return n;
}

TEST(Canvas, RefusesPalettePictures) {
    Bitmap grey(4, 4, PixelFormat::Indexed8);
    EXPECT_THROW(Canvas{grey}, Error);
}

TEST(Canvas, LineLeavesOutItsEndPointAndMovesThePosition) {
    Bitmap b = Filled(10, 10, kWhite);
    Canvas c(b);
    c.Line(1, 2, 6, 2);
    for (int x = 1; x < 6; ++x) EXPECT_EQ(b.Pixel(x, 2), kBlack) << x;
    EXPECT_EQ(b.Pixel(6, 2), kWhite);
    EXPECT_EQ(b.Pixel(0, 2), kWhite);
    c.LineTo(6, 7);  // continues from (6, 2)
    for (int y = 2; y < 7; ++y) EXPECT_EQ(b.Pixel(6, y), kBlack) << y;
    EXPECT_EQ(b.Pixel(6, 7), kWhite);
    EXPECT_EQ(Count(b, kBlack), 10);
}

TEST(Canvas, DiagonalLineIsOnePixelPerStepAndWidePenIsThick) {
    Bitmap b = Filled(12, 12, kWhite);
    Canvas c(b);
    c.Line(0, 0, 5, 5);
    EXPECT_EQ(Count(b, kBlack), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b.Pixel(i, i), kBlack);

    Bitmap w = Filled(12, 12, kWhite);
    Canvas wide(w);
    wide.penWidth = 2;
    wide.penColor = kRed;
    wide.Line(3, 6, 9, 6);
    // Two rows thick: the row of the line and the one above it.
    for (int x = 2; x < 9; ++x) {
        EXPECT_EQ(w.Pixel(x, 6), kRed) << x;
        EXPECT_EQ(w.Pixel(x, 5), kRed) << x;
    }
    EXPECT_EQ(w.Pixel(5, 7), kWhite);
    EXPECT_EQ(w.Pixel(5, 4), kWhite);
}

TEST(Canvas, LinesAreClippedAtThePictureEdges) {
    Bitmap b = Filled(5, 5, kWhite);
    Canvas c(b);
    c.penWidth = 3;
    c.Line(-10, -10, 20, 20);
    EXPECT_EQ(b.Pixel(0, 0), kBlack);
    EXPECT_EQ(b.Pixel(4, 4), kBlack);
}

TEST(Canvas, EllipseFillsWithBrushAndOutlinesOnTheRadius) {
    Bitmap b = Filled(100, 100, kOlive);
    Canvas c(b);
    c.brush = kWhite;
    c.penWidth = 2;
    c.Ellipse(2, 2, 98, 98);  // centre (50, 50), radius 48
    EXPECT_EQ(b.Pixel(50, 50), kWhite);
    for (auto [x, y] : {std::pair{2, 50}, {98, 50}, {50, 2}, {50, 98}, {49, 97}, {3, 50}})
        EXPECT_EQ(b.Pixel(x, y), kBlack) << x << "," << y;
    EXPECT_EQ(b.Pixel(0, 50), kOlive);
    EXPECT_EQ(b.Pixel(50, 5), kWhite);
    EXPECT_EQ(b.Pixel(5, 5), kOlive);  // corner of the box lies outside the circle
}

TEST(Canvas, EllipseWithClearBrushKeepsTheInside) {
    Bitmap b = Filled(40, 30, kOlive);
    Canvas c(b);
    c.brush.reset();
    c.Ellipse(5, 5, 35, 25);
    EXPECT_EQ(b.Pixel(20, 15), kOlive);
    EXPECT_EQ(b.Pixel(5, 15), kBlack);
    EXPECT_EQ(b.Pixel(20, 25), kBlack);
}

// The ring must hold a fill at every size and for both pens: a leak would
// paint the background outside the circle.
TEST(Canvas, RingsHoldAFloodFillAtEverySize) {
    for (int pen : {1, 2}) {
        for (int side = 6; side <= 120; side += 1) {
            Bitmap b = Filled(side + 4, side + 4, kOlive);
            Canvas c(b);
            c.penWidth = pen;
            c.brush.reset();
            c.Ellipse(2, 2, side + 2, side + 2);
            c.brush = kWhite;
            c.FloodFill((side + 4) / 2, (side + 4) / 2, kBlack);
            EXPECT_EQ(b.Pixel(0, 0), kOlive) << "pen " << pen << " side " << side;
            EXPECT_EQ(b.Pixel(side + 3, side + 3), kOlive) << "pen " << pen << " side " << side;
            EXPECT_EQ(Count(b, kOlive) + Count(b, kWhite) + Count(b, kBlack),
                      (side + 4) * (side + 4));
            EXPECT_GT(Count(b, kWhite), 0);
        }
    }
}

TEST(Canvas, FloodFillStopsAtTheBorderColourOnly) {
    // A black square outline with a red pixel inside, on olive.
    Bitmap b = Filled(20, 20, kOlive);
    Canvas c(b);
    c.MoveTo(4, 4);
    c.LineTo(15, 4);
    c.LineTo(15, 15);
    c.LineTo(4, 15);
    c.LineTo(4, 4);
    c.Plot(8, 8, kRed);
    c.brush = kWhite;
    c.FloodFill(10, 10, kBlack);
    EXPECT_EQ(b.Pixel(8, 8), kWhite);  // not a border: filled over
    EXPECT_EQ(Count(b, kWhite), 10 * 10);
    EXPECT_EQ(b.Pixel(3, 3), kOlive);

    // Filling with the border colour itself fills the inside black.
    c.brush = kBlack;
    c.FloodFill(10, 10, kBlack);
    EXPECT_EQ(Count(b, kBlack), 12 * 12);
}

TEST(Canvas, FloodFillReachesConcaveCornersAndIgnoresBadStarts) {
    // A U shape: filling below the bar must climb both arms.
    Bitmap b = Filled(9, 9, kWhite);
    Canvas c(b);
    c.Line(4, 0, 4, 6);  // wall from the top, x = 4, rows 0..5
    c.brush = kRed;
    c.FloodFill(0, 0, kBlack);
    EXPECT_EQ(b.Pixel(8, 0), kRed);  // reached around the wall's bottom
    EXPECT_EQ(Count(b, kRed), 81 - 6);

    Bitmap d = Filled(5, 5, kWhite);
    Canvas e(d);
    e.Plot(2, 2, kBlack);
    e.brush = kRed;
    e.FloodFill(2, 2, kBlack);  // starts on the border
    e.FloodFill(-1, 2, kBlack);
    e.FloodFill(2, 5, kBlack);
    e.brush.reset();
    e.FloodFill(0, 0, kBlack);
    EXPECT_EQ(Count(d, kWhite), 24);
}

}  // namespace
}  // namespace pictorel
