// The readers over the decoding libraries: JPEG, PNG, GIF and TIFF.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <zlib.h>

#include "FormatFixtures.h"
#include "ReaderTesting.h"
#include "base/Errors.h"
#include "formats/GifReader.h"
#include "formats/JpegReader.h"
#include "formats/PngReader.h"
#include "formats/TiffReader.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

using test::Pattern;

int Distance(Color a, Color b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// Pixel (x, y) of the upright picture for each EXIF orientation of a stored
// w x h picture `stored`: where that pixel sits in the stored one.
Color Upright(const test::Pixels& stored, int orientation, int w, int h, int x, int y) {
    switch (orientation) {
        case 2:
            return stored(w - 1 - x, y);
        case 3:
            return stored(w - 1 - x, h - 1 - y);
        case 4:
            return stored(x, h - 1 - y);
        case 5:
            return stored(y, x);
        case 6:
            return stored(y, h - 1 - x);
        case 7:
            return stored(w - 1 - y, h - 1 - x);
        case 8:
            return stored(w - 1 - y, x);
        default:
            return stored(x, y);
    }
}

// Big blocks of one colour survive JPEG at quality 100 nearly unchanged.
Color Blocks(int x, int y) {
    return Pattern(x / 8, y / 8);
}

TEST(JpegReaderTest, ExifOrientationTurnsThePictureUpright) {
    const int w = 24;
    const int h = 16;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        test::DecodedBy<JpegReader> jpeg;
        jpeg.LoadFromMemory(test::MakeJpeg(w, h, Blocks, orientation));
        const bool turned = orientation >= 5;
        ASSERT_EQ(jpeg.Width(), turned ? h : w);
        ASSERT_EQ(jpeg.Height(), turned ? w : h);
        EXPECT_EQ(jpeg.GetBitmap().BitsPerPixel(), 24);
        for (int y = 4; y < jpeg.Height(); y += 8) {
            for (int x = 4; x < jpeg.Width(); x += 8) {
                const Color want = Upright(Blocks, orientation, w, h, x, y);
                EXPECT_LE(Distance(jpeg.GetBitmap().Pixel(x, y), want), 3) << x << "," << y;
            }
        }
    }
}

TEST(JpegReaderTest, MalformedExifIsIgnored) {
    const std::vector<std::uint8_t> good = {'E', 'x', 'i', 'f', 0, 0, 'I',  'I',  42, 0,
                                            8,   0,   0,   0,   1, 0, 0x12, 0x01, 3,  0,
                                            1,   0,   0,   0,   6, 0, 0,    0};
    EXPECT_EQ(ExifOrientation(good), 6);
    std::vector<std::uint8_t> cut = good;
    cut.resize(good.size() - 6);  // entry runs past the segment
    EXPECT_EQ(ExifOrientation(cut), 1);
    std::vector<std::uint8_t> farIfd = good;
    farIfd[10] = 0xF0;  // IFD offset beyond the segment
    EXPECT_EQ(ExifOrientation(farIfd), 1);
    std::vector<std::uint8_t> wrongType = good;
    wrongType[18] = 4;  // LONG instead of SHORT
    EXPECT_EQ(ExifOrientation(wrongType), 1);
    std::vector<std::uint8_t> outOfRange = good;
    outOfRange[24] = 9;
    EXPECT_EQ(ExifOrientation(outOfRange), 1);
    std::vector<std::uint8_t> manyEntries = good;
    manyEntries[14] = 0xFF;
    manyEntries[15] = 0xFF;  // 65535 entries promised, one present
    EXPECT_EQ(ExifOrientation(manyEntries), 6);
}

TEST(JpegReaderTest, GreyFileGivesAGreyPalette) {
    test::DecodedBy<JpegReader> jpeg;
    jpeg.LoadFromMemory(test::MakeJpeg(16, 8, Blocks, 0, true));
    const Bitmap& b = jpeg.GetBitmap();
    ASSERT_EQ(b.BitsPerPixel(), 8);
    ASSERT_EQ(b.ColorTable().size(), 256u);
    EXPECT_EQ(b.ColorTable()[77], (Color{77, 77, 77}));
    EXPECT_LE(Distance(b.Pixel(3, 3), {Blocks(3, 3).g, Blocks(3, 3).g, Blocks(3, 3).g}), 2);
}

