// Laying alpha over white.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/AlphaOverWhite.h"

namespace pictorel {
namespace {

TEST(CompositeOverWhite, RoundsEachChannelAndDropsTheAlpha) {
    Bitmap picture(5, 1, PixelFormat::Bgra32);
    const std::uint8_t pixels[5][4] = {{10, 20, 30, 0},       // transparent: white
                                       {10, 20, 30, 255},     // opaque: its colour
                                       {0, 0, 0, 128},        // 255 * 127 / 255 = 127
                                       {200, 200, 200, 100},  // (20000 + 39525) / 255 = 233.4
                                       {0, 255, 1, 1}};       // 254.0, 255, 254.0
    std::memcpy(picture.ScanLine(0), pixels, sizeof pixels);
    CompositeOverWhite(picture);
    ASSERT_EQ(picture.Format(), PixelFormat::Bgr24);
    ASSERT_EQ(picture.Width(), 5);
    const std::uint8_t want[15] = {255, 255, 255, 10,  20,  30,  127, 127,
                                   127, 233, 233, 233, 254, 255, 254};
    EXPECT_EQ(std::memcmp(picture.ScanLine(0), want, sizeof want), 0);
    EXPECT_EQ(picture.ScanLine(0)[15], 0);  // row padding cleared

    Bitmap grey(3, 2, PixelFormat::Indexed8);
    grey.SetGreyColorTable();
    const Bitmap before = grey;
    CompositeOverWhite(grey);  // no alpha: left as it is
    EXPECT_TRUE(grey == before);
}

}  // namespace
}  // namespace pictorel
