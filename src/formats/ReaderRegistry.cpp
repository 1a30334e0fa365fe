#include "formats/ReaderRegistry.h"

#include <algorithm>

#include <sys/stat.h>

#include "base/Errors.h"
#include "base/PathText.h"
#include "formats/BmpReader.h"
#include "formats/EpsReader.h"
#include "formats/GifReader.h"
#include "formats/HeifReader.h"
#include "formats/JpegReader.h"
#include "formats/PngReader.h"
#include "formats/PsdReader.h"
#include "formats/TiffReader.h"
#include "formats/WebpReader.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

std::string RegistryExtension(const std::string& path) {
    const std::string ext = LowerExtension(path);
    return ext.empty() ? ext : ext.substr(1);
}

void ExtensionRegistry::Register(const std::string& extension, const std::string& description,
                                 const ReaderFactory* cls) {
    entries_.push_back({AsciiLower(extension), description, cls});
}

void ExtensionRegistry::Unregister(const ReaderFactory* cls) {
    std::erase_if(entries_, [cls](const Entry& e) { return e.cls == cls; });
}

const ReaderFactory* ExtensionRegistry::Find(const std::string& extension) const {
    const std::string ext = AsciiLower(extension);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->extension == ext) return it->cls;
    }
    return nullptr;
}

ContentRegistry::~ContentRegistry() {
    for (const ReaderFactory* cls : classes_) extensionRegistry_.Unregister(cls);
}

void ContentRegistry::RegisterFormat(const std::string& extension,
                                     const std::string& commonDescription,
                                     const std::string& individualDescription,
                                     const ReaderFactory* cls, unsigned kinds, bool replace) {
    const std::string ext = AsciiLower(extension);
    auto present = std::find_if(entries_.begin(), entries_.end(),
                                [&](const Entry& e) { return e.extension == ext; });
    if (present != entries_.end()) {
        if (!replace) throw Error("Attempt to register " + ext + " twice.");
        entries_.erase(present);
    }
    entries_.push_back({ext, commonDescription, individualDescription, cls, kinds});
    if (std::find(classes_.begin(), classes_.end(), cls) == classes_.end()) {
        classes_.push_back(cls);
    }
    extensionRegistry_.Register(ext, individualDescription, cls);
}

void ContentRegistry::RegisterFormats(std::initializer_list<const char*> extensions,
                                      std::initializer_list<const char*> descriptions,
                                      const ReaderFactory* cls, unsigned kinds) {
    const std::vector<std::string> exts(extensions.begin(), extensions.end());
    const std::vector<std::string> descs(descriptions.begin(), descriptions.end());
    const bool hasCommon = descs.size() == exts.size() + 1;
    const std::string common = descs.empty() ? std::string() : descs.front();
    for (std::size_t i = 0; i < exts.size(); ++i) {
        std::string individual = common;
        if (hasCommon) {
            individual = descs[i + 1];
        } else if (i < descs.size()) {
            individual = descs[i];
        }
        RegisterFormat(exts[i], common, individual, cls, kinds);
    }
}

const ReaderFactory* ContentRegistry::FindReaderByContent(const std::string& path) const {
    // The whole file is held while the readers look at it; its size is
    // reserved before it is read, so that a large file waits for room like
    // a picture does. A path that is no regular file, or a file larger than
    // the whole budget, is refused by the read with its own message.
    MemoryBudget& budget = MemoryBudget::Process();
    MemoryBudget::Reservation held;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) <= budget.Capacity()) {
        held = budget.Reserve(static_cast<std::uint64_t>(info.st_size), path.c_str());
    }
    const std::vector<std::uint8_t> data = ReadPictureFile(path);
    // A file that grew meanwhile: the rest is counted too.
    MemoryBudget::Reservation growth;
    if (data.size() > held.Bytes())
        growth = budget.Reserve(data.size() - held.Bytes(), path.c_str());
    return FindReaderByContent(data);
}

const ReaderFactory* ContentRegistry::FindReaderByContent(
    std::span<const std::uint8_t> data) const {
    for (const ReaderFactory* cls : classes_) {
        if (cls->recognisesContent && cls->recognisesContent(data)) return cls;
    }
    return nullptr;
}