TEST(JpegReaderTest, DamagedDataFailsWithALoadError) {
    std::vector<std::uint8_t> jpeg = test::MakeJpeg(16, 16, Pattern);
    test::DecodedBy<JpegReader> reader;
    EXPECT_THROW(reader.LoadFromMemory({}), InvalidPicture);
    const std::vector<std::uint8_t> soiEoi = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_THROW(reader.LoadFromMemory(soiEoi), InvalidPicture);
    jpeg.resize(200);  // inside the tables, before any scan
    try {
        reader.LoadFromMemory(jpeg);
        FAIL() << "truncated headers accepted";
    } catch (const InvalidPicture& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected JPEG image format.");
    }
    EXPECT_TRUE(reader.Empty());
}

// A header promising far more 8x8 blocks than the file can hold.
TEST(JpegReaderTest, HeaderPromisingMoreThanTheFileHoldsIsRefused) {
    std::vector<std::uint8_t> jpeg = test::MakeJpeg(16, 16, Pattern);
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // SOF0: height, width at +5, +7
            jpeg[i + 5] = 0x3A;
            jpeg[i + 6] = 0x98;  // 15000
            jpeg[i + 7] = 0x4E;
            jpeg[i + 8] = 0x20;  // 20000
            break;
        }
    }
    test::DecodedBy<JpegReader> reader;
    try {
        reader.LoadFromMemory(jpeg);
        FAIL() << "accepted";
    } catch (const InvalidPicture& e) {
        EXPECT_STREQ(e.what(),
                     "Cannot load image. The JPEG file is shorter than its header promises.");
    }
}

TEST(PngReaderTest, GammaTableFollowsTheFormula) {
    // Values from round(255 * (v / 255) ** (1 / (g * 2.2))), computed apart.
    const int v[] = {0, 1, 2, 10, 64, 128, 200, 254, 255};
    const int g100[] = {0, 21, 28, 59, 136, 186, 228, 255, 255};
    const int g250[] = {0, 93, 106, 142, 198, 225, 244, 255, 255};
    const int g70[] = {0, 7, 11, 31, 104, 163, 218, 254, 255};
    const auto t100 = GammaTable(100000);
    const auto t250 = GammaTable(250000);
    const auto t70 = GammaTable(70000);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(t100[v[i]], g100[i]) << v[i];
        EXPECT_EQ(t250[v[i]], g250[i]) << v[i];
        EXPECT_EQ(t70[v[i]], g70[i]) << v[i];
    }
    const auto identity = GammaTable(45455);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(identity[k], k);
}

TEST(PngReaderTest, GammaIsAppliedToSamplesAndToTheGreyPalette) {
    const std::vector<std::uint8_t> rgb = {10, 64, 128, 200, 254, 1};
    test::DecodedBy<PngReader> png;
    png.LoadFromMemory(test::MakePng8(2, 1, rgb, false, 100000));
    EXPECT_EQ(png.GetBitmap().Pixel(0, 0), (Color{59, 136, 186}));
    EXPECT_EQ(png.GetBitmap().Pixel(1, 0), (Color{228, 255, 21}));

    png.LoadFromMemory(test::MakePng8(3, 1, {2, 64, 255}, true, 250000));
    ASSERT_EQ(png.GetBitmap().BitsPerPixel(), 8);
    EXPECT_EQ(png.GetBitmap().Pixel(0, 0), (Color{106, 106, 106}));
    EXPECT_EQ(png.GetBitmap().Pixel(1, 0), (Color{198, 198, 198}));

    png.LoadFromMemory(test::MakePng8(2, 1, rgb, false));  // no gAMA: untouched
    EXPECT_EQ(png.GetBitmap().Pixel(0, 0), (Color{10, 64, 128}));
}

TEST(PngReaderTest, SixteenBitSamplesKeepTheirHighByte) {
    const std::vector<std::uint16_t> samples = {0x0000, 0x00FF, 0x0100, 0x7FFF, 0x8000,
                                                0x80FF, 0xFEFF, 0xFF00, 0xFFFF};
    test::DecodedBy<PngReader> png;
    png.LoadFromMemory(test::MakePng16(3, 1, samples));
    ASSERT_EQ(png.GetBitmap().BitsPerPixel(), 24);
    EXPECT_EQ(png.GetBitmap().Pixel(0, 0), (Color{0x00, 0x00, 0x01}));
    EXPECT_EQ(png.GetBitmap().Pixel(1, 0), (Color{0x7F, 0x80, 0x80}));
    EXPECT_EQ(png.GetBitmap().Pixel(2, 0), (Color{0xFE, 0xFF, 0xFF}));
    // With gAMA 1.0 the table is applied to the reduced samples.
    png.LoadFromMemory(test::MakePng16(3, 1, samples, 100000));
    const auto t = GammaTable(100000);
    EXPECT_EQ(png.GetBitmap().Pixel(1, 0), (Color{t[0x7F], t[0x80], t[0x80]}));
}

