// The HEIF/HEIC/AVIF and WebP readers on files made by the encoders Debian
// ships, and on the phone and web files of the shared corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include <lcms2.h>

#include "FormatFixtures.h"
#include "ReaderTesting.h"
#include "base/Errors.h"
#include "formats/HeifReader.h"
#include "formats/LoadedPicture.h"
#include "formats/NclxProfile.h"
#include "formats/PngReader.h"
#include "formats/WebpReader.h"
#include "imaging/MemoryBudget.h"
#include "support/TestFiles.h"

namespace pictorel::test {
namespace {

bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

#define REQUIRE_TOOL(name) \
    if (!HaveTool(name)) GTEST_SKIP() << name << " not installed (scripts/install-deps)"

struct ModernReaders : ::testing::Test {
    TempDir dir;

    std::string At(const std::string& name) const { return dir.Str() + name; }

    // Runs an encoder in the folder and returns the file it wrote.
    std::vector<std::uint8_t> Encode(const std::string& command, const std::string& output) {
        const std::string line = "cd '" + dir.Str() + "' && " + command + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(line.c_str()), 0) << line;
        return ReadFile(dir.Path() / output);
    }

    const LoadedPicture& Load(const std::string& name) {
        LoadPicture(loaded, At(name));
        return loaded;
    }