namespace {

// Both registries live and die together; the content registry removes its
// classes from the extension registry when it goes.
struct Registries {
    ExtensionRegistry extensionRegistry;
    ContentRegistry contentRegistry{extensionRegistry};

    Registries() {
        // The holder's built-in entry, then the JPEG reader's own entries.
        extensionRegistry.Register("bmp", "Bitmaps", ReaderFactoryOf<BmpReader>());
        extensionRegistry.Register("jpeg", "JPEG Image File", ReaderFactoryOf<JpegReader>());
        extensionRegistry.Register("jpg", "JPEG Image File", ReaderFactoryOf<JpegReader>());

        ContentRegistry& list = contentRegistry;
        list.RegisterFormats({"bmp"}, {"Windows bitmaps"}, ReaderFactoryOf<BmpReader>(), fkRaster);
        list.RegisterFormats({"jfif", "jpg", "jpe", "jpeg"},
                             {"JFIF images", "JPG images", "JPE images", "JPEG images"},
                             ReaderFactoryOf<JpegReader>(), fkRaster);
        list.RegisterFormats(
            {"rle", "dib"},
            {"Run length encoded Windows bitmaps", "Device independent Windows bitmaps"},
            ReaderFactoryOf<BmpReader>(), fkRaster);
        list.RegisterFormats({"tiff", "tif", "fax"},
                             {"Tagged image file format images", "Macintosh TIFF images",
                              "PC TIF images", "GFI fax images"},
                             ReaderFactoryOf<TiffReader>(), fkMultiImage | fkRaster);
        list.RegisterFormats({"eps"}, {"Encapsulated Postscript images"},
                             ReaderFactoryOf<EpsReader>(), fkRaster);
        list.RegisterFormats({"psd", "pdd"}, {"Photoshop images"}, ReaderFactoryOf<PsdReader>(),
                             fkLayered | fkRaster);
        list.RegisterFormats({"gif"}, {"CompuServe images"}, ReaderFactoryOf<GifReader>(),
                             fkAnimation | fkMultiImage | fkRaster);
        list.RegisterFormats({"png"}, {"Portable network graphic images"},
                             ReaderFactoryOf<PngReader>(), fkRaster);
        // Today's phone and web formats come last: their signatures ("ftyp"
        // at offset 4, "RIFF....WEBP") are claimed by no reader above.
        list.RegisterFormats(
            {"heic", "heif", "hif", "avif"},
            {"HEIF images", "HEIC images", "HEIF images", "HEIF images", "AVIF images"},
            ReaderFactoryOf<HeifReader>(), fkRaster);
        list.RegisterFormats({"webp"}, {"WebP images"}, ReaderFactoryOf<WebpReader>(), fkRaster);

        // The later libraries' own entries win over the content registry's.
        extensionRegistry.Register("PNG", "Portable Network Graphics", PngByExtension());
        extensionRegistry.Register("GIF", "CompuServe GIF Image", GifByExtension());
    }
};

Registries& TheRegistries() {
    static Registries registries;
    return registries;
}

}  // namespace

const ReaderFactory* PngByExtension() {
    static const ReaderFactory entry{kPngByExtensionName,
                                     []() -> std::unique_ptr<PictureReader> {
                                         return std::make_unique<PngReader>(kPngByExtensionName);
                                     },
                                     nullptr};
    return &entry;
}

const ReaderFactory* GifByExtension() {
    static const ReaderFactory entry{kGifByExtensionName,
                                     []() -> std::unique_ptr<PictureReader> {
                                         return std::make_unique<GifReader>(kGifByExtensionName);
                                     },
                                     nullptr};
    return &entry;
}

ExtensionRegistry& ExtensionReaders() {
    return TheRegistries().extensionRegistry;
}
ContentRegistry& ContentReaders() {
    return TheRegistries().contentRegistry;
}

bool HasAcceptedExtension(std::string_view path) {
    const std::string extension = LowerExtension(FileNamePart(path));
    if (extension.size() < 2) return false;
    for (const std::string_view accepted : kAcceptedExtensions)
        if (std::string_view(extension).substr(1) == accepted) return true;
    return false;
}

}  // namespace pictorel