TEST(PngReaderTest, DamagedFilesGiveTheirMessages) {
    std::vector<std::uint8_t> png = test::MakePng8(8, 8, std::vector<std::uint8_t>(192, 90), false);
    // The IDAT chunk's CRC is its last four bytes before IEND (12 bytes).
    std::vector<std::uint8_t> badCrc = png;
    badCrc[badCrc.size() - 13] ^= 0x55;
    test::DecodedBy<PngReader> reader;
    try {
        reader.LoadFromMemory(badCrc);
        FAIL() << "CRC error accepted";
    } catch (const InvalidPicture& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. CRC error found in PNG file.");
    }
    EXPECT_TRUE(reader.Empty());
    std::vector<std::uint8_t> cut(png.begin(), png.end() - 20);
    EXPECT_THROW(reader.LoadFromMemory(cut), InvalidPicture);
}

// A PNG written chunk by chunk, so that each fault can be placed exactly.
class PngChunks {
  public:
    PngChunks() {
        static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        bytes_.assign(kSignature, kSignature + 8);
    }
    PngChunks& Add(const char* type, const std::vector<std::uint8_t>& data, bool goodCrc = true) {
        const auto be32 = [this](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                bytes_.push_back(static_cast<std::uint8_t>(v >> (24 - 8 * i)));
        };
        be32(static_cast<std::uint32_t>(data.size()));
        const std::size_t typeAt = bytes_.size();
        bytes_.insert(bytes_.end(), type, type + 4);
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        const uLong crc = crc32(0, bytes_.data() + typeAt, static_cast<uInt>(4 + data.size()));
        be32(static_cast<std::uint32_t>(goodCrc ? crc : crc ^ 1));
        return *this;
    }
    PngChunks& Header(int width, int height, int depth, int colorType) {
        std::vector<std::uint8_t> ihdr = {0,
                                          0,
                                          0,
                                          static_cast<std::uint8_t>(width),
                                          0,
                                          0,
                                          0,
                                          static_cast<std::uint8_t>(height),
                                          static_cast<std::uint8_t>(depth),
                                          static_cast<std::uint8_t>(colorType),
                                          0,
                                          0,
                                          0};
        return Add("IHDR", ihdr);
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> Deflated(const std::vector<std::uint8_t>& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> out(size);
    EXPECT_EQ(compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
    out.resize(size);
    return out;
}

std::string PngMessage(const std::vector<std::uint8_t>& data) {
    test::DecodedBy<PngReader> reader;
    try {
        reader.LoadFromMemory(data);
    } catch (const InvalidPicture& e) {
        return e.what();
    }
    return "decoded";
}

TEST(PngReaderTest, EachFaultIsToldByWhereTheReadingStood) {
    const std::vector<std::uint8_t> rows = {0, 1, 2, 0, 2, 1};  // 2x2 palette, filter bytes 0
    const auto idat = Deflated(rows);
    const std::vector<std::uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 0, 255};
    const std::string crc = "Cannot load image. CRC error found in PNG file.";
    const std::string compression = "Cannot load image. Compression error found in PNG file.";
    const std::string badPalette = "Cannot load image. Palette in PNG file is invalid.";
    const std::string format = "Cannot load image. Invalid or unexpected PNG image format.";

    EXPECT_EQ(PngMessage(PngChunks()
                             .Header(2, 2, 8, 3)
                             .Add("PLTE", palette)
                             .Add("IDAT", idat)
                             .Add("IEND", {})
                             .Bytes()),
              "decoded");
    // An ancillary chunk with a wrong CRC is dropped; a critical one is refused.
    EXPECT_EQ(PngMessage(PngChunks()
                             .Header(2, 2, 8, 3)
                             .Add("tEXt", {'a', 0, 'b'}, false)
                             .Add("PLTE", palette)
                             .Add("IDAT", idat)
                             .Add("IEND", {})
                             .Bytes()),
              "decoded");
    EXPECT_EQ(
        PngMessage(
            PngChunks().Header(2, 2, 8, 3).Add("PLTE", palette, false).Add("IDAT", idat).Bytes()),
        crc);
    // A header whose CRC is right but whose contents are not is no CRC fault.
    EXPECT_EQ(
        PngMessage(PngChunks().Header(2, 2, 7, 3).Add("PLTE", palette).Add("IDAT", idat).Bytes()),
        format);
    EXPECT_EQ(PngMessage(PngChunks().Header(2, 2, 8, 3).Add("IDAT", idat).Bytes()), badPalette);
    EXPECT_EQ(
        PngMessage(
            PngChunks().Header(2, 2, 8, 3).Add("PLTE", {1, 2, 3, 4}).Add("IDAT", idat).Bytes()),
        badPalette);
    std::vector<std::uint8_t> garbled = idat;
    garbled[0] = 0x12;  // not a zlib header
    EXPECT_EQ(PngMessage(
                  PngChunks().Header(2, 2, 8, 3).Add("PLTE", palette).Add("IDAT", garbled).Bytes()),
              compression);
    // Image data that stops after one row, then a chunk that is not IDAT.
    EXPECT_EQ(PngMessage(PngChunks()
                             .Header(2, 2, 8, 3)
                             .Add("PLTE", palette)
                             .Add("IDAT", Deflated({0, 1, 2}))
                             .Add("IEND", {})
                             .Bytes()),
              compression);
    // A chunk name libpng refuses, met while the image data is read.
    const std::vector<std::uint8_t> half(idat.begin(), idat.begin() + 4);
    const std::vector<std::uint8_t> rest(idat.begin() + 4, idat.end());
    EXPECT_EQ(PngMessage(PngChunks()
                             .Header(2, 2, 8, 3)
                             .Add("PLTE", palette)
                             .Add("IDAT", half)
                             .Add("ID@T", rest)
                             .Bytes()),
              format);
    // The file ends inside the image data.
    const auto whole =
        PngChunks().Header(2, 2, 8, 3).Add("PLTE", palette).Add("IDAT", idat).Bytes();
    EXPECT_EQ(PngMessage(std::vector<std::uint8_t>(whole.begin(), whole.end() - 6)), format);
}

TEST(PngReaderTest, HugeOrImpossibleSizesAreRefusedBeforeAllocating) {
    std::vector<std::uint8_t> png = test::MakePng8(1, 1, {0, 0, 0}, false);
    // IHDR width and height sit at bytes 16 and 20, its CRC at 29.
    auto setSize = [&](std::uint32_t w, std::uint32_t h) {
        std::vector<std::uint8_t> out = png;
        for (int i = 0; i < 4; ++i) {
            out[16 + i] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
            out[20 + i] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
        }
        const uLong crc = crc32(0, out.data() + 12, 17);
        for (int i = 0; i < 4; ++i) out[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        return out;
    };
    const auto message = [](const std::vector<std::uint8_t>& data) {
        test::DecodedBy<PngReader> reader;
        try {
            reader.LoadFromMemory(data);
        } catch (const InvalidPicture& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(message(setSize(30000, 20000)),
              "Cannot load image. Image size 30000x20000 not supported for PNG files.");
    EXPECT_EQ(message(setSize(15000, 15000)),  // 225 MP from a file of 70 bytes
              "Cannot load image. The PNG file is shorter than its header promises.");
    EXPECT_EQ(message(setSize(2, 1)), "Cannot load image. Compression error found in PNG file.");
}

TEST(GifReaderTest, FirstImageSurvivesADamagedLaterFrameAndAMissingTrailer) {
    const std::vector<Color> table = {kBlack, kWhite, {255, 0, 0}, {0, 0, 255}};
    std::vector<std::uint8_t> first(6 * 4);
    for (std::size_t i = 0; i < first.size(); ++i) first[i] = static_cast<std::uint8_t>(i % 4);
    const test::GifFrame a{6, 4, first};
    const test::GifFrame b{6, 4, std::vector<std::uint8_t>(24, 1)};
    std::vector<std::uint8_t> gif = test::MakeGif(6, 4, table, {a, b}, false);
    gif.resize(gif.size() - 8);  // second frame cut short, no trailer

    test::DecodedBy<GifReader> reader;
    reader.LoadFromMemory(gif);
    ASSERT_EQ(reader.Width(), 6);
    ASSERT_EQ(reader.GetBitmap().BitsPerPixel(), 8);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(reader.GetBitmap().Pixel(x, y), table[(y * 6 + x) % 4]);
        }
    }
}

TEST(GifReaderTest, InterlacedRowsLandInPictureOrderAndLocalTableWins) {
    std::vector<std::uint8_t> indices(3 * 11);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 3; ++x)
            indices[static_cast<std::size_t>(y * 3 + x)] = static_cast<std::uint8_t>(y % 4);
    }
    const std::vector<Color> wrong = {kWhite, kWhite, kWhite, kWhite};
    const std::vector<Color> local = {kBlack, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    test::GifFrame frame{3, 11, indices, true, local};
    test::DecodedBy<GifReader> reader;
    reader.LoadFromMemory(test::MakeGif(3, 11, wrong, {frame}));
    for (int y = 0; y < 11; ++y) EXPECT_EQ(reader.GetBitmap().Pixel(1, y), local[y % 4]) << y;
}

TEST(GifReaderTest, CutInsideTheFirstImageFails) {
    std::vector<std::uint8_t> indices(40 * 40);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<std::uint8_t>((i * 7) % 4);
    std::vector<std::uint8_t> gif =
        test::MakeGif(40, 40, {kBlack, kWhite, kBlack, kWhite}, {{40, 40, indices}});
    gif.resize(gif.size() / 2);
    test::DecodedBy<GifReader> reader;
    EXPECT_THROW(reader.LoadFromMemory(gif), InvalidPicture);
    EXPECT_TRUE(reader.Empty());
}

TEST(TiffReaderTest, OrientationTagTurnsThePictureUpright) {
    test::TempDir dir;
    const int w = 5;
    const int h = 3;
    std::vector<std::uint16_t> samples;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Color c = Pattern(x, y);
            samples.insert(samples.end(), {c.r, c.g, c.b});
        }
    }
    for (int orientation : {1, 3, 6, 8}) {
        SCOPED_TRACE(orientation);
        const auto path = dir.Path() / ("o" + std::to_string(orientation) + ".tif");
        test::MakeTiff(path, w, h, 3, 8, samples, orientation);
        test::DecodedBy<TiffReader> tiff;
        tiff.LoadFromFile(path.string());
        const bool turned = orientation >= 5;
        ASSERT_EQ(tiff.Width(), turned ? h : w);
        for (int y = 0; y < tiff.Height(); ++y) {
            for (int x = 0; x < tiff.Width(); ++x) {
                EXPECT_EQ(tiff.GetBitmap().Pixel(x, y), Upright(Pattern, orientation, w, h, x, y));
            }
        }
    }
}

