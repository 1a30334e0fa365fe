// Embedded colour profiles: read from each format and converted to sRGB on
// load, or ignored where they must not change the stored pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <lcms2.h>
#include <zlib.h>

#include "FormatFixtures.h"
#include "formats/ColourProfile.h"
#include "formats/LoadedPicture.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes SaveProfile(cmsHPROFILE profile, const char* description) {
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", description);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

Bytes RgbProfile(cmsCIExyYTRIPLE primaries, cmsToneCurve* curve, const char* description) {
    cmsCIExyY d65{0.3127, 0.3290, 1.0};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const Bytes bytes = SaveProfile(cmsCreateRGBProfile(&d65, &primaries, curves), description);
    cmsFreeToneCurve(curve);
    return bytes;
}

Bytes DisplayP3() {
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return RgbProfile({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
                      cmsBuildParametricToneCurve(nullptr, 4, srgbCurve), "Test Display P3");
}

Bytes AdobeRgb() {
    return RgbProfile({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}},
                      cmsBuildGamma(nullptr, 2.19921875), "Test Adobe RGB");
}

// The JPEG with `icc` in APP2 "ICC_PROFILE" segments of at most `chunk`
// bytes, written last segment first: the reader must join them by number.
Bytes WithJpegProfile(const Bytes& jpeg, const Bytes& icc, std::size_t chunk = 65519) {
    std::vector<Bytes> segments;
    const std::size_t count = (icc.size() + chunk - 1) / chunk;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = i * chunk;
        const std::size_t size = std::min(chunk, icc.size() - from);
        const char tag[] = "ICC_PROFILE";
        Bytes s = {0xFF, 0xE2, static_cast<std::uint8_t>((size + 16) >> 8),
                   static_cast<std::uint8_t>(size + 16)};
        s.insert(s.end(), tag, tag + sizeof tag);
        s.insert(s.end(), {static_cast<std::uint8_t>(i + 1), static_cast<std::uint8_t>(count)});
        s.insert(s.end(), icc.begin() + static_cast<long>(from),
                 icc.begin() + static_cast<long>(from + size));
        segments.insert(segments.begin(), s);
    }
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    for (const Bytes& s : segments) out.insert(out.end(), s.begin(), s.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// The PNG with an iCCP chunk holding `icc` before its IDAT.
Bytes WithPngProfile(const Bytes& png, const Bytes& icc) {
    uLongf packedSize = compressBound(static_cast<uLong>(icc.size()));
    Bytes packed(packedSize);
    compress(packed.data(), &packedSize, icc.data(), static_cast<uLong>(icc.size()));
    Bytes body = {'i', 'C', 'C', 'P', 'p', 0, 0};
    body.insert(body.end(), packed.begin(), packed.begin() + static_cast<long>(packedSize));
    Bytes chunk;
    const auto length = static_cast<std::uint32_t>(body.size() - 4);
    for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<std::uint8_t>(length >> shift));
    chunk.insert(chunk.end(), body.begin(), body.end());
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size())));
    for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<std::uint8_t>(crc >> shift));
    Bytes out(png.begin(), png.begin() + 33);  // signature and IHDR
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), png.begin() + 33, png.end());
    return out;
}

Bitmap LoadBytes(const Bytes& bytes, const std::string& name) {
    test::TempDir dir;
    test::WriteFile(dir.Path() / name, bytes);
    LoadedPicture picture;
    LoadPicture(picture, dir.Str() + name);
    return picture.ToBitmap();
}

// What Little CMS itself makes of 24-bit pixels in the profile `icc`.
Bitmap LcmsToSrgb(Bitmap pixels, const Bytes& icc) {
    cmsHPROFILE source =
        cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t =
        cmsCreateTransform(source, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    for (int y = 0; y < pixels.Height(); ++y) {
        cmsDoTransform(t, pixels.ScanLine(y), pixels.ScanLine(y),
                       static_cast<cmsUInt32Number>(pixels.Width()));
    }
    cmsDeleteTransform(t);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    return pixels;
}

double MeanDifference(const Bitmap& a, const Bitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width() * 3; ++x)
            sum += std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]);
    }
    return sum / (3.0 * a.Width() * a.Height());
}

