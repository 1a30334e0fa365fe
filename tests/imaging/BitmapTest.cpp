#include "imaging/Bitmap.h"

#include <gtest/gtest.h>

#include "base/Errors.h"

namespace pictorel {
namespace {

TEST(Bitmap, RowsArePaddedToFourBytesForEveryLayout) {
    EXPECT_EQ(Bitmap(1, 1, PixelFormat::Indexed1).Stride(), 4u);
    EXPECT_EQ(Bitmap(33, 1, PixelFormat::Indexed1).Stride(), 8u);
    EXPECT_EQ(Bitmap(9, 1, PixelFormat::Indexed4).Stride(), 8u);
    EXPECT_EQ(Bitmap(5, 1, PixelFormat::Indexed8).Stride(), 8u);
    EXPECT_EQ(Bitmap(3, 1, PixelFormat::Bgr555).Stride(), 8u);
    EXPECT_EQ(Bitmap(3, 2, PixelFormat::Bgr24).Stride(), 12u);
    EXPECT_EQ(Bitmap(5, 1, PixelFormat::Bgr24).Stride(), 16u);
    EXPECT_EQ(Bitmap(3, 1, PixelFormat::Bgra32).Stride(), 12u);
}

TEST(Bitmap, RefusesSizesBeyondTheLimitsBeforeAllocating) {
    EXPECT_THROW(Bitmap(-1, 5), OutOfResources);
    EXPECT_THROW(Bitmap(100000, 100000), OutOfResources);
    EXPECT_THROW(Bitmap(2'000'000, 1), OutOfResources);
    EXPECT_NO_THROW(Bitmap(0, 0));
}

TEST(Bitmap, ScanLineIsCheckedAndTopDown) {
    Bitmap b(2, 3);
    b.SetPixel(1, 2, Color{1, 2, 3});
    const std::uint8_t* row = b.ScanLine(2);
    EXPECT_EQ(row[3], 3);  // blue first
    EXPECT_EQ(row[5], 1);
    EXPECT_THROW(b.ScanLine(3), std::out_of_range);
    EXPECT_THROW(b.ScanLine(-1), std::out_of_range);
}

TEST(Bitmap, PixelReadsEveryLayout) {
    Bitmap one(10, 1, PixelFormat::Indexed1);
    one.SetColorTable({kBlack, Color{10, 20, 30}});
    one.ScanLine(0)[1] = 0x40;  // pixel 9
    EXPECT_EQ(one.Pixel(9, 0), (Color{10, 20, 30}));
    EXPECT_EQ(one.Pixel(8, 0), kBlack);

    Bitmap four(3, 1, PixelFormat::Indexed4);
    four.SetColorTable(std::vector<Color>(16, kBlack));
    auto table = four.ColorTable();
    table[5] = Color{5, 5, 5};
    four.SetColorTable(table);
    four.ScanLine(0)[1] = 0x50;  // pixel 2 is the high half of byte 1
    EXPECT_EQ(four.Pixel(2, 0), (Color{5, 5, 5}));

    Bitmap eight(1, 1, PixelFormat::Indexed8);
    eight.SetColorTable({kBlack});
    eight.ScanLine(0)[0] = 200;  // no entry: black, never a read past the table
    EXPECT_EQ(eight.Pixel(0, 0), kBlack);

    Bitmap p15(1, 1, PixelFormat::Bgr555);
    p15.ScanLine(0)[0] = 0x1F;  // blue 31
    p15.ScanLine(0)[1] = 0x7C;  // red 31
    EXPECT_EQ(p15.Pixel(0, 0), (Color{255, 0, 255}));

    Bitmap p16(1, 1, PixelFormat::Bgr565);
    p16.ScanLine(0)[0] = 0xE0;  // green 63 spans both bytes
    p16.ScanLine(0)[1] = 0x07;
    EXPECT_EQ(p16.Pixel(0, 0), (Color{0, 255, 0}));
}

TEST(Bitmap, ToBgr24ExpandsPaletteAndDropsAlpha) {
    Bitmap grey(3, 2, PixelFormat::Indexed8);
    grey.SetGreyColorTable();
    grey.ScanLine(1)[2] = 77;
    const Bitmap rgb = grey.ToBgr24();
    EXPECT_EQ(rgb.Format(), PixelFormat::Bgr24);
    EXPECT_EQ(rgb.Pixel(2, 1), (Color{77, 77, 77}));

    Bitmap rgba(1, 1, PixelFormat::Bgra32);
    rgba.SetPixel(0, 0, Color{9, 8, 7});
    EXPECT_EQ(rgba.ToBgr24().Pixel(0, 0), (Color{9, 8, 7}));
}

TEST(Bitmap, FillCopyAndTransparentDrawAreClipped) {
    Bitmap dst(4, 4);
    dst.FillRect(Rect{-5, -5, 2, 2}, kWhite);
    EXPECT_EQ(dst.Pixel(1, 1), kWhite);
    EXPECT_EQ(dst.Pixel(2, 2), kBlack);

    Bitmap src(2, 2);
    src.FillRect(Rect{0, 0, 2, 2}, Color{1, 2, 3});
    src.SetPixel(0, 0, Color{9, 9, 9});
    dst.Draw(3, 3, src);  // only src (0,0) lands on dst (3,3)
    EXPECT_EQ(dst.Pixel(3, 3), (Color{9, 9, 9}));

    dst.Draw(-1, -1, src, Color{1, 2, 3});  // all but (0,0) transparent, and it is off-picture
    EXPECT_EQ(dst.Pixel(0, 0), kWhite);

    Bitmap copy(4, 4);
    copy.CopyRect(1, 1, dst, Rect{0, 0, 4, 4});
    EXPECT_EQ(copy.Pixel(1, 1), kWhite);
    EXPECT_EQ(copy.Pixel(0, 0), kBlack);
}

TEST(Bitmap, CopiesAreDeepAndMovesLeaveEmpty) {
    Bitmap a(2, 2);
    a.SetPixel(0, 0, kWhite);
    Bitmap b = a;
    b.SetPixel(0, 0, kBlack);
    EXPECT_EQ(a.Pixel(0, 0), kWhite);
    Bitmap c = std::move(a);
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(c.Pixel(0, 0), kWhite);
    EXPECT_FALSE(c == b);
}

}  // namespace
}  // namespace pictorel
