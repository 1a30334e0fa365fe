#include "formats/PsdReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ReaderTesting.h"
#include "base/Errors.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A PSD file put together field by field.
struct PsdFile {
    std::uint16_t channels = 3;
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    std::uint16_t depth = 8;
    std::uint16_t mode = 3;
    Bytes colorData;
    Bytes resources;
    Bytes layers;
    std::uint16_t compression = 0;
    std::vector<std::uint16_t> counts;  // PackBits byte counts, channel by channel
    Bytes image;                        // raw planes or compressed rows
    std::string signature = "8BPS";
    std::uint16_t version = 1;

    Bytes Build() const {
        Bytes out(signature.begin(), signature.end());
        Put16(out, version);
        out.insert(out.end(), 6, 0);
        Put16(out, channels);
        Put32(out, height);
        Put32(out, width);
        Put16(out, depth);
        Put16(out, mode);
        for (const Bytes* section : {&colorData, &resources, &layers}) {
            Put32(out, static_cast<std::uint32_t>(section->size()));
            out.insert(out.end(), section->begin(), section->end());
        }
        Put16(out, compression);
        for (std::uint16_t c : counts) Put16(out, c);
        out.insert(out.end(), image.begin(), image.end());
        return out;
    }
    static void Put16(Bytes& b, std::uint32_t v) {
        b.push_back(static_cast<std::uint8_t>(v >> 8));
        b.push_back(static_cast<std::uint8_t>(v));
    }
    static void Put32(Bytes& b, std::uint32_t v) {
        Put16(b, v >> 16);
        Put16(b, v & 0xFFFF);
    }
};

Bitmap Load(const Bytes& bytes) {
    test::DecodedBy<PsdReader> g;
    g.LoadFromMemory(bytes);
    return g.TakeBitmap();
}

std::string LoadError(const Bytes& bytes) {
    return test::LoadError<PsdReader>(bytes);
}

// 16-bit big-endian samples.
Bytes Samples16(std::initializer_list<std::uint16_t> values) {
    Bytes b;
    for (std::uint16_t v : values) PsdFile::Put16(b, v);
    return b;
}

TEST(PSDContentTest, NeedsMoreThanTheHeaderAndVersionOne) {
    PsdFile f;
    f.image = {1, 2, 3};
    Bytes bytes = f.Build();
    EXPECT_TRUE(PsdReader::RecognisesContent(bytes));
    EXPECT_FALSE(PsdReader::RecognisesContent(std::span(bytes).first(26)));
    EXPECT_TRUE(PsdReader::RecognisesContent(std::span(bytes).first(27)));
    f.signature = "8bps";
    EXPECT_TRUE(PsdReader::RecognisesContent(f.Build()));
    f.signature = "8BPX";
    EXPECT_FALSE(PsdReader::RecognisesContent(f.Build()));
    f.signature = "8BPS";
    f.version = 2;
    EXPECT_FALSE(PsdReader::RecognisesContent(f.Build()));
}

TEST(PsdReaderTest, RgbPlanesBecomeBgrPixels) {
    PsdFile f;
    f.width = 3;
    f.height = 2;
    // Planes R, G, B of 3 x 2 samples each.
    f.image = {10, 11, 12, 13, 14, 15, 20, 21, 22, 23, 24, 25, 30, 31, 32, 33, 34, 35};
    const Bitmap b = Load(f.Build());
    ASSERT_EQ(b.Format(), PixelFormat::Bgr24);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.Pixel(0, 0), (Color{10, 20, 30}));
    EXPECT_EQ(b.Pixel(2, 1), (Color{15, 25, 35}));
    EXPECT_EQ(b.ScanLine(1)[3], 34);  // blue first in memory
}

