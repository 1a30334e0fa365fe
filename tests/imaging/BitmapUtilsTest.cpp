#include "imaging/BitmapUtils.h"
#include "imaging/ResampleBitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "imaging/ReferenceResample.h"

namespace pictorel {
namespace {

// A one-row or one-column grey picture from channel values.
Bitmap GreyRow(const std::vector<int>& values) {
    Bitmap b(static_cast<int>(values.size()), 1);
    for (int x = 0; x < b.Width(); ++x) {
        const auto v = static_cast<std::uint8_t>(values[x]);
        b.SetPixel(x, 0, Color{v, v, v});
    }
    return b;
}

std::vector<int> RedRow(const Bitmap& b) {
    std::vector<int> out;
    for (int x = 0; x < b.Width(); ++x) out.push_back(b.Pixel(x, 0).r);
    return out;
}

Bitmap RandomPicture(std::mt19937& rng, int w, int h, PixelFormat format = PixelFormat::Bgr24) {
    Bitmap b(w, h, format);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (std::size_t i = 0; i < b.Stride(); ++i) row[i] = static_cast<std::uint8_t>(byte(rng));
        // Bits after the last pixel of a row stay clear, as in a new picture.
        const int usedBits = (w * BitsPerPixel(format)) % 8;
        if (usedBits)
            row[w * BitsPerPixel(format) / 8] &= static_cast<std::uint8_t>(0xFF00 >> usedBits);
    }
    if (BitsPerPixel(format) <= 8) {
        std::vector<Color> table(std::size_t{1} << BitsPerPixel(format));
        for (Color& c : table)
            c = Color{static_cast<std::uint8_t>(byte(rng)), static_cast<std::uint8_t>(byte(rng)),
                      static_cast<std::uint8_t>(byte(rng))};
        b.SetColorTable(table);
    }
    return b;
}

TEST(ResampleBitmap, KnownValuesOfSmallRows) {
    EXPECT_EQ(RedRow(ResampleBitmap(GreyRow({0, 255, 0}), 3, 1)), (std::vector<int>{32, 191, 32}));
    EXPECT_EQ(RedRow(ResampleBitmap(GreyRow({0, 255}), 4, 1)), (std::vector<int>{0, 64, 191, 255}));
    EXPECT_EQ(RedRow(ResampleBitmap(GreyRow({0, 100, 200, 50}), 2, 1)),
              (std::vector<int>{56, 119}));
    // The shortened footprint is observable: a plain mean would give 104.
    EXPECT_EQ(RedRow(ResampleBitmap(GreyRow({192, 15}), 1, 1)), (std::vector<int>{103}));

    Bitmap square(2, 2);
    square.SetPixel(0, 0, Color{10, 10, 10});
    square.SetPixel(1, 0, Color{20, 20, 20});
    square.SetPixel(0, 1, Color{30, 30, 30});
    square.SetPixel(1, 1, Color{40, 40, 40});
    EXPECT_EQ(ResampleBitmap(square, 1, 1).Pixel(0, 0), (Color{25, 25, 25}));
}

TEST(ResampleBitmap, OnePixelSourceFillsAnySize) {
    Bitmap one(1, 1);
    one.SetPixel(0, 0, Color{7, 130, 250});
    const Bitmap big = ResampleBitmap(one, 3, 3);
    ASSERT_EQ(big.Width(), 3);
    ASSERT_EQ(big.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(big.Pixel(x, y), (Color{7, 130, 250}));
}

TEST(ResampleBitmap, UniformPicturesKeepTheirValue) {
    for (const Color c : {kWhite, kBlack, Color{1, 128, 254}}) {
        Bitmap src(7, 5);
        src.FillRect(Rect{0, 0, 7, 5}, c);
        for (const auto& [w, h] : std::vector<std::pair<int, int>>{
                 {1, 1}, {3, 2}, {7, 5}, {20, 9}, {7 * 400, 5 * 400}, {2800, 1}}) {
            const Bitmap out = ResampleBitmap(src, w, h);
            for (int y = 0; y < h; y += std::max(1, h / 7))
                for (int x = 0; x < w; x += std::max(1, w / 7))
                    ASSERT_EQ(out.Pixel(x, y), c) << w << "x" << h << " at " << x << "," << y;
        }
    }
}

TEST(ResampleBitmap, RefusesEmptySourcesAndZeroTargets) {
    EXPECT_THROW(ResampleBitmap(Bitmap(0, 5), 3, 3), AssertionFailure);
    EXPECT_THROW(ResampleBitmap(Bitmap(5, 0), 3, 3), AssertionFailure);
    try {
        ResampleBitmap(Bitmap(), 3, 3);
        FAIL();
    } catch (const AssertionFailure& e) {
        EXPECT_NE(std::string(e.what()).find("Assertion failure"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("BitmapUtils"), std::string::npos);
    }
    EXPECT_THROW(ResampleBitmap(Bitmap(4, 4), 0, 3), DivisionByZero);
    EXPECT_THROW(ResampleBitmap(Bitmap(4, 4), 3, 0), DivisionByZero);
    EXPECT_THROW(ResampleBitmap(Bitmap(4, 4), -3, 2), Error);
}

TEST(ResampleBitmap, PaletteSourceResamplesInItsColours) {
    Bitmap pal(2, 1, PixelFormat::Indexed8);
    pal.SetColorTable({Color{200, 0, 0}, Color{0, 0, 100}});
    pal.ScanLine(0)[0] = 1;
    pal.ScanLine(0)[1] = 1;
    const Bitmap out = ResampleBitmap(pal, 5, 3);
    EXPECT_EQ(out.Format(), PixelFormat::Bgr24);
    EXPECT_EQ(out.Pixel(4, 2), (Color{0, 0, 100}));
}

// Identical bytes to the plain transcription on random content.
void ExpectSameAsReference(const Bitmap& src, int w, int h) {
    const Bitmap fast = ResampleBitmap(src, w, h);
    const Bitmap ref = reference::ReferenceResample(src, w, h);
    ASSERT_TRUE(fast == ref) << src.Width() << "x" << src.Height() << " bpp " << src.BitsPerPixel()
                             << " -> " << w << "x" << h;
}

TEST(ResampleBitmap, MatchesReferenceOnRandomSizesAndLayouts) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> side(1, 90);
    const PixelFormat formats[] = {PixelFormat::Bgr24,    PixelFormat::Indexed8,
                                   PixelFormat::Bgra32,   PixelFormat::Indexed1,
                                   PixelFormat::Indexed4, PixelFormat::Bgr565};
    // One side in four is a single pixel.
    auto pick = [&] { return rng() % 4 == 0 ? 1 : side(rng); };
    for (int n = 0; n < 300; ++n) {
        const int W = pick(), H = pick();
        Bitmap src = RandomPicture(rng, W, H, formats[n % 6]);
        if (n % 12 == 1) src.SetGreyColorTable();  // grey pictures are read in place
        ExpectSameAsReference(src, pick(), pick());
    }
}

// Few, small levels and simple ratios give sums that fall exactly on a half,
// where a different summation order must not round the other way.
TEST(ResampleBitmap, MatchesReferenceOnExactHalves) {
    std::mt19937 rng(11);
    const std::uint8_t levels[] = {0, 4, 8, 12, 255};
    std::uniform_int_distribution<int> pick(0, 4);
    for (const auto& [W, H, w, h] : std::vector<std::array<int, 4>>{{16, 16, 16, 16},
                                                                    {16, 16, 32, 32},
                                                                    {16, 16, 8, 8},
                                                                    {24, 12, 16, 8},
                                                                    {16, 8, 64, 4},
                                                                    {9, 9, 9, 9},
                                                                    {12, 12, 3, 3},
                                                                    {20, 20, 40, 10}}) {
        for (int n = 0; n < 40; ++n) {
            Bitmap src(W, H);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const std::uint8_t v = levels[pick(rng)];
                    src.SetPixel(x, y, Color{v, levels[pick(rng)], v});
                }
            ExpectSameAsReference(src, w, h);
        }
    }
}

// The sizes of the two runs: a camera picture to 800 x 600 and the editor's
// full-resolution work square to 400 x 400; also a large enlargement and a
// grey picture read in place.
TEST(ResampleBitmap, MatchesReferenceOnLargeReductionsAndEnlargements) {
    std::mt19937 rng(5875);
    ExpectSameAsReference(RandomPicture(rng, 5875, 4406), 800, 600);
    ExpectSameAsReference(RandomPicture(rng, 3001, 2999), 400, 400);
    ExpectSameAsReference(RandomPicture(rng, 97, 61), 1203, 777);
    Bitmap grey = RandomPicture(rng, 1601, 1203, PixelFormat::Indexed8);
    grey.SetGreyColorTable();
    ExpectSameAsReference(grey, 801, 399);
}

TEST(RotateBitmap90, TurnsClockwiseAndFourTurnsGiveTheSource) {
    std::mt19937 rng(3);
    const Bitmap src = RandomPicture(rng, 3, 2);
    const Bitmap r = RotateBitmap90(src);
    ASSERT_EQ(r.Width(), 2);
    ASSERT_EQ(r.Height(), 3);
    EXPECT_EQ(r.Pixel(1, 0), src.Pixel(0, 0));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(r.Pixel(1 - y, x), src.Pixel(x, y));

    for (const PixelFormat f :
         {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8, PixelFormat::Bgr555,
          PixelFormat::Bgr565, PixelFormat::Bgr24, PixelFormat::Bgra32}) {
        const Bitmap pic = RandomPicture(rng, 77, 130, f);
        const Bitmap once = RotateBitmap90(pic);
        EXPECT_EQ(once.Format(), f);
        EXPECT_EQ(once.ColorTable(), pic.ColorTable());
        for (int y = 0; y < pic.Height(); y += 7)
            for (int x = 0; x < pic.Width(); x += 5)
                ASSERT_EQ(once.Pixel(pic.Height() - 1 - y, x), pic.Pixel(x, y));
        const Bitmap back = RotateBitmap90(RotateBitmap90(RotateBitmap90(once)));
        EXPECT_TRUE(back == pic) << BitsPerPixel(f);
    }
}

TEST(RotateBitmap90, TiledTurnOfColourRowsMatchesThePlainPerPixelTurn) {
    // Odd sizes leave partial tiles on both edges and row padding; the large
    // one is turned on several threads.
    std::mt19937 rng(11);
    for (const auto& [w, h] :
         {std::pair{1, 1}, {5, 17}, {17, 5}, {16, 16}, {33, 47}, {101, 3}, {1203, 1001}}) {
        const Bitmap pic = RandomPicture(rng, w, h, PixelFormat::Bgr24);
        Bitmap plain(h, w, PixelFormat::Bgr24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) plain.SetPixel(h - 1 - y, x, pic.Pixel(x, y));
        const Bitmap turned = RotateBitmap90(pic);
        ASSERT_EQ(turned.Width(), h);
        ASSERT_EQ(turned.Height(), w);
        ASSERT_EQ(turned.SizeInBytes(), plain.SizeInBytes());
        // Byte for byte, the bytes after each row's last pixel included.
        EXPECT_EQ(std::memcmp(turned.Bits(), plain.Bits(), plain.SizeInBytes()), 0)
            << w << " x " << h;
    }
}

TEST(TurnSquareInPlace, GivesTheSameBytesAsTheTurnIntoANewPicture) {
    // Odd sides have a centre pixel and row padding; the large one is turned
    // on several threads.
    std::mt19937 rng(5);
    for (const int side : {1, 2, 3, 31, 32, 65, 1001}) {
        Bitmap square = RandomPicture(rng, side, side, PixelFormat::Bgr24);
        const std::size_t used = 3 * std::size_t(side);
        for (int y = 0; y < side; ++y)  // padding as the editor's white square has it
            std::memset(square.ScanLine(y) + used, 0xFF, square.Stride() - used);
        const Bitmap expected = RotateBitmap90(square);
        Bitmap back = square;
        ASSERT_TRUE(TurnSquareInPlace(square));
        EXPECT_EQ(std::memcmp(square.Bits(), expected.Bits(), expected.SizeInBytes()), 0) << side;
        // The other way: three turns clockwise.
        ASSERT_TRUE(TurnSquareInPlace(back, TurnDirection::CounterClockwise));
        const Bitmap threeTurns = RotateBitmap90(RotateBitmap90(expected));
        EXPECT_EQ(std::memcmp(back.Bits(), threeTurns.Bits(), back.SizeInBytes()), 0) << side;
    }
    Bitmap wide = RandomPicture(rng, 4, 3, PixelFormat::Bgr24);
    const Bitmap before = wide;
    EXPECT_FALSE(TurnSquareInPlace(wide));
    Bitmap paletted = RandomPicture(rng, 4, 4, PixelFormat::Indexed8);
    EXPECT_FALSE(TurnSquareInPlace(paletted));
    EXPECT_TRUE(wide == before);
}

// The reference comparisons above run in this program twice: once as the
// library is built, once compiled with PICTOREL_SCALAR_ONLY (the loops other
// processors run). Each build must take the path it is meant to.
TEST(ResampleBitmap, RunsThePortableLoopsWhereNoX86VectorUnitIsUsed) {
#if defined(PICTOREL_SCALAR_ONLY) || !(defined(__x86_64__) || defined(__i386__))
    EXPECT_EQ(ResampleVectorUnit(), VectorUnit::Portable);
#else
    if (__builtin_cpu_supports("avx2")) {
        EXPECT_NE(ResampleVectorUnit(), VectorUnit::Portable);
    }
#endif
}

TEST(RotateBitmap90, LeavesTheBitsAfterTheLastPixelOfOneBitRowsClear) {
    Bitmap pic(5, 3, PixelFormat::Indexed1);  // result rows hold 3 pixels in one byte
    for (int y = 0; y < 3; ++y) pic.ScanLine(y)[0] = 0xFF;
    const Bitmap r = RotateBitmap90(pic);
    for (int y = 0; y < r.Height(); ++y) EXPECT_EQ(r.ScanLine(y)[0], 0xE0) << y;
}

TEST(RotateBitmap90, RefusesEmptyPicturesAndUnknownLayouts) {
    try {
        RotateBitmap90(Bitmap(0, 4));
        FAIL();
    } catch (const RotateError& e) {
        EXPECT_STREQ(e.what(), "Bitmap Size Error");
    }
    EXPECT_THROW(RotateBitmap90(Bitmap(4, 0)), RotateError);
    try {
        RotateBitmap90(Bitmap(3, 2, static_cast<PixelFormat>(99)));
        FAIL();
    } catch (const RotateError& e) {
        EXPECT_STREQ(e.what(), "Illegal Bitmap");
    }
}

}  // namespace
}  // namespace pictorel
