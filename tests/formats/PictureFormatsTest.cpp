// The table of formats and the loading rule: content before extension, each
// extension read by one format, the error texts, short streams never
// recognised.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FormatFixtures.h"
#include "base/Errors.h"
#include "formats/BmpReader.h"
#include "formats/GifReader.h"
#include "formats/JpegReader.h"
#include "formats/LoadedPicture.h"
#include "formats/PictureFormats.h"
#include "formats/PngReader.h"
#include "formats/TiffReader.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

using test::TempDir;
using test::WriteFile;

std::vector<std::uint8_t> SmallPng() {
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < 4 * 3 * 3; ++i) samples.push_back(static_cast<std::uint8_t>(i * 7));
    return test::MakePng8(4, 3, samples, false);
}

std::vector<std::uint8_t> SmallGif() {
    test::GifFrame frame{3, 2, {0, 1, 2, 3, 0, 1}};
    return test::MakeGif(3, 2, {kBlack, kWhite, {255, 0, 0}, {0, 0, 255}}, {frame});
}

std::string LoadError(const std::string& path) {
    LoadedPicture picture;
    try {
        LoadPicture(picture, path);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

std::string_view LoadedFormat(const std::string& path) {
    LoadedPicture picture;
    LoadPicture(picture, path);
    return picture.Format()->name;
}

TEST(PictureFormatsTest, ContentWinsOverTheExtension) {
    TempDir dir;
    WriteFile(dir.Path() / "png.jpg", SmallPng());
    WriteFile(dir.Path() / "gif.bmp", SmallGif());
    WriteFile(dir.Path() / "photo.png", test::MakeJpeg(8, 8, test::Pattern));
    WriteFile(dir.Path() / "photo.jpg", test::MakeJpeg(8, 8, test::Pattern));

    EXPECT_EQ(LoadedFormat(dir.Str() + "png.jpg"), "png");
    EXPECT_EQ(LoadedFormat(dir.Str() + "gif.bmp"), "gif");
    EXPECT_EQ(LoadedFormat(dir.Str() + "photo.jpg"), "jpeg");
    // No content reader claims JPEG: the extension sends it to the PNG decoder.
    EXPECT_EQ(LoadError(dir.Str() + "photo.png"),
              "Cannot load image. Invalid or unexpected PNG image format.");
}

// The open dialog's preview goes by the extension alone.
TEST(PictureFormatsTest, PreviewLoadsByExtensionOnly) {
    TempDir dir;
    WriteFile(dir.Path() / "a.gif", SmallGif());
    WriteFile(dir.Path() / "a.PNG", SmallPng());
    WriteFile(dir.Path() / "png.jpg", SmallPng());
    LoadedPicture picture;
    picture.LoadFromFile(dir.Str() + "a.gif");
    EXPECT_EQ(picture.Format(), &kGifFormat);
    picture.LoadFromFile(dir.Str() + "a.PNG");
    EXPECT_EQ(picture.Format(), &kPngFormat);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_THROW(picture.LoadFromFile(dir.Str() + "png.jpg"), InvalidPicture);
    EXPECT_EQ(picture.Format(), &kPngFormat);  // a failed load keeps what was held
    EXPECT_EQ(picture.Width(), 4);
}

TEST(PictureFormatsTest, UnknownExtensionAndUnreadableFileHaveTheirMessages) {
    TempDir dir;
    WriteFile(dir.Path() / "notes.TXT", std::string("plain text, no picture"));
    WriteFile(dir.Path() / "noextension", std::string("plain text, no picture"));
    EXPECT_EQ(LoadError(dir.Str() + "notes.TXT"), "拡張子 .txt の画像形式は処理できません");
    EXPECT_EQ(LoadError(dir.Str() + "noextension"), "拡張子 . の画像形式は処理できません");
    EXPECT_EQ(LoadError(dir.Str() + "missing.jpg"),
              "ファイル " + dir.Str() + "missing.jpg は開けません");
    EXPECT_THROW(FormatByContent(dir.Str() + "missing.png"), UnreadableFile);
    // A named pipe with a picture's name is no file: refused at once, not waited on.
    ASSERT_EQ(::mkfifo((dir.Str() + "pipe.jpg").c_str(), 0666), 0);
    EXPECT_EQ(LoadError(dir.Str() + "pipe.jpg"), "ファイル " + dir.Str() + "pipe.jpg は開けません");
}

TEST(PictureFormatsTest, EachExtensionIsReadByOneFormatInAnyCase) {
    EXPECT_EQ(FormatByExtension("bmp"), &kBmpFormat);
    EXPECT_EQ(FormatByExtension("jpg"), &kJpegFormat);
    EXPECT_EQ(FormatByExtension("JPEG"), &kJpegFormat);
    EXPECT_EQ(FormatByExtension("png"), &kPngFormat);
    EXPECT_EQ(FormatByExtension("gif"), &kGifFormat);
    EXPECT_EQ(FormatByExtension("tif"), &kTiffFormat);
    EXPECT_EQ(FormatByExtension("fax"), &kTiffFormat);
    EXPECT_EQ(FormatByExtension("dib"), &kBmpFormat);
    EXPECT_EQ(FormatByExtension("jpe2"), nullptr);
    EXPECT_EQ(FormatByExtension(""), nullptr);
    std::vector<std::string_view> seen;
    for (const PictureFormat* format : PictureFormats()) {
        for (const auto& list : {format->extensions, format->readOnlyExtensions}) {
            for (const std::string_view extension : list) {
                EXPECT_EQ(std::count(seen.begin(), seen.end(), extension), 0) << extension;
                seen.push_back(extension);
            }
        }
    }
}

TEST(PictureFormatsTest, AcceptedExtensionsComeFromTheTableInTheFiltersOrder) {
    const std::vector<std::string_view> expected = {"bmp",  "jpg", "jpeg", "gif", "tif",
                                                    "tiff", "psd", "png",  "eps", "heic",
                                                    "heif", "hif", "avif", "webp"};
    EXPECT_EQ(AcceptedExtensions(), expected);
    for (const std::string_view extension : expected)
        EXPECT_TRUE(HasAcceptedExtension("/a.b/photo." + std::string(extension))) << extension;
    EXPECT_TRUE(HasAcceptedExtension("PHOTO.TIFF"));
    // Readable when named, yet not taken in by the selection.
    EXPECT_NE(FormatByExtension("jpe"), nullptr);
    EXPECT_FALSE(HasAcceptedExtension("photo.jpe"));
    EXPECT_FALSE(HasAcceptedExtension("/photos.jpg/readme"));
    EXPECT_FALSE(HasAcceptedExtension("jpg"));
}

// A file whose first bytes no format claiming content can start with, and
// that its extension's format refuses, is refused before the rest is read,
// with the same message the whole file would give.
TEST(PictureFormatsTest, LongFileRefusedByItsHeadGivesTheDecodersMessage) {
    TempDir dir;
    std::vector<std::uint8_t> text(kGraphicHeadBytes + 10, 'x');
    WriteFile(dir.Path() / "long.tif", text);
    WriteFile(dir.Path() / "long.gif", text);
    EXPECT_EQ(LoadError(dir.Str() + "long.tif"),
              "Cannot load image. Invalid or unexpected TIFF image format.");
    EXPECT_NE(LoadError(dir.Str() + "long.gif"), "");
    // A JPEG under a newer format's name fits that format's head.
    const std::vector<std::uint8_t> jpeg = test::MakeJpeg(400, 300, test::Pattern);
    ASSERT_GT(jpeg.size(), kGraphicHeadBytes);
    WriteFile(dir.Path() / "photo.webp", jpeg);
    EXPECT_EQ(LoadedFormat(dir.Str() + "photo.webp"), "jpeg");
}

TEST(PictureFormatsTest, PlainNamesAreDistinct) {
    std::vector<std::string_view> names;
    for (const PictureFormat* format : PictureFormats()) names.push_back(format->name);
    const std::vector<std::string_view> expected = {"bmp", "jpeg", "gif",  "tiff", "psd",
                                                    "png", "eps",  "heif", "webp"};
    EXPECT_EQ(names, expected);
}

// Each reader needs strictly more than its header's bytes.
TEST(PictureFormatsTest, StreamsNoLongerThanTheHeaderAreNeverRecognised) {
    const std::vector<std::uint8_t> png = SmallPng();
    EXPECT_FALSE(PngReader::RecognisesContent({png.data(), 8}));
    EXPECT_TRUE(PngReader::RecognisesContent({png.data(), 9}));

    std::vector<std::uint8_t> gif = {'g', 'i', 'f', '8', '9', 'a'};
    gif.resize(22, 0);
    EXPECT_FALSE(GifReader::RecognisesContent(gif));
    gif.push_back(0);
    EXPECT_TRUE(GifReader::RecognisesContent(gif));  // upper-cased comparison
    gif[0] = 'J';
    EXPECT_FALSE(GifReader::RecognisesContent(gif));

    // II*\0 with the first directory at offset 8: the offset must lie inside.
    std::vector<std::uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    EXPECT_FALSE(TiffReader::RecognisesContent(tiff));
    tiff.push_back(0);
    EXPECT_TRUE(TiffReader::RecognisesContent(tiff));
    const std::vector<std::uint8_t> bigEndian = {'M', 'M', 0, 42, 0, 0, 0, 9, 0};
    EXPECT_FALSE(TiffReader::RecognisesContent(bigEndian));  // offset 9 == size
    const std::vector<std::uint8_t> mixed = {'I', 'I', 0, 42, 0, 0, 0, 0, 0};
    EXPECT_FALSE(TiffReader::RecognisesContent(mixed));  // 42 in the wrong byte order
}

TEST(PictureFormatsTest, SignatureOnlyPngGoesByExtensionAndFails) {
    TempDir dir;
    const std::vector<std::uint8_t> png = SmallPng();
    WriteFile(dir.Path() / "cut.png", std::vector<std::uint8_t>(png.begin(), png.begin() + 8));
    EXPECT_EQ(FormatByContent(dir.Str() + "cut.png"), nullptr);
    EXPECT_EQ(LoadError(dir.Str() + "cut.png"),
              "Cannot load image. Invalid or unexpected PNG image format.");
}

TEST(PictureFormatsTest, FailedLoadKeepsThePreviousPicture) {
    TempDir dir;
    WriteFile(dir.Path() / "good.png", SmallPng());
    std::vector<std::uint8_t> broken = SmallPng();
    broken.resize(broken.size() - 20);  // cut inside the image data
    WriteFile(dir.Path() / "broken.png", broken);

    LoadedPicture picture;
    LoadPicture(picture, dir.Str() + "good.png");
    EXPECT_THROW(LoadPicture(picture, dir.Str() + "broken.png"), InvalidPicture);
    EXPECT_EQ(picture.Format(), &kPngFormat);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(picture.Height(), 3);
}

}  // namespace
}  // namespace pictorel