TEST(ColourProfileTest, WideGamutJpegsAreConvertedLikeLittleCms) {
    const Bytes jpeg = test::MakeJpeg(64, 48, test::Pattern);
    const Bitmap stored = LoadBytes(jpeg, "plain.jpg");
    for (const Bytes& icc : {DisplayP3(), AdobeRgb()}) {
        // Small segments, so that the profile spans several, out of order.
        const Bitmap loaded = LoadBytes(WithJpegProfile(jpeg, icc, 97), "tagged.jpg");
        const Bitmap expected = LcmsToSrgb(stored, icc);
        EXPECT_TRUE(loaded == expected) << ProfileDescription(icc);
        EXPECT_GT(MeanDifference(loaded, stored), 2.0) << ProfileDescription(icc);
    }
    EXPECT_EQ(ProfileDescription(DisplayP3()), "Test Display P3");
}

TEST(ColourProfileTest, SrgbUnreadableAndMismatchedProfilesKeepStoredPixels) {
    const Bytes jpeg = test::MakeJpeg(40, 30, test::Pattern);
    const Bitmap stored = LoadBytes(jpeg, "plain.jpg");
    const Bytes srgb = SaveProfile(cmsCreate_sRGBProfile(), "sRGB");
    const Bytes p3 = DisplayP3();
    const Bytes truncated(p3.begin(), p3.begin() + 300);
    const Bytes noise(600, 0x5A);
    for (const Bytes& icc : {srgb, truncated, noise}) {
        EXPECT_TRUE(LoadBytes(WithJpegProfile(jpeg, icc), "tagged.jpg") == stored);
    }
    // A grey picture is never converted, whatever profile it claims.
    const Bytes grey = test::MakeJpeg(40, 30, test::Pattern, 0, true);
    const Bitmap storedGrey = LoadBytes(grey, "grey.jpg");
    const Bitmap taggedGrey = LoadBytes(WithJpegProfile(grey, p3), "grey-tagged.jpg");
    EXPECT_EQ(taggedGrey.Format(), PixelFormat::Indexed8);
    EXPECT_TRUE(taggedGrey == storedGrey);
}

TEST(ColourProfileTest, PngProfileSupersedesGamma) {
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < 16 * 8; ++i) {
        const Color c = test::Pattern(i % 16, i / 16);
        samples.insert(samples.end(), {c.r, c.g, c.b});
    }
    const Bytes p3 = DisplayP3();
    const Bitmap stored = LoadBytes(test::MakePng8(16, 8, samples, false), "plain.png");
    // With gAMA 1.0 the plain file would be brightened; the profile wins.
    const Bitmap loaded =
        LoadBytes(WithPngProfile(test::MakePng8(16, 8, samples, false, 100000), p3), "p3.png");
    EXPECT_TRUE(loaded == LcmsToSrgb(stored, p3));
}

TEST(ColourProfileTest, AlphaAndColourTablesAreConvertedGreyRampsAreNot) {
    const Bytes p3 = DisplayP3();
    Bitmap bgr(5, 3, PixelFormat::Bgr24);
    Bitmap bgra(5, 3, PixelFormat::Bgra32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            bgr.SetPixel(x, y, test::Pattern(x, y));
            bgra.SetPixel(x, y, test::Pattern(x, y));
            bgra.ScanLine(y)[x * 4 + 3] = static_cast<std::uint8_t>(x * 50 + y);
        }
    }
    ASSERT_TRUE(ConvertToSrgb(bgr, p3));
    ASSERT_TRUE(ConvertToSrgb(bgra, p3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(bgra.Pixel(x, y), bgr.Pixel(x, y));
            EXPECT_EQ(bgra.ScanLine(y)[x * 4 + 3], x * 50 + y);
        }
    }

    Bitmap palette(2, 1, PixelFormat::Indexed8);
    palette.SetColorTable({{200, 30, 40}, {10, 220, 90}});
    ASSERT_TRUE(ConvertToSrgb(palette, p3));
    Bitmap expected(2, 1);
    expected.SetPixel(0, 0, {200, 30, 40});
    expected.SetPixel(1, 0, {10, 220, 90});
    expected = LcmsToSrgb(expected, p3);
    EXPECT_EQ(palette.ColorTable()[0], expected.Pixel(0, 0));
    EXPECT_EQ(palette.ColorTable()[1], expected.Pixel(1, 0));

    Bitmap grey(2, 1, PixelFormat::Indexed8);
    grey.SetGreyColorTable();
    EXPECT_FALSE(ConvertToSrgb(grey, p3));
}