TEST(PsdReaderTest, FourOrMoreChannelsGiveAlphaFromTheFourthPlane) {
    PsdFile f;
    f.width = 2;
    f.channels = 5;  // R, G, B, alpha, spot colour
    f.image = {1, 2, 3, 4, 5, 6, 7, 8, 99, 99};
    const Bitmap b = Load(f.Build());
    ASSERT_EQ(b.Format(), PixelFormat::Bgra32);
    const std::uint8_t* row = b.ScanLine(0);
    EXPECT_EQ((Bytes{row, row + 8}), (Bytes{5, 3, 1, 7, 6, 4, 2, 8}));

    f.mode = 7;  // Multichannel with exactly three channels reads as RGB
    f.channels = 3;
    f.image = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(Load(f.Build()).Format(), PixelFormat::Bgr24);
}

TEST(PsdReaderTest, SixteenBitSamplesAreScaledDownTruncating) {
    PsdFile f;
    f.depth = 16;
    f.width = 4;
    f.image = Samples16({65535, 32768, 257, 256,  // red
                         0, 65534, 65280, 32767,  // green
                         1, 128, 255, 65535});    // blue
    const Bitmap b = Load(f.Build());
    EXPECT_EQ(b.Pixel(0, 0), (Color{255, 0, 0}));
    EXPECT_EQ(b.Pixel(1, 0), (Color{127, 254, 0}));
    EXPECT_EQ(b.Pixel(2, 0), (Color{1, 254, 0}));
    EXPECT_EQ(b.Pixel(3, 0), (Color{0, 127, 255}));

    f.mode = 1;  // grey takes the same rule
    f.channels = 1;
    f.image = Samples16({65535, 32768, 257, 256});
    const Bitmap grey = Load(f.Build());
    ASSERT_EQ(grey.Format(), PixelFormat::Indexed8);
    EXPECT_EQ((Bytes{grey.ScanLine(0), grey.ScanLine(0) + 4}), (Bytes{255, 127, 1, 0}));
}

TEST(PsdReaderTest, CmykStoresInkInvertedAndCombinesWithBlack) {
    PsdFile f;
    f.mode = 4;
    f.channels = 4;
    f.width = 3;
    // Pixel 0 no ink, pixel 1 full ink, pixel 2 cyan 100 / magenta 0 /
    // yellow 255 with black 50 (stored as 255 minus the amount).
    f.image = {255, 0, 155, 255, 0, 255, 255, 0, 0, 255, 0, 205};
    const Bitmap b = Load(f.Build());
    EXPECT_EQ(b.Pixel(0, 0), kWhite);
    EXPECT_EQ(b.Pixel(1, 0), kBlack);
    // 255 - 100 - 50 + 100*50 div 255 = 124; 255 - 0 - 50 + 0 = 205;
    // 255 - 255 - 50 + 255*50 div 255 = 0.
    EXPECT_EQ(b.Pixel(2, 0), (Color{124, 205, 0}));

    f.depth = 16;
    f.image = Samples16({65535, 0, 39321, 65535, 0, 65535, 65535, 0, 0, 65535, 0, 52428});
    const Bitmap b16 = Load(f.Build());
    EXPECT_EQ(b16.Pixel(0, 0), kWhite);
    EXPECT_EQ(b16.Pixel(1, 0), kBlack);
    // c = 26214, k = 13107: t = 39321 - 26214*13107 div 65535 = 34079,
    // 34079*255 div 65535 = 132, 255 - 132 = 123; k alone: 13107 -> 51 -> 204.
    EXPECT_EQ(b16.Pixel(2, 0), (Color{123, 204, 0}));
}

TEST(PsdReaderTest, LabWhiteBlackAndGreyAxis) {
    PsdFile f;
    f.mode = 9;
    f.width = 2;
    f.image = {255, 0, 128, 128, 128, 128};
    const Bitmap b = Load(f.Build());
    EXPECT_EQ(b.Pixel(0, 0), kWhite);
    EXPECT_EQ(b.Pixel(1, 0), kBlack);

    f.depth = 16;  // 16-bit Lab is refused
    f.image = Bytes(12, 0);
    EXPECT_EQ(LoadError(f.Build()),
              "Cannot load image. 16-bit Lab colour not supported for PSD or PDD files.");
}

