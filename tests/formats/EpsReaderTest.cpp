#include "formats/EpsReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ReaderTesting.h"
#include "base/Errors.h"

namespace pictorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16LE(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32LE(Bytes& b, std::uint32_t v) {
    Put16LE(b, v & 0xFFFF);
    Put16LE(b, v >> 16);
}

// A little-endian, uncompressed 8-bit grey TIFF whose sample at (x, y) is
// x + 10 * y; its offsets count from its own first byte.
Bytes GreyTiff(std::uint32_t width, std::uint32_t height) {
    Bytes t = {'I', 'I', 42, 0};
    Put32LE(t, 8);
    const std::uint16_t tags[][2] = {{256, 0}, {257, 0}, {258, 8}, {259, 1}, {262, 1},
                                     {273, 0}, {277, 1}, {278, 0}, {279, 0}};
    const std::uint32_t entries = sizeof tags / sizeof tags[0];
    const std::uint32_t dataOffset = 8 + 2 + entries * 12 + 4;
    Put16LE(t, entries);
    for (const auto& tag : tags) {
        std::uint32_t value = tag[1];
        if (tag[0] == 256) value = width;
        if (tag[0] == 257 || tag[0] == 278) value = height;
        if (tag[0] == 273) value = dataOffset;
        if (tag[0] == 279) value = width * height;
        Put16LE(t, tag[0]);
        Put16LE(t, tag[0] == 256 || tag[0] == 257 || tag[0] >= 273 ? 4 : 3);  // LONG or SHORT
        Put32LE(t, 1);
        Put32LE(t, value);
    }
    Put32LE(t, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x)
            t.push_back(static_cast<std::uint8_t>(x + 10 * y));
    }
    return t;
}

// The 30-byte preview header, `gap` bytes of PostScript, then the preview.
Bytes Eps(const Bytes& tiff, std::uint32_t gap, std::uint32_t tiffOffset,
          std::uint32_t tiffLength) {
    Bytes e = {0xC5, 0xD0, 0xD3, 0xC6};
    Put32LE(e, 30);  // PostScript section
    Put32LE(e, gap);
    Put32LE(e, 0);  // no metafile
    Put32LE(e, 0);
    Put32LE(e, tiffOffset);
    Put32LE(e, tiffLength);
    Put16LE(e, 0xFFFF);
    const std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 612 792\n";
    for (std::uint32_t i = 0; i < gap; ++i)
        e.push_back(static_cast<std::uint8_t>(ps[i % ps.size()]));
    e.insert(e.end(), tiff.begin(), tiff.end());
    return e;
}

Bytes Eps(const Bytes& tiff, std::uint32_t gap) {
    return Eps(tiff, gap, 30 + gap, static_cast<std::uint32_t>(tiff.size()));
}

std::string LoadError(const Bytes& bytes) {
    return test::LoadError<EpsReader>(bytes);
}

TEST(EPSContentTest, NeedsTheMagicAndAPreviewAfterTheHeader) {
    const Bytes tiff = GreyTiff(2, 3);
    EXPECT_TRUE(EpsReader::RecognisesContent(Eps(tiff, 40)));
    EXPECT_TRUE(EpsReader::RecognisesContent(Eps(tiff, 1)));
    EXPECT_FALSE(EpsReader::RecognisesContent(Eps(tiff, 0)));  // preview at offset 30
    EXPECT_FALSE(EpsReader::RecognisesContent(Eps(tiff, 40, 0, 0)));
    EXPECT_FALSE(EpsReader::RecognisesContent(Eps(tiff, 40, 70, 0)));
    const Bytes full = Eps(tiff, 40);
    EXPECT_FALSE(EpsReader::RecognisesContent(std::span(full).first(30)));
    EXPECT_TRUE(EpsReader::RecognisesContent(std::span(full).first(31)));
    Bytes wrongMagic = full;
    wrongMagic[3] = 0xC7;
    EXPECT_FALSE(EpsReader::RecognisesContent(wrongMagic));
}

TEST(EpsReaderTest, DecodesThePreviewWhateverLiesBeforeIt) {
    for (std::uint32_t gap : {0u, 1u, 37u, 4000u}) {
        SCOPED_TRACE(gap);
        test::DecodedBy<EpsReader> g;
        g.LoadFromMemory(Eps(GreyTiff(20, 30), gap));
        EXPECT_EQ(g.Width(), 20);
        EXPECT_EQ(g.Height(), 30);
        EXPECT_EQ(g.GetBitmap().Pixel(7, 2), (Color{27, 27, 27}));
        EXPECT_EQ(g.GetBitmap().Pixel(19, 29), (Color{53, 53, 53}));  // 309 kept in a byte
    }
}

TEST(EpsReaderTest, FilesWithoutAUsablePreviewFail) {
    EXPECT_EQ(LoadError(Bytes{'%', '!', 'P', 'S', '-', 'A', 'd', 'o', 'b', 'e', '-', '3',
                              '.', '0', ' ', 'E', 'P', 'S', 'F', '-', '3', '.', '0', '\n'}),
              "Cannot load image. Invalid or unexpected EPS image format.");
    EXPECT_EQ(LoadError(Bytes{}), "Cannot load image. Invalid or unexpected EPS image format.");
    const Bytes tiff = GreyTiff(4, 4);
    // Metafile preview only: the reader lands on the header itself.
    EXPECT_FALSE(LoadError(Eps(tiff, 50, 0, 0)).empty());
    // Preview offset past the end of the file, and at its very end.
    const Bytes normal = Eps(tiff, 50);
    EXPECT_FALSE(
        LoadError(Eps(tiff, 50, static_cast<std::uint32_t>(normal.size()) + 4096, 740)).empty());
    EXPECT_FALSE(LoadError(Eps(tiff, 50, static_cast<std::uint32_t>(normal.size()), 740)).empty());
    EXPECT_FALSE(LoadError(Eps(tiff, 50, 0xFFFFFFFFu, 740)).empty());
    // A header cut short, and a preview cut inside its pixel data.
    EXPECT_FALSE(LoadError(Bytes(normal.begin(), normal.begin() + 25)).empty());
    EXPECT_FALSE(LoadError(Bytes(normal.begin(), normal.end() - 10)).empty());
}

}  // namespace
}  // namespace pictorel