// A CMYK output profile whose cyan ink looks red: L falls with black and the
// strongest ink, a rises with cyan. No ink is white, full black is black.
Bytes OddCmykProfile() {
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 2.1);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(
        grid,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void*) -> cmsInt32Number {
            const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0;
            const double k = in[3] / 65535.0;
            const cmsCIELab lab{100 * (1 - k) * (1 - 0.5 * std::max({c, m, y})), 60 * c, 0};
            cmsFloat2LabEncoded(out, &lab);
            return TRUE;
        },
        nullptr, 0);
    cmsPipelineInsertStage(lut, cmsAT_BEGIN, grid);
    cmsWriteTag(profile, cmsSigAToB0Tag, lut);
    cmsPipelineFree(lut);
    return SaveProfile(profile, "Test odd CMYK");
}

// A CMYK JPEG as libjpeg writes it (with the Adobe marker, so samples are
// read as 255 = no ink): left half no ink, middle full cyan, right full black.
Bytes MakeCmykJpeg() {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 24;
    cinfo.image_height = 8;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row;
    for (int x = 0; x < 24; ++x) {
        const std::uint8_t noInk[4] = {255, 255, 255, 255};
        const std::uint8_t cyan[4] = {0, 255, 255, 255};
        const std::uint8_t black[4] = {255, 255, 255, 0};
        const std::uint8_t* ink = x < 8 ? noInk : x < 16 ? cyan : black;
        row.insert(row.end(), ink, ink + 4);
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

TEST(ColourProfileTest, CmykJpegGoesThroughItsCmykProfile) {
    const Bytes jpeg = MakeCmykJpeg();
    const Bitmap plain = LoadBytes(jpeg, "plain.jpg");
    const Bitmap profiled = LoadBytes(WithJpegProfile(jpeg, OddCmykProfile()), "cmyk.jpg");
    // Without a profile: white, cyan, black as ink arithmetic gives them.
    EXPECT_EQ(plain.Pixel(4, 4), (Color{255, 255, 255}));
    EXPECT_EQ(plain.Pixel(12, 4), (Color{0, 255, 255}));
    EXPECT_EQ(plain.Pixel(20, 4), (Color{0, 0, 0}));
    // Through the profile: still white and black, but its cyan is red.
    const Color white = profiled.Pixel(4, 4);
    const Color cyan = profiled.Pixel(12, 4);
    const Color black = profiled.Pixel(20, 4);
    EXPECT_GE(std::min({white.r, white.g, white.b}), 250);
    EXPECT_LE(std::max({black.r, black.g, black.b}), 5);
    EXPECT_GT(cyan.r, cyan.g + 60);
}

TEST(ColourProfileTest, TiffAndPsdProfilesAreRead) {
    const Bytes p3 = DisplayP3();
    test::TempDir dir;
    const std::vector<std::uint16_t> samples = {200, 30, 40, 10, 220, 90};
    test::MakeTiff(dir.Path() / "plain.tif", 2, 1, 3, 8, samples);
    test::MakeTiff(dir.Path() / "p3.tif", 2, 1, 3, 8, samples, 1, p3);
    LoadedPicture plain;
    LoadedPicture tagged;
    LoadPicture(plain, dir.Str() + "plain.tif");
    LoadPicture(tagged, dir.Str() + "p3.tif");
    EXPECT_EQ(tagged.IccProfile(), p3);
    EXPECT_TRUE(tagged.ToBitmap().ToBgr24() == LcmsToSrgb(plain.ToBitmap().ToBgr24(), p3));
}

}  // namespace
}  // namespace pictorel