TEST(PsdReaderTest, BitmapModeIsOneBitWhiteThenBlack) {
    PsdFile f;
    f.mode = 0;
    f.depth = 1;
    f.channels = 1;
    f.width = 13;
    f.height = 2;
    f.image = {0b10100000, 0b00001000, 0xFF, 0xF8};
    const Bitmap b = Load(f.Build());
    ASSERT_EQ(b.Format(), PixelFormat::Indexed1);
    ASSERT_EQ(b.ColorTable(), (std::vector<Color>{kWhite, kBlack}));
    EXPECT_EQ(b.Pixel(0, 0), kBlack);
    EXPECT_EQ(b.Pixel(1, 0), kWhite);
    EXPECT_EQ(b.Pixel(2, 0), kBlack);
    EXPECT_EQ(b.Pixel(12, 0), kBlack);
    EXPECT_EQ(b.Pixel(11, 0), kWhite);
    EXPECT_EQ(b.Pixel(12, 1), kBlack);
}

TEST(PsdReaderTest, DuotoneSkipsItsColourDataAndShowsTheFirstChannelAsGrey) {
    PsdFile f;
    f.mode = 8;
    f.channels = 2;
    f.width = 3;
    f.colorData = Bytes(534, 0xAB);
    f.image = {0, 100, 255, 7, 7, 7};
    const Bitmap b = Load(f.Build());
    ASSERT_EQ(b.Format(), PixelFormat::Indexed8);
    EXPECT_EQ(b.Pixel(0, 0), kBlack);
    EXPECT_EQ(b.Pixel(1, 0), (Color{100, 100, 100}));
    EXPECT_EQ(b.Pixel(2, 0), kWhite);
}

TEST(PsdReaderTest, IndexedUsesThePlanarTableAndSkipsTheRest) {
    PsdFile f;
    f.mode = 2;
    f.channels = 1;
    f.width = 2;
    f.colorData.assign(770, 0);  // two stray bytes after the table
    f.colorData[1] = 11;         // entry 1: red
    f.colorData[256 + 1] = 22;   // green
    f.colorData[512 + 1] = 33;   // blue
    f.colorData[512 + 255] = 44;
    f.image = {1, 255};
    const Bitmap b = Load(f.Build());
    ASSERT_EQ(b.ColorTable().size(), 256u);
    EXPECT_EQ(b.Pixel(0, 0), (Color{11, 22, 33}));
    EXPECT_EQ(b.Pixel(1, 0), (Color{0, 0, 44}));
}

TEST(PsdReaderTest, SectionsAreSkippedByTheirLengths) {
    PsdFile f;
    f.colorData = {1, 2, 3};
    f.resources = Bytes(17, 0x38);
    f.layers = Bytes(7, 0x42);
    f.image = {9, 8, 7};
    EXPECT_EQ(Load(f.Build()).Pixel(0, 0), (Color{9, 8, 7}));
}

