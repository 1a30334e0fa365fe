// The own BMP reader: layouts, RLE, bit fields and files that lie.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "formats/BmpReader.h"
#include "formats/LoadedPicture.h"

namespace pictorel {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

struct BmpSpec {
    BmpSpec(int w, int h, int b, std::uint32_t c, std::vector<Color> p = {},
            std::vector<std::uint32_t> m = {})
        : width(w),
          height(h),
          bits(b),
          compression(c),
          palette(std::move(p)),
          masks(std::move(m)) {}
    int width;
    int height;  // negative: top-down
    int bits;
    std::uint32_t compression;
    std::vector<Color> palette;
    std::vector<std::uint32_t> masks;  // written after a 40-byte header
    std::vector<std::uint8_t> pixels;
};

// File header, 40-byte info header, masks, palette, pixel data.
std::vector<std::uint8_t> MakeBmp(const BmpSpec& s) {
    const std::uint32_t offset =
        14 + 40 + static_cast<std::uint32_t>(s.masks.size() * 4 + s.palette.size() * 4);
    std::vector<std::uint8_t> out = {'B', 'M'};
    Put32(out, offset + static_cast<std::uint32_t>(s.pixels.size()));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(s.width));
    Put32(out, static_cast<std::uint32_t>(s.height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(s.bits));
    Put32(out, s.compression);
    Put32(out, static_cast<std::uint32_t>(s.pixels.size()));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, static_cast<std::uint32_t>(s.palette.size()));
    Put32(out, 0);
    for (std::uint32_t m : s.masks) Put32(out, m);
    for (const Color& c : s.palette) out.insert(out.end(), {c.b, c.g, c.r, 0});
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

std::string ErrorOf(const std::vector<std::uint8_t>& data) {
    try {
        DecodeBmp(data);
    } catch (const InvalidPicture& e) {
        return e.what();
    }
    return "";
}

const std::vector<Color> kPalette = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},  {0, 0, 255},
                                     {255, 255, 0}, {0, 255, 255}, {9, 9, 9},    {200, 100, 50},
                                     {1, 2, 3},     {4, 5, 6},     {7, 8, 9},    {10, 11, 12},
                                     {13, 14, 15},  {16, 17, 18},  {19, 20, 21}, {22, 23, 24}};

// 5 x 2, 8-bit: bottom row (file first) 1 2 3 4 5, top row 6 7 8 9 10.
BmpSpec Uncompressed8() {
    BmpSpec s{5, 2, 8, 0, kPalette};
    s.pixels = {1, 2, 3, 4, 5, 0, 0, 0, 6, 7, 8, 9, 10, 0, 0, 0};
    return s;
}

void ExpectPicture(const Bitmap& b, const std::vector<std::vector<int>>& rows) {
    ASSERT_EQ(b.Height(), static_cast<int>(rows.size()));
    for (int y = 0; y < b.Height(); ++y) {
        ASSERT_EQ(b.Width(), static_cast<int>(rows[y].size()));
        for (int x = 0; x < b.Width(); ++x) {
            EXPECT_EQ(b.Pixel(x, y), kPalette[rows[y][x]]) << x << "," << y;
        }
    }
}

TEST(BmpReaderTest, BottomUpAndTopDownRowsKeepTheirDepthAndPalette) {
    const Bitmap bottomUp = DecodeBmp(MakeBmp(Uncompressed8()));
    EXPECT_EQ(bottomUp.Format(), PixelFormat::Indexed8);
    EXPECT_EQ(bottomUp.ColorTable().size(), kPalette.size());
    ExpectPicture(bottomUp, {{6, 7, 8, 9, 10}, {1, 2, 3, 4, 5}});
    BmpSpec topDown = Uncompressed8();
    topDown.height = -2;
    ExpectPicture(DecodeBmp(MakeBmp(topDown)), {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}});
}

