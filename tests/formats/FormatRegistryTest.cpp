// The two registries and the loading rule: content before extension, newest
// extension entry first, the error texts, short streams never recognised.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FormatFixtures.h"
#include "base/Errors.h"
#include "formats/GifReader.h"
#include "formats/LoadedPicture.h"
#include "formats/PngReader.h"
#include "formats/ReaderRegistry.h"
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

std::string LoadedClass(const std::string& path) {
    LoadedPicture picture;
    LoadPicture(picture, path);
    return picture.Graphic()->ClassName();
}

TEST(FormatRegistryTest, ContentWinsOverTheExtension) {
    TempDir dir;
    WriteFile(dir.Path() / "png.jpg", SmallPng());
    WriteFile(dir.Path() / "gif.bmp", SmallGif());
    WriteFile(dir.Path() / "photo.png", test::MakeJpeg(8, 8, test::Pattern));
    WriteFile(dir.Path() / "photo.jpg", test::MakeJpeg(8, 8, test::Pattern));

    EXPECT_EQ(LoadedClass(dir.Str() + "png.jpg"), "TPNGGraphic");
    EXPECT_EQ(LoadedClass(dir.Str() + "gif.bmp"), "TGIFGraphic");
    EXPECT_EQ(LoadedClass(dir.Str() + "photo.jpg"), "TJPEGImage");
    // No content reader claims JPEG: the extension sends it to the PNG decoder.
    EXPECT_EQ(LoadError(dir.Str() + "photo.png"),
              "Cannot load image. Invalid or unexpected PNG image format.");
}