TEST(UnpackBitsTest, CopiesRepeatsAndCutsToBothEnds) {
    Bytes out(8, 0xEE);
    // literal 2, repeat 3 x 7, -128 no-op, literal 1
    EXPECT_EQ(UnpackBits(Bytes{1, 5, 6, 0xFE, 7, 0x80, 0, 9}, out), 6u);
    EXPECT_EQ(out, (Bytes{5, 6, 7, 7, 7, 9, 0xEE, 0xEE}));

    Bytes small(3, 0);
    EXPECT_EQ(UnpackBits(Bytes{0xF9, 4, 2, 1, 1, 1}, small), 3u);  // repeat of 8 cut to 3
    EXPECT_EQ(small, (Bytes{4, 4, 4}));

    Bytes rest(6, 0xEE);
    EXPECT_EQ(UnpackBits(Bytes{5, 1, 2}, rest), 2u);  // literal promises 6, input holds 2
    EXPECT_EQ(rest, (Bytes{1, 2, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(UnpackBits(Bytes{0xFD}, rest), 0u);  // repeat without its byte
}

TEST(PsdReaderTest, GreyPackBitsRowsDecodeFromTheirOwnCounts) {
    PsdFile f;
    f.mode = 1;
    f.channels = 1;
    f.width = 4;
    f.height = 3;
    f.compression = 1;
    // Row 0 too long (a literal runs past the row end), row 1 short (2 of 4
    // pixels), row 2 exact with a -128 no-op.
    const Bytes row0{3, 1, 2, 3, 4, 1, 50, 51};
    const Bytes row1{1, 8, 9};
    const Bytes row2{0x80, 0xFD, 6};
    f.counts = {static_cast<std::uint16_t>(row0.size()), static_cast<std::uint16_t>(row1.size()),
                static_cast<std::uint16_t>(row2.size())};
    for (const Bytes* r : {&row0, &row1, &row2})
        f.image.insert(f.image.end(), r->begin(), r->end());
    const Bitmap b = Load(f.Build());
    const auto row = [&b](int y) { return Bytes(b.ScanLine(y), b.ScanLine(y) + 4); };
    EXPECT_EQ(row(0), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(row(1), (Bytes{8, 9, 0, 0}));
    EXPECT_EQ(row(2), (Bytes{6, 6, 6, 6}));

    // 16-bit rows: a row one sample short leaves that sample black.
    f.depth = 16;
    f.height = 1;
    f.counts = {5};
    f.image = {3, 0xFF, 0xFF, 0x80, 0x00};
    const Bitmap b16 = Load(f.Build());
    EXPECT_EQ((Bytes{b16.ScanLine(0), b16.ScanLine(0) + 4}), (Bytes{255, 127, 0, 0}));
}

TEST(PsdReaderTest, ColourPackBitsRunsAsOneStreamAcrossRowsAndPlanes) {
    PsdFile f;
    f.width = 2;
    f.height = 2;
    f.compression = 1;
    // Red's first row carries three samples: the third fills red's second
    // row, which is one sample short by its own count.
    f.counts = {4, 2, 3, 3, 2, 3};
    f.image = {2, 10, 11, 12, 0, 13, 1, 20, 21, 1, 22, 23, 0xFF, 30, 1, 31, 32};
    const Bitmap b = Load(f.Build());
    EXPECT_EQ(b.Pixel(0, 0), (Color{10, 20, 30}));
    EXPECT_EQ(b.Pixel(1, 0), (Color{11, 21, 30}));
    EXPECT_EQ(b.Pixel(0, 1), (Color{12, 22, 31}));
    EXPECT_EQ(b.Pixel(1, 1), (Color{13, 23, 32}));
}

TEST(PsdReaderTest, WrongSignatureAndUnsupportedFiles) {
    PsdFile f;
    f.image = {1, 2, 3};
    f.signature = "8BPX";
    EXPECT_EQ(LoadError(f.Build()),
              "Cannot load image. Invalid or unexpected PSD or PDD image format.");
    f.signature = "8BPS";
    f.depth = 32;
    EXPECT_NE(LoadError(f.Build()).find("not supported for PSD or PDD files"), std::string::npos);
    f.depth = 8;
    f.channels = 2;  // RGB needs three planes
    EXPECT_EQ(LoadError(f.Build()),
              "Cannot load image. Invalid or unexpected PSD or PDD image format.");
    f.channels = 3;
    f.mode = 4;  // CMYK needs four
    EXPECT_FALSE(LoadError(f.Build()).empty());
    f.mode = 3;
    f.compression = 2;
    EXPECT_FALSE(LoadError(f.Build()).empty());
}

TEST(PsdReaderTest, TruncatedFilesFailAndLeaveNothing) {
    PsdFile f;
    f.width = 4;
    f.height = 4;
    f.image = Bytes(48, 5);
    const Bytes whole = f.Build();
    EXPECT_NO_THROW(Load(whole));
    for (std::size_t cut : {std::size_t{0}, std::size_t{4}, std::size_t{26}, std::size_t{30},
                            whole.size() - 48, whole.size() - 1}) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(LoadError(Bytes(whole.begin(), whole.begin() + cut)).empty());
    }
    f.compression = 1;
    f.counts.assign(12, 3);
    f.image.clear();
    for (int r = 0; r < 12; ++r) f.image.insert(f.image.end(), {0xFD, 1, 0x80});
    const Bytes packed = f.Build();
    EXPECT_NO_THROW(Load(packed));
    EXPECT_FALSE(LoadError(Bytes(packed.begin(), packed.end() - 1)).empty());
    // A section length that runs past the end of the file.
    f.resources = Bytes(3, 0);
    Bytes bad = f.Build();
    bad[26 + 4 + 3] = 0x7F;
    EXPECT_FALSE(LoadError(bad).empty());
}

TEST(PsdReaderTest, HugePicturesAreRefusedBeforeAllocating) {
    PsdFile f;
    f.width = 20000;
    f.height = 20000;  // 400 megapixels
    EXPECT_EQ(LoadError(f.Build()),
              "Cannot load image. Image size 20000x20000 not supported for PSD or PDD files.");
    // Within the pixel limit, but neither raw nor PackBits data can fill it.
    f.width = 100000;
    f.height = 2000;
    f.channels = 1;
    f.mode = 1;
    EXPECT_FALSE(LoadError(f.Build()).empty());
    f.compression = 1;
    f.counts.assign(2000, 2);
    f.image.assign(4000, 0x81);
    EXPECT_FALSE(LoadError(f.Build()).empty());
    f.width = 0;
    EXPECT_FALSE(LoadError(f.Build()).empty());
}

TEST(PsdReaderTest, ANewLoadReplacesTheOldPictureAndAFailedOneClearsIt) {
    PsdFile f;
    f.image = {1, 2, 3};
    test::DecodedBy<PsdReader> g;
    g.LoadFromMemory(f.Build());
    f.width = 2;
    f.image = {1, 2, 3, 4, 5, 6};
    g.LoadFromMemory(f.Build());
    EXPECT_EQ(g.Width(), 2);
    f.signature = "XXXX";
    EXPECT_THROW(g.LoadFromMemory(f.Build()), InvalidPicture);
    EXPECT_TRUE(g.Empty());
}

// An image resource block: signature, id, Pascal name padded to even, size,
// data padded to even.
Bytes Resource(std::uint16_t id, const std::string& name, const Bytes& data) {
    Bytes b = {'8', 'B', 'I', 'M'};
    PsdFile::Put16(b, id);
    b.push_back(static_cast<std::uint8_t>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
    if (name.size() % 2 == 0) b.push_back(0);
    PsdFile::Put32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() % 2 == 1) b.push_back(0);
    return b;
}

TEST(PsdReaderTest, IccProfileComesFromResource1039AndABadSectionHoldsNone) {
    PsdFile f;
    f.image = {10, 20, 30};
    const Bytes profile = {1, 2, 3, 4, 5, 6, 7};
    f.resources = Resource(1005, "odd", {9, 9, 9});
    const Bytes icc = Resource(1039, "", profile);
    f.resources.insert(f.resources.end(), icc.begin(), icc.end());
    test::DecodedBy<PsdReader> g;
    g.LoadFromMemory(f.Build());
    EXPECT_EQ(g.IccProfile(), profile);
    EXPECT_EQ(g.GetBitmap().Pixel(0, 0), (Color{10, 20, 30}));

    // A block claiming more bytes than the section holds: no profile, and
    // the picture still loads.
    f.resources = Resource(1039, "", profile);
    f.resources[11] = 0x7F;
    g.LoadFromMemory(f.Build());
    EXPECT_TRUE(g.IccProfile().empty());
    EXPECT_EQ(g.GetBitmap().Pixel(0, 0), (Color{10, 20, 30}));
}

}  // namespace
}  // namespace pictorel
