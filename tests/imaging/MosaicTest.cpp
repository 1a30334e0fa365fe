#include "imaging/Mosaic.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace pictorel {
namespace {

// Fine black-on-white "lettering": one-pixel strokes every third column
// and every fifth row, the kind of detail a weak mosaic lets through.
Bitmap Lettering(int width, int height) {
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, (x % 3 == 0 || y % 5 == 0) ? kBlack : kWhite);
    return b;
}

TEST(Mosaic, BlockSideIsAnEighthOfTheShorterSideAndAtLeastEight) {
    EXPECT_EQ(MosaicBlockSide(10, 10), 8);
    EXPECT_EQ(MosaicBlockSide(400, 64), 8);
    EXPECT_EQ(MosaicBlockSide(400, 65), 9);
    EXPECT_EQ(MosaicBlockSide(120, 300), 15);
}

TEST(Mosaic, BlocksTileTheAreaExactlyWithNoThinStrips) {
    for (const Rect area :
         {Rect::At(3, 5, 70, 21), Rect::At(0, 0, 5, 3), Rect::At(10, 10, 17, 200)}) {
        const int side = MosaicBlockSide(area.Width(), area.Height());
        std::vector<int> covered(static_cast<std::size_t>(area.Width() * area.Height()), 0);
        for (const Rect& block : MosaicBlocks(area)) {
            EXPECT_GE(block.Width(), std::min(side, area.Width()));
            EXPECT_GE(block.Height(), std::min(side, area.Height()));
            for (int y = block.top; y < block.bottom; ++y)
                for (int x = block.left; x < block.right; ++x) {
                    ASSERT_TRUE(x >= area.left && x < area.right && y >= area.top &&
                                y < area.bottom);
                    ++covered[static_cast<std::size_t>((y - area.top) * area.Width() + x -
                                                       area.left)];
                }
        }
        for (int count : covered) EXPECT_EQ(count, 1);
    }
}

TEST(Mosaic, LetteringUnderItBecomesUniformBlocksAndNothingOutsideChanges) {
    const Bitmap original = Lettering(120, 80);
    Bitmap picture = original;
    const Rect area = Rect::At(17, 9, 70, 45);
    ApplyMosaic(picture, area);
    for (const Rect& block : MosaicBlocks(area)) {
        const Color first = picture.Pixel(block.left, block.top);
        for (int y = block.top; y < block.bottom; ++y)
            for (int x = block.left; x < block.right; ++x) ASSERT_EQ(picture.Pixel(x, y), first);
    }
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) {
                ASSERT_EQ(picture.Pixel(x, y), original.Pixel(x, y)) << x << "," << y;
            }
    // Only a handful of greys are left where the strokes were: the strokes'
    // places cannot be read back from them.
    std::set<int> greys;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) greys.insert(picture.Pixel(x, y).g);
    EXPECT_LE(greys.size(), MosaicBlocks(area).size());
}

}  // namespace
}  // namespace pictorel