TEST(BmpReaderTest, Rle8AndRle4DecodeToTheUncompressedPicture) {
    BmpSpec rle8{5, 2, 8, 1, kPalette};
    // Row 0: a run of 2 x 1, absolute 2 3 4 (padded), then 5; row 1 after EOL.
    rle8.pixels = {2, 1, 0, 3, 2, 3, 4, 0, 1, 5, 0, 0, 1, 6, 4, 7, 0, 1};
    ExpectPicture(DecodeBmp(MakeBmp(rle8)), {{6, 7, 7, 7, 7}, {1, 1, 2, 3, 4}});

    BmpSpec rle4{5, 1, 4, 2, kPalette};
    // A run of 3 alternating nibbles 1,2,1, then absolute 3 nibbles 4,5,6.
    rle4.pixels = {3, 0x12, 0, 3, 0x45, 0x60, 0, 1};
    const Bitmap b = DecodeBmp(MakeBmp(rle4));
    EXPECT_EQ(b.Format(), PixelFormat::Indexed4);
    ExpectPicture(b, {{1, 2, 1, 4, 5}});
}

// truncated-rle8: the data stops in the middle of the picture.
TEST(BmpReaderTest, TruncatedRleFailsButAMissingEndMarkerAloneIsAccepted) {
    BmpSpec cut{4, 3, 8, 1, kPalette};
    cut.pixels = {4, 1, 0, 0, 2, 2};
    EXPECT_EQ(ErrorOf(MakeBmp(cut)),
              "Cannot load image. The BMP file is shorter than its header promises.");
    BmpSpec noEnd{4, 2, 8, 1, kPalette};
    noEnd.pixels = {4, 1, 0, 0, 4, 2};
    ExpectPicture(DecodeBmp(MakeBmp(noEnd)), {{2, 2, 2, 2}, {1, 1, 1, 1}});
}

// Runs and deltas that point outside the picture write nothing there.
TEST(BmpReaderTest, RleRunsAndDeltasBeyondThePictureAreClipped) {
    BmpSpec s{3, 2, 8, 1, kPalette};
    s.pixels = {255, 3, 0, 0, 2, 5, 0, 2, 200, 0, 1, 6, 0, 1};
    ExpectPicture(DecodeBmp(MakeBmp(s)), {{5, 5, 0}, {3, 3, 3}});
    BmpSpec absolute{2, 1, 8, 1, kPalette};
    absolute.pixels = {0, 5, 1, 2, 3, 4, 5, 0, 0, 1};  // absolute run longer than the row
    ExpectPicture(DecodeBmp(MakeBmp(absolute)), {{1, 2}});
    BmpSpec runOff{2, 1, 8, 1, kPalette};
    runOff.pixels = {0, 9, 1, 2};  // absolute run of 9 with 2 bytes left
    EXPECT_FALSE(ErrorOf(MakeBmp(runOff)).empty());
}

TEST(BmpReaderTest, HeadersThatLieAreRefused) {
    std::vector<std::uint8_t> shortPixels = MakeBmp(Uncompressed8());
    shortPixels.resize(shortPixels.size() - 3);  // only the last row's padding missing
    EXPECT_EQ(DecodeBmp(shortPixels).Width(), 5);
    shortPixels.pop_back();
    EXPECT_EQ(ErrorOf(shortPixels),
              "Cannot load image. The BMP file is shorter than its header promises.");

    BmpSpec manyColours = Uncompressed8();
    std::vector<std::uint8_t> data = MakeBmp(manyColours);
    data[46] = 200;  // 200 palette entries promised, the file ends long before
    EXPECT_EQ(ErrorOf(data), "Cannot load image. Palette in BMP file is invalid.");

    std::vector<std::uint8_t> badHeader = MakeBmp(Uncompressed8());
    badHeader[14] = 41;
    EXPECT_EQ(ErrorOf(badHeader), "Cannot load image. Invalid or unexpected BMP image format.");
    EXPECT_EQ(ErrorOf({'B', 'M', 0, 0}),
              "Cannot load image. Invalid or unexpected BMP image format.");

    BmpSpec huge{40000, 20000, 24, 0, {}};
    EXPECT_EQ(ErrorOf(MakeBmp(huge)),
              "Cannot load image. Image size 40000x20000 not supported for BMP files.");
    BmpSpec big{10000, 10000, 24, 0, {}};  // 100 MP promised by a 54-byte file
    EXPECT_EQ(ErrorOf(MakeBmp(big)),
              "Cannot load image. The BMP file is shorter than its header promises.");
    BmpSpec offsetPast = Uncompressed8();
    std::vector<std::uint8_t> past = MakeBmp(offsetPast);
    past[10] = 0xF0;
    past[11] = 0xFF;
    EXPECT_FALSE(ErrorOf(past).empty());
}