TEST(TiffReaderTest, SixteenBitSamplesKeepTheirHighByte) {
    test::TempDir dir;
    const std::vector<std::uint16_t> grey = {0x0000, 0x00FF, 0x7FFF, 0x8000, 0xFFFF};
    test::MakeTiff(dir.Path() / "g.tif", 5, 1, 1, 16, grey);
    test::DecodedBy<TiffReader> tiff;
    tiff.LoadFromFile((dir.Path() / "g.tif").string());
    ASSERT_EQ(tiff.GetBitmap().BitsPerPixel(), 8);
    const int want[] = {0x00, 0x00, 0x7F, 0x80, 0xFF};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(tiff.GetBitmap().Pixel(x, 0).g, want[x]);

    const std::vector<std::uint16_t> rgba = {0x12FF, 0x3400, 0x56AA, 0x8001};
    test::MakeTiff(dir.Path() / "c.tif", 1, 1, 4, 16, rgba);
    tiff.LoadFromFile((dir.Path() / "c.tif").string());
    EXPECT_EQ(tiff.GetBitmap().Pixel(0, 0), (Color{0x12, 0x34, 0x56}));
}

TEST(TiffReaderTest, TruncatedStripFailsAndLibraryStaysQuiet) {
    test::TempDir dir;
    std::vector<std::uint16_t> samples(64 * 64 * 3, 100);
    test::MakeTiff(dir.Path() / "t.tif", 64, 64, 3, 8, samples);
    std::vector<std::uint8_t> bytes = test::ReadFile(dir.Path() / "t.tif");
    // libtiff puts the strip right after the 8-byte header and the directory last:
    // lose the directory and the file has no valid first directory.
    bytes.resize(bytes.size() / 2);
    test::DecodedBy<TiffReader> tiff;
    testing::internal::CaptureStderr();
    EXPECT_THROW(tiff.LoadFromMemory(bytes), InvalidPicture);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace pictorel