    LoadedPicture loaded;
};

// 8 x 8 RGBA: colours across, alpha from 0 (left) to 252 (right).
std::vector<std::uint8_t> FadingSamples() {
    std::vector<std::uint8_t> s;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            s.insert(s.end(),
                     {std::uint8_t(x * 30), std::uint8_t(y * 30), 100, std::uint8_t(x * 36)});
    return s;
}

std::uint8_t OverWhite(unsigned c, unsigned a) {
    return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

int Distance(Color a, Color b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

TEST(HeifBrands, MajorOrCompatibleBrandWithinTheFtypBox) {
    auto ftyp = [](const char* major, std::initializer_list<const char*> compatible,
                   std::uint32_t declared = 0) {
        std::vector<std::uint8_t> box(4, 0);
        box.insert(box.end(), {'f', 't', 'y', 'p'});
        box.insert(box.end(), major, major + 4);
        box.insert(box.end(), 4, 0);
        for (const char* b : compatible) box.insert(box.end(), b, b + 4);
        const std::uint32_t size = declared ? declared : std::uint32_t(box.size());
        for (int i = 0; i < 4; ++i) box[i] = std::uint8_t(size >> (24 - 8 * i));
        box.resize(box.size() + 16, 0);  // the boxes that follow
        return box;
    };
    for (const char* brand :
         {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"}) {
        EXPECT_TRUE(HasHeifBrand(ftyp(brand, {}))) << brand;
        EXPECT_TRUE(HasHeifBrand(ftyp("isom", {"mp41", brand}))) << brand;
        EXPECT_TRUE(HeifReader::RecognisesContent(ftyp("mp42", {brand}))) << brand;
    }
    EXPECT_FALSE(HasHeifBrand(ftyp("isom", {"mp41", "mp42"})));  // a video
    EXPECT_FALSE(HasHeifBrand(ftyp("qt  ", {"HEIC"})));          // brands are case-sensitive
    // A brand after the box's end belongs to the next box, not to ftyp.
    std::vector<std::uint8_t> outside = ftyp("isom", {"mp41"});
    std::memcpy(outside.data() + 20, "heic", 4);
    EXPECT_FALSE(HasHeifBrand(outside));
    EXPECT_FALSE(HasHeifBrand(ftyp("heic", {}, 8)));  // a box too short for its brand
    std::vector<std::uint8_t> cut = ftyp("heic", {});
    EXPECT_FALSE(HasHeifBrand(std::span(cut).first(11)));
}

TEST(HeifSamples, DeepSamplesAreReducedByRounding) {
    EXPECT_EQ(ReduceSample(0, 10), 0);
    EXPECT_EQ(ReduceSample(1023, 10), 255);
    EXPECT_EQ(ReduceSample(3, 10), 1);  // 0.748: a shift would give 0
    EXPECT_EQ(ReduceSample(2, 10), 0);  // 0.499
    EXPECT_EQ(ReduceSample(7, 10), 2);  // 1.745
    EXPECT_EQ(ReduceSample(2056, 12), 128);
    EXPECT_EQ(ReduceSample(4095, 12), 255);
    EXPECT_EQ(ReduceSample(5000, 12), 255);  // out of range: clipped
}

TEST(NclxColour, OnlyBt709PrimariesWithTheSrgbOrBt709CurveCountAsSrgb) {
    auto colour = [](int primaries, int transfer) {
        NclxColour c;
        c.primaries = primaries;
        c.transfer = transfer;
        return c;
    };
    for (const int transfer : {1, 2, 6, 13, 14, 15}) EXPECT_TRUE(NclxIsSrgb(colour(1, transfer)));
    EXPECT_TRUE(NclxIsSrgb(colour(2, 2)));     // nothing said: as stored
    EXPECT_FALSE(NclxIsSrgb(colour(12, 13)));  // Display P3
    EXPECT_FALSE(NclxIsSrgb(colour(9, 16)));   // BT.2020 PQ
    EXPECT_FALSE(NclxIsSrgb(colour(1, 8)));    // linear light
    EXPECT_FALSE(NclxIsSrgb(colour(1, 4)));    // gamma 2.2
    NclxColour flat = colour(12, 13);
    flat.green[0] = flat.red[0];
    flat.green[1] = flat.red[1];
    flat.blue[0] = flat.red[0];
    flat.blue[1] = flat.red[1];
    EXPECT_TRUE(BuildNclxProfile(flat).empty());  // primaries on one point
}

TEST_F(ModernReaders, EveryExtensionInAnyCaseLoadsByContent) {
    REQUIRE_TOOL("heif-enc");
    REQUIRE_TOOL("cwebp");
    std::vector<std::uint8_t> rgb;
    for (int i = 0; i < 16 * 16; ++i) rgb.insert(rgb.end(), {200, 40, 40});
    WriteFile(dir.Path() / "red.png", MakePng8(16, 16, rgb, false));
    const std::vector<std::uint8_t> heic = Encode("heif-enc -q 90 -o red.heic red.png", "red.heic");
    const std::vector<std::uint8_t> avif = Encode("heif-enc -q 90 -o red.avif red.png", "red.avif");
    const std::vector<std::uint8_t> webp = Encode("cwebp -quiet red.png -o red.webp", "red.webp");
    const std::pair<const char*, const std::vector<std::uint8_t>*> files[] = {
        {"a.heic", &heic}, {"b.HEIF", &heic}, {"c.Hif", &heic},
        {"d.avif", &avif}, {"e.AVIF", &avif}, {"f.WebP", &webp}};
    for (const auto& [name, bytes] : files) {
        WriteFile(dir.Path() / name, *bytes);
        const LoadedPicture& graphic = Load(name);
        EXPECT_EQ(graphic.Width(), 16) << name;
        EXPECT_LE(Distance(graphic.GetBitmap().Pixel(8, 8), {200, 40, 40}), 4) << name;
        // The open dialog's preview goes by the extension alone.
        LoadedPicture preview;
        preview.LoadFromFile(At(name));
        EXPECT_EQ(preview.Width(), 16) << name;
    }
}

TEST_F(ModernReaders, ContentDecidesOverTheExtension) {
    REQUIRE_TOOL("heif-enc");
    // JPEG files under the new names, one longer than the head read first.
    const std::vector<std::uint8_t> big = MakeJpeg(400, 300, Pattern);
    ASSERT_GT(big.size(), kGraphicHeadBytes);
    WriteFile(dir.Path() / "photo.heic", MakeJpeg(24, 16, Pattern));
    WriteFile(dir.Path() / "big.HEIC", big);
    WriteFile(dir.Path() / "photo.webp", MakeJpeg(24, 16, Pattern));
    for (const char* name : {"photo.heic", "big.HEIC", "photo.webp"}) {
        EXPECT_EQ(Load(name).Format()->name, "jpeg") << name;
        LoadedPicture preview;
        preview.LoadFromFile(At(name));
        EXPECT_EQ(preview.Format()->name, "jpeg") << name;
    }
    WriteFile(dir.Path() / "p.png",
              MakePng8(24, 16, std::vector<std::uint8_t>(24 * 16 * 3, 90), false));
    WriteFile(dir.Path() / "photo.jpg", Encode("heif-enc -o p.heic p.png", "p.heic"));
    const LoadedPicture& graphic = Load("photo.jpg");
    EXPECT_EQ(graphic.Format()->name, "heif");
    EXPECT_EQ(graphic.Width(), 24);
    EXPECT_EQ(graphic.Height(), 16);
}

TEST_F(ModernReaders, TenBitAvifIsRoundedToEightBits) {
    REQUIRE_TOOL("avifenc");
    // Lossless 10-bit samples whose 8-bit values a shift would get wrong.
    const unsigned tenBit[8] = {3, 7, 514, 1022, 2, 10, 300, 1021};
    std::vector<std::uint16_t> samples;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            for (int c = 0; c < 3; ++c)
                samples.push_back(std::uint16_t((tenBit[(x + c) % 8] * 65535 + 511) / 1023));
    WriteFile(dir.Path() / "deep.png", MakePng16(8, 8, samples));
    Encode("avifenc -l -d 10 deep.png deep.avif", "deep.avif");
    const Bitmap& picture = Load("deep.avif").GetBitmap();
    for (int x = 0; x < 8; ++x) {
        const Color c = picture.Pixel(x, 5);
        EXPECT_EQ(c.r, ReduceSample(tenBit[x % 8], 10)) << x;
        EXPECT_EQ(c.g, ReduceSample(tenBit[(x + 1) % 8], 10)) << x;
        EXPECT_EQ(c.b, ReduceSample(tenBit[(x + 2) % 8], 10)) << x;
    }
}

TEST_F(ModernReaders, AlphaIsLaidOverWhiteByTheLoadingCode) {
    REQUIRE_TOOL("cwebp");
    REQUIRE_TOOL("heif-enc");
    WriteFile(dir.Path() / "fade.png", MakePngRgba8(8, 8, FadingSamples()));
    Encode("cwebp -quiet -lossless -exact fade.png -o fade.webp", "fade.webp");
    Encode("heif-enc -L -p chroma=444 -o fade.heic fade.png", "fade.heic");

    test::DecodedBy<WebpReader> reader;  // the reader itself keeps the alpha
    reader.LoadFromMemory(ReadFile(dir.Path() / "fade.webp"));
    EXPECT_EQ(reader.GetBitmap().Format(), PixelFormat::Bgra32);
    EXPECT_EQ(reader.GetBitmap().ScanLine(0)[3], 0);

    const Bitmap& webp = Load("fade.webp").GetBitmap();
    EXPECT_EQ(webp.Format(), PixelFormat::Bgr24);
    for (int x = 0; x < 8; ++x) {
        const Color want{OverWhite(x * 30, x * 36), OverWhite(3 * 30, x * 36),
                         OverWhite(100, x * 36)};
        EXPECT_EQ(webp.Pixel(x, 3), want) << x;
    }
    const Bitmap& heic = Load("fade.heic").GetBitmap();
    EXPECT_EQ(heic.Format(), PixelFormat::Bgr24);
    EXPECT_EQ(heic.Pixel(0, 0), kWhite);  // fully transparent
    EXPECT_LE(
        Distance(heic.Pixel(7, 3), {OverWhite(210, 252), OverWhite(90, 252), OverWhite(100, 252)}),
        4);
}

TEST_F(ModernReaders, AnimatedWebpShowsItsFirstFrame) {
    REQUIRE_TOOL("img2webp");
    std::vector<std::uint8_t> first, second;
    for (int i = 0; i < 12 * 10; ++i) {
        first.insert(first.end(), {10, 200, 30});
        second.insert(second.end(), {220, 20, 20});
    }
    WriteFile(dir.Path() / "1.png", MakePng8(12, 10, first, false));
    WriteFile(dir.Path() / "2.png", MakePng8(12, 10, second, false));
    Encode("img2webp -lossless 1.png 2.png -o anim.webp", "anim.webp");
    const LoadedPicture& graphic = Load("anim.webp");
    EXPECT_EQ(graphic.Width(), 12);
    EXPECT_EQ(graphic.Height(), 10);
    EXPECT_EQ(graphic.GetBitmap().Pixel(6, 5), (Color{10, 200, 30}));
}

TEST_F(ModernReaders, WebpExifOrientationAndProfileAreRead) {
    REQUIRE_TOOL("cwebp");
    REQUIRE_TOOL("webpmux");
    WriteFile(dir.Path() / "turned.jpg", MakeJpeg(40, 24, Pattern, 6));
    Encode("cwebp -quiet -q 95 -metadata exif turned.jpg -o turned.webp", "turned.webp");
    const LoadedPicture& graphic = Load("turned.webp");
    EXPECT_EQ(graphic.Width(), 24);  // orientation 6: a quarter turn clockwise
    EXPECT_EQ(graphic.Height(), 40);
    EXPECT_LE(Distance(graphic.GetBitmap().Pixel(23, 0), Pattern(0, 0)), 24);

    const std::vector<std::uint8_t> profile =
        BuildNclxProfile({12, 13, {0.68, 0.32}, {0.265, 0.69}, {0.15, 0.06}, {0.3127, 0.329}});
    WriteFile(dir.Path() / "p3.icc", profile);
    Encode("webpmux -set icc p3.icc turned.webp -o tagged.webp", "tagged.webp");
    EXPECT_EQ(Load("tagged.webp").IccProfile(), profile);
    EXPECT_TRUE(Load("turned.webp").IccProfile().empty());
}

TEST_F(ModernReaders, NclxColourOtherThanSrgbBecomesAProfile) {
    REQUIRE_TOOL("avifenc");
    WriteFile(dir.Path() / "grey.png",
              MakePng8(8, 8, std::vector<std::uint8_t>(8 * 8 * 3, 128), false));
    Encode("avifenc --cicp 12/13/6 grey.png p3.avif", "p3.avif");
    Encode("avifenc --cicp 1/13/6 grey.png srgb.avif", "srgb.avif");
    Encode("avifenc --cicp 1/1/6 grey.png bt709.avif", "bt709.avif");
    Encode("avifenc --cicp 1/8/6 grey.png linear.avif", "linear.avif");
    EXPECT_TRUE(Load("srgb.avif").IccProfile().empty());
    EXPECT_TRUE(Load("bt709.avif").IccProfile().empty());
    EXPECT_FALSE(Load("linear.avif").IccProfile().empty());
    const std::vector<std::uint8_t> p3 = Load("p3.avif").IccProfile();
    ASSERT_FALSE(p3.empty());

    // The profile's green is Display P3's, not sRGB's.
    cmsHPROFILE profile = cmsOpenProfileFromMem(p3.data(), cmsUInt32Number(p3.size()));
    ASSERT_NE(profile, nullptr);
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    const auto* green = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, cmsSigGreenColorantTag));
    const auto* srgbGreen = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, cmsSigGreenColorantTag));
    ASSERT_TRUE(green && srgbGreen);
    EXPECT_GT(std::abs(green->X - srgbGreen->X), 0.02);
    // An orange in P3 is a redder orange in sRGB.
    cmsHTRANSFORM toSrgb =
        cmsCreateTransform(profile, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    ASSERT_NE(toSrgb, nullptr);
    const std::uint8_t in[3] = {200, 100, 50};
    std::uint8_t out[3] = {};
    cmsDoTransform(toSrgb, in, out, 1);
    EXPECT_GT(out[0], 210);
    EXPECT_LT(out[2], 45);
    cmsDeleteTransform(toSrgb);
    cmsCloseProfile(srgb);
    cmsCloseProfile(profile);
}

TEST_F(ModernReaders, TruncatedAndLyingFilesGiveTheLoadMessage) {
    REQUIRE_TOOL("heif-enc");
    REQUIRE_TOOL("cwebp");
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            rgb.insert(rgb.end(), {std::uint8_t(x * 4), std::uint8_t(y * 4), 7});
    WriteFile(dir.Path() / "src.png", MakePng8(64, 64, rgb, false));
    for (const auto& [command, output] :
         {std::pair<std::string, std::string>{"heif-enc -o x.heic src.png", "x.heic"},
          {"heif-enc -o x.avif src.png", "x.avif"},
          {"cwebp -quiet src.png -o x.webp", "x.webp"}}) {
        std::vector<std::uint8_t> bytes = Encode(command, output);
        ASSERT_GT(bytes.size(), 100u) << output;
        bytes.resize(bytes.size() * 2 / 3);
        WriteFile(dir.Path() / ("cut-" + output), bytes);
        LoadedPicture picture;
        EXPECT_THROW(LoadPicture(picture, At("cut-" + output)), InvalidPicture) << output;
        EXPECT_TRUE(picture.Empty());
    }
    // A WebP header with nothing behind it, an ftyp box alone.
    const std::string riff = "RIFF\x20\0\0\0WEBPVP8 \x14\0\0\0";
    const std::vector<std::uint8_t> webpHead(riff.begin(), riff.end());
    EXPECT_THROW(WebpReader().Decode(webpHead), InvalidPicture);
    const std::string box =
        std::string("\0\0\0\x18", 4) + "ftypheic" + std::string(4, '\0') + "mif1heic";
    const std::vector<std::uint8_t> ftypOnly(box.begin(), box.end());
    EXPECT_THROW(HeifReader().Decode(ftypOnly), InvalidPicture);
}

// Inputs found by fuzzing (the sanitizer build catches the leaks they caused).
TEST(HeifFuzzFindings, LoadOrRefuseWithoutLeaking) {
    const std::string data = std::string(PICTOREL_SOURCE_DIR) + "/tests/formats/data/";
    // Colour primaries 1282 in the nclx box, which libheif hands out together
    // with an error: the picture loads without a profile, the values freed.
    test::DecodedBy<HeifReader> reader;
    reader.LoadFromFile(data + "heif_nclx_with_error_leak.avif");
    EXPECT_EQ(reader.Width(), 24);
    EXPECT_EQ(reader.Height(), 16);
    EXPECT_TRUE(reader.IccProfile().empty());
    // AV1 data the decoder refuses: the load message, nothing held.
    test::DecodedBy<HeifReader> refused;
    EXPECT_THROW(refused.LoadFromFile(data + "avif_dav1d_leak_on_bad_data.avif"), InvalidPicture);
    EXPECT_TRUE(refused.Empty());
}

TEST_F(ModernReaders, HeifPixelsAreReservedInTheMemoryBudget) {
    REQUIRE_TOOL("heif-enc");
    std::vector<std::uint8_t> rgb(256 * 256 * 3, 77);
    WriteFile(dir.Path() / "big.png", MakePng8(256, 256, rgb, false));
    Encode("heif-enc -o big.heic big.png", "big.heic");
    MemoryBudget& budget = MemoryBudget::Process();
    const std::uint64_t saved = budget.Capacity();
    budget.SetCapacity(budget.InUse() + 256 * 256 * 3);  // the picture alone, not libheif's planes
    LoadedPicture picture;
    EXPECT_THROW(LoadPicture(picture, At("big.heic")), OutOfResources);
    budget.SetCapacity(saved);
    EXPECT_NO_THROW(LoadPicture(picture, At("big.heic")));
}

}  // namespace
}  // namespace pictorel::test