TEST(BmpReaderTest, BitFieldsKeepTheLayoutOrWidenByBitReplication) {
    BmpSpec rgb565{2, 1, 16, 3, {}, {0xF800, 0x07E0, 0x001F}};
    rgb565.pixels = {0x1F, 0xF8, 0xE0, 0x07};
    // little-endian 0xF81F: red 31, green 0, blue 31; 0x07E0: green 63
    const Bitmap b565 = DecodeBmp(MakeBmp(rgb565));
    EXPECT_EQ(b565.Format(), PixelFormat::Bgr565);
    EXPECT_EQ(b565.Pixel(0, 0), (Color{255, 0, 255}));
    EXPECT_EQ(b565.Pixel(1, 0), (Color{0, 255, 0}));

    BmpSpec rgb444{1, 1, 16, 3, {}, {0x0F00, 0x00F0, 0x000F}};
    rgb444.pixels = {0x5A, 0x03, 0, 0};  // r=3, g=5, b=10
    const Bitmap b444 = DecodeBmp(MakeBmp(rgb444));
    EXPECT_EQ(b444.Format(), PixelFormat::Bgr24);
    EXPECT_EQ(b444.Pixel(0, 0), (Color{0x33, 0x55, 0xAA}));

    BmpSpec rgb10{1, 1, 32, 3, {}, {0x3FF00000, 0x000FFC00, 0x000003FF}};
    const std::uint32_t v = (1023u << 20) | (512u << 10) | 3u;
    rgb10.pixels = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                    static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    EXPECT_EQ(DecodeBmp(MakeBmp(rgb10)).Pixel(0, 0), (Color{255, 128, 0}));
}

TEST(BmpReaderTest, OneBitKeepsItsOwnPaletteAndDepth) {
    BmpSpec s{10, 1, 1, 0, {{255, 255, 255}, {0, 0, 128}}};
    s.pixels = {0b10110000, 0b01000000, 0, 0};
    const Bitmap b = DecodeBmp(MakeBmp(s));
    EXPECT_EQ(b.Format(), PixelFormat::Indexed1);
    const int bits[] = {1, 0, 1, 1, 0, 0, 0, 0, 0, 1};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(b.Pixel(x, 0), bits[x] ? (Color{0, 0, 128}) : kWhite) << x;
    }
}

}  // namespace
}  // namespace pictorel

namespace pictorel {
namespace {

// Inputs found by fuzzing: a 1.7 KB RLE4 file that promises 201 megapixels
// (legal: its end-of-picture code leaves the rest at index 0) and a 76-byte
// progressive JPEG that promises 278 megapixels of coefficients.
TEST(FuzzRegressionTest, TinyFilesPromisingHugePicturesStayWithinTheirOwnSize) {
    const std::string data = std::string(PICTOREL_SOURCE_DIR) + "/tests/formats/data/";
    LoadedPicture bmp;
    LoadPicture(bmp, data + "rle4-bomb-65409x3073.bmp");
    ASSERT_NE(bmp.Format(), nullptr);
    const Bitmap& b = bmp.GetBitmap();
    EXPECT_EQ(b.Format(), PixelFormat::Indexed4);  // decoded in place, never widened
    EXPECT_EQ(b.Width(), 65409);
    EXPECT_EQ(b.Height(), 3073);

    LoadedPicture jpeg;
    EXPECT_THROW(LoadPicture(jpeg, data + "progressive-jpeg-bomb-32773x8487.jpg"), Error);
    EXPECT_TRUE(jpeg.Empty());
}

}  // namespace
}  // namespace pictorel
