#include "formats/LoadedPicture.h"

#include <cctype>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "formats/ColourProfile.h"
#include "formats/HeifReader.h"
#include "formats/JpegReader.h"
#include "formats/ReaderRegistry.h"
#include "formats/WebpReader.h"
#include "imaging/AlphaOverWhite.h"

namespace pictorel {

namespace {

const ReaderFactory& ClassByExtension(const std::string& path) {
    const std::string ext = RegistryExtension(path);
    const ReaderFactory* cls = ExtensionReaders().Find(ext);
    if (!cls) throw InvalidPicture("拡張子 ." + ext + " の画像形式は処理できません");
    return *cls;
}

std::unique_ptr<PictureReader> Decode(const ReaderFactory& cls, std::span<const std::uint8_t> data,
                                      const std::string& path,
                                      ProfileConversion conversion = ProfileConversion::AtLoad) {
    std::unique_ptr<PictureReader> graphic = cls.create();
    try {
        graphic->LoadFromMemory(data);
        // Alpha is laid over white only once the colours are final, so that
        // the white stays white: a picture laid over white has its profile
        // applied here even when the caller would convert later, and the
        // caller is then left nothing to convert.
        const bool overWhite = graphic->AlphaGoesOverWhite();
        if (!graphic->iccProfile.empty() &&
            (conversion == ProfileConversion::AtLoad || overWhite)) {
            ConvertToSrgb(graphic->MutableBitmap(), graphic->iccProfile);
            if (conversion == ProfileConversion::ByCaller) graphic->iccProfile.clear();
        }
        if (overWhite) CompositeOverWhite(graphic->MutableBitmap());
    } catch (const std::bad_alloc&) {
        ThrowOutOfMemoryFor(path);
    }
    return graphic;
}

bool StartsWith(std::span<const std::uint8_t> head, std::string_view magic) {
    return head.size() >= magic.size() && std::memcmp(head.data(), magic.data(), magic.size()) == 0;
}

bool IsJpegContent(std::span<const std::uint8_t> data) {
    using namespace std::string_view_literals;
    return StartsWith(data, "\xff\xd8\xff"sv);
}

// Phones and web tools hand out JPEG files under the names of today's
// formats (a photo exported as IMG_0001.HEIC, a download saved as .webp):
// under those extensions a JPEG's signature sends it to the JPEG reader.
// The older extensions keep their rule: the extension's reader.
const ReaderFactory& WithJpegUnderNewName(const ReaderFactory& byExtension,
                                          std::span<const std::uint8_t> data) {
    const bool newName = &byExtension == ReaderFactoryOf<HeifReader>() ||
                         &byExtension == ReaderFactoryOf<WebpReader>();
    return newName && IsJpegContent(data) ? *ReaderFactoryOf<JpegReader>() : byExtension;
}

// Whether the reader of `cls` refuses a file by its first bytes alone (its
// signature), so that the rest need not be read. Readers without a fixed
// signature here (the bitmap reader) are always given the whole file.
bool HeadRefusedBy(const ReaderFactory& cls, std::span<const std::uint8_t> head) {
    using namespace std::string_view_literals;
    const std::string_view name = cls.name;
    if (name == "TTIFFGraphic") {  // classic (42) and big (43) TIFF
        return !StartsWith(head, "II\x2a\0"sv) && !StartsWith(head, "MM\0\x2a"sv) &&
               !StartsWith(head, "II\x2b\0"sv) && !StartsWith(head, "MM\0\x2b"sv);
    }
    if (name == "TJPEGImage") return !StartsWith(head, "\xff\xd8"sv);
    if (name == "TPNGGraphic" || name == "TPNGObject") {
        return !StartsWith(head, "\x89PNG\r\n\x1a\n"sv);
    }
    if (name == "TGIFGraphic" || name == "TGIFImage") {
        return std::toupper(head[0]) != 'G' || std::toupper(head[1]) != 'I' ||
               std::toupper(head[2]) != 'F';
    }
    if (name == "TPSDGraphic") return !StartsWith(head, "8BPS"sv);
    if (name == "TEPSGraphic") return !StartsWith(head, "\xc5\xd0\xd3\xc6"sv);
    if (name == "THEIFGraphic" || name == "TWebPGraphic")
        return !cls.recognisesContent(head) && !IsJpegContent(head);
    return false;
}

// Refuses, with the message its reader gives, a file that no content reader
// can claim and that the extension's reader refuses by its first bytes.
void CheckHead(const ReaderFactory& byExtension, bool askContentReaders,
               std::span<const std::uint8_t> head, const std::string& path) {
    if (!HeadRefusedBy(byExtension, head)) return;
    if (askContentReaders) {
        for (const ReaderFactory* cls : ContentReaders().Classes()) {
            if (cls->recognisesContent && !HeadRefusedBy(*cls, head)) return;
        }
    }
    Decode(byExtension, head, path);  // throws the reader's own message
}

}  // namespace

void LoadedPicture::LoadFromFile(const std::string& path) {
    const ReaderFactory& cls = ClassByExtension(path);
    const std::vector<std::uint8_t> data = ReadPictureFile(
        path, [&](std::span<const std::uint8_t> head) { CheckHead(cls, false, head, path); });
    Assign(Decode(WithJpegUnderNewName(cls, data), data, path));
}

const std::vector<std::uint8_t>& LoadedPicture::IccProfile() const {
    static const std::vector<std::uint8_t> kNone;
    return graphic_ ? graphic_->iccProfile : kNone;
}

Bitmap LoadedPicture::TakeBgr24() {
    if (!graphic_) return Bitmap();
    Bitmap taken = graphic_->TakeBitmap();
    if (taken.Format() == PixelFormat::pf24bit) return taken;
    return taken.ToBgr24();
}

namespace {

// The whole file and the reader it goes to.
struct ChosenReader {
    std::vector<std::uint8_t> data;
    const ReaderFactory* cls = nullptr;
};

ChosenReader ReadAndChooseReader(const std::string& path) {
    // The file is read once; the content test and the reader share the bytes.
    // A file of an unknown extension is read whole: it may still be claimed
    // by content.
    const ReaderFactory* byExtension = ExtensionReaders().Find(RegistryExtension(path));
    ChosenReader chosen;
    chosen.data = ReadPictureFile(path, [&](std::span<const std::uint8_t> head) {
        if (byExtension) CheckHead(*byExtension, true, head, path);
    });
    chosen.cls = ContentReaders().FindReaderByContent(chosen.data);
    if (!chosen.cls) chosen.cls = &WithJpegUnderNewName(ClassByExtension(path), chosen.data);
    return chosen;
}

}  // namespace

void LoadPicture(LoadedPicture& picture, const std::string& path, ProfileConversion conversion) {
    const ChosenReader chosen = ReadAndChooseReader(path);
    picture.Assign(Decode(*chosen.cls, chosen.data, path, conversion));
}

bool LoadPictureRows(LoadedPicture& picture, const std::string& path, RowSink& sink,
                     ProfileConversion conversion) {
    const ChosenReader chosen = ReadAndChooseReader(path);
    std::unique_ptr<PictureReader> graphic = chosen.cls->create();
    bool delivered = false;
    try {
        delivered = graphic->DeliverRows(chosen.data, sink);
    } catch (const std::bad_alloc&) {
        ThrowOutOfMemoryFor(path);
    }
    if (delivered) {
        picture.Assign(std::move(graphic));
        return true;
    }
    picture.Assign(Decode(*chosen.cls, chosen.data, path, conversion));
    return false;
}

}  // namespace pictorel