// The open dialog's preview goes by the extension alone.
TEST(FormatRegistryTest, PreviewLoadsByExtensionOnly) {
    TempDir dir;
    WriteFile(dir.Path() / "a.gif", SmallGif());
    WriteFile(dir.Path() / "a.PNG", SmallPng());
    WriteFile(dir.Path() / "png.jpg", SmallPng());
    LoadedPicture picture;
    picture.LoadFromFile(dir.Str() + "a.gif");
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TGIFImage");
    EXPECT_NE(dynamic_cast<const GifReader*>(picture.Graphic()), nullptr);
    picture.LoadFromFile(dir.Str() + "a.PNG");
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TPNGObject");
    EXPECT_NE(dynamic_cast<const PngReader*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_THROW(picture.LoadFromFile(dir.Str() + "png.jpg"), InvalidPicture);
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TPNGObject");
}

TEST(FormatRegistryTest, UnknownExtensionAndUnreadableFileHaveTheirMessages) {
    TempDir dir;
    WriteFile(dir.Path() / "notes.TXT", std::string("plain text, no picture"));
    WriteFile(dir.Path() / "noextension", std::string("plain text, no picture"));
    EXPECT_EQ(LoadError(dir.Str() + "notes.TXT"), "拡張子 .txt の画像形式は処理できません");
    EXPECT_EQ(LoadError(dir.Str() + "noextension"), "拡張子 . の画像形式は処理できません");
    EXPECT_EQ(LoadError(dir.Str() + "missing.jpg"),
              "ファイル " + dir.Str() + "missing.jpg は開けません");
    EXPECT_THROW(ContentReaders().FindReaderByContent(dir.Str() + "missing.png"), InvalidPicture);
    // A named pipe with a picture's name is no file: refused at once, not waited on.
    ASSERT_EQ(::mkfifo((dir.Str() + "pipe.jpg").c_str(), 0666), 0);
    EXPECT_EQ(LoadError(dir.Str() + "pipe.jpg"), "ファイル " + dir.Str() + "pipe.jpg は開けません");
}

TEST(FormatRegistryTest, ExtensionRegistryFindsTheNewestEntry) {
    ExtensionRegistry& formats = ExtensionReaders();
    EXPECT_STREQ(formats.Find("bmp")->name, "TBitmap");
    EXPECT_STREQ(formats.Find("jpg")->name, "TJPEGImage");
    EXPECT_STREQ(formats.Find("JPEG")->name, "TJPEGImage");
    EXPECT_STREQ(formats.Find("png")->name, "TPNGObject");
    EXPECT_STREQ(formats.Find("gif")->name, "TGIFImage");
    EXPECT_STREQ(formats.Find("tif")->name, "TTIFFGraphic");
    EXPECT_STREQ(formats.Find("tiff")->name, "TTIFFGraphic");
    EXPECT_EQ(formats.Find("jpe2"), nullptr);

    ExtensionRegistry own;
    own.Register("xyz", "first", PngByExtension());
    own.Register("XYZ", "second", GifByExtension());
    EXPECT_EQ(own.Find("xyz"), GifByExtension());
    own.Unregister(GifByExtension());
    EXPECT_EQ(own.Find("xyz"), PngByExtension());
}

TEST(FormatRegistryTest, EveryAcceptedExtensionHasAReader) {
    for (const std::string_view extension : kAcceptedExtensions) {
        EXPECT_NE(ExtensionReaders().Find(std::string(extension)), nullptr) << extension;
        EXPECT_TRUE(HasAcceptedExtension("/a.b/photo." + std::string(extension))) << extension;
    }
    EXPECT_TRUE(HasAcceptedExtension("PHOTO.TIFF"));
    // Readable by some reader, yet not taken in by the selection.
    EXPECT_NE(ExtensionReaders().Find("jpe"), nullptr);
    EXPECT_FALSE(HasAcceptedExtension("photo.jpe"));
    EXPECT_FALSE(HasAcceptedExtension("/photos.jpg/readme"));
    EXPECT_FALSE(HasAcceptedExtension("jpg"));
}

TEST(FormatRegistryTest, ContentRegistryRefusesDuplicatesAndUnregistersOnDestruction) {
    ExtensionRegistry formats;
    {
        ContentRegistry list(formats);
        list.RegisterFormats({"png"}, {"Portable network graphic images"},
                             ReaderFactoryOf<PngReader>(), fkRaster);
        try {
            list.RegisterFormat("PNG", "again", "again", ReaderFactoryOf<GifReader>(), fkRaster);
            FAIL() << "duplicate accepted";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Attempt to register png twice.");
        }
        list.RegisterFormat("png", "again", "again", ReaderFactoryOf<GifReader>(), fkRaster, true);
        ASSERT_EQ(list.Entries().size(), 1u);
        EXPECT_EQ(list.Entries()[0].cls, ReaderFactoryOf<GifReader>());
        EXPECT_EQ(list.Classes().size(), 2u);
        EXPECT_EQ(formats.Find("png"), ReaderFactoryOf<GifReader>());
    }
    EXPECT_EQ(formats.Find("png"), nullptr);
}

TEST(FormatRegistryTest, ContentReadersAreAskedInRegistrationOrder) {
    std::vector<std::string> names;
    for (const ReaderFactory* cls : ContentReaders().Classes()) {
        if (cls->recognisesContent) names.push_back(cls->name);
    }
    ASSERT_GE(names.size(), 5u);
    EXPECT_EQ(names.front(), "TTIFFGraphic");
    EXPECT_EQ(names[names.size() - 4], "TGIFGraphic");
    EXPECT_EQ(names[names.size() - 3], "TPNGGraphic");
    EXPECT_EQ(names[names.size() - 2], "THEIFGraphic");
    EXPECT_EQ(names.back(), "TWebPGraphic");
}

// Each reader needs strictly more than its header's bytes.
TEST(FormatRegistryTest, StreamsNoLongerThanTheHeaderAreNeverRecognised) {
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

TEST(FormatRegistryTest, SignatureOnlyPngGoesByExtensionAndFails) {
    TempDir dir;
    const std::vector<std::uint8_t> png = SmallPng();
    WriteFile(dir.Path() / "cut.png", std::vector<std::uint8_t>(png.begin(), png.begin() + 8));
    EXPECT_EQ(ContentReaders().FindReaderByContent(dir.Str() + "cut.png"), nullptr);
    EXPECT_EQ(LoadError(dir.Str() + "cut.png"),
              "Cannot load image. Invalid or unexpected PNG image format.");
}

TEST(FormatRegistryTest, FailedLoadKeepsThePreviousPicture) {
    TempDir dir;
    WriteFile(dir.Path() / "good.png", SmallPng());
    std::vector<std::uint8_t> broken = SmallPng();
    broken.resize(broken.size() - 20);  // cut inside the image data
    WriteFile(dir.Path() / "broken.png", broken);

    LoadedPicture picture;
    LoadPicture(picture, dir.Str() + "good.png");
    const PictureReader* before = picture.Graphic();
    EXPECT_THROW(LoadPicture(picture, dir.Str() + "broken.png"), InvalidPicture);
    EXPECT_EQ(picture.Graphic(), before);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(picture.Height(), 3);
}

}  // namespace
}  // namespace pictorel
