#include "formats/FileFormatList.h"

#include <algorithm>

#include "app/Errors.h"
#include "app/PathText.h"
#include "formats/BitmapReader.h"
#include "formats/EPSGraphic.h"
#include "formats/GIFGraphic.h"
#include "formats/JPEGImage.h"
#include "formats/PNGGraphic.h"
#include "formats/PSDGraphic.h"
#include "formats/TIFFGraphic.h"

namespace pictorel {

std::string RegistryExtension(const std::string& path) {
    const std::string ext = LowerExtension(path);
    return ext.empty() ? ext : ext.substr(1);
}

void TPictureFormats::Register(const std::string& extension, const std::string& description,
                               const TGraphicClass* cls) {
    entries_.push_back({AsciiLower(extension), description, cls});
}

void TPictureFormats::Unregister(const TGraphicClass* cls) {
    std::erase_if(entries_, [cls](const Entry& e) { return e.cls == cls; });
}

const TGraphicClass* TPictureFormats::Find(const std::string& extension) const {
    const std::string ext = AsciiLower(extension);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->extension == ext) return it->cls;
    }
    return nullptr;
}

TFileFormatList::~TFileFormatList() {
    for (const TGraphicClass* cls : classes_) pictureFormats_.Unregister(cls);
}

void TFileFormatList::RegisterFormat(const std::string& extension,
                                     const std::string& commonDescription,
                                     const std::string& individualDescription,
                                     const TGraphicClass* cls, unsigned kinds, bool replace) {
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
    pictureFormats_.Register(ext, individualDescription, cls);
}

void TFileFormatList::RegisterFormats(std::initializer_list<const char*> extensions,
                                      std::initializer_list<const char*> descriptions,
                                      const TGraphicClass* cls, unsigned kinds) {
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

const TGraphicClass* TFileFormatList::FindReaderByContent(const std::string& path) const {
    const std::vector<std::uint8_t> data = ReadGraphicFile(path);
    return FindReaderByContent(data);
}

const TGraphicClass* TFileFormatList::FindReaderByContent(
    std::span<const std::uint8_t> data) const {
    for (const TGraphicClass* cls : classes_) {
        if (cls->recognisesContent && cls->recognisesContent(data)) return cls;
    }
    return nullptr;
}

namespace {

// Both registries live and die together; the content registry removes its
// classes from the extension registry when it goes.
struct Registries {
    TPictureFormats pictureFormats;
    TFileFormatList fileFormatList{pictureFormats};

    Registries() {
        // The holder's built-in entry, then the JPEG reader's own entries.
        pictureFormats.Register("bmp", "Bitmaps", GraphicClassOf<TBitmap>());
        pictureFormats.Register("jpeg", "JPEG Image File", GraphicClassOf<TJPEGImage>());
        pictureFormats.Register("jpg", "JPEG Image File", GraphicClassOf<TJPEGImage>());

        TFileFormatList& list = fileFormatList;
        list.RegisterFormats({"bmp"}, {"Windows bitmaps"}, GraphicClassOf<TBitmap>(), fkRaster);
        list.RegisterFormats({"jfif", "jpg", "jpe", "jpeg"},
                             {"JFIF images", "JPG images", "JPE images", "JPEG images"},
                             GraphicClassOf<TJPEGImage>(), fkRaster);
        list.RegisterFormats(
            {"rle", "dib"},
            {"Run length encoded Windows bitmaps", "Device independant Windows bitmaps"},
            GraphicClassOf<TBitmap>(), fkRaster);
        list.RegisterFormats({"tiff", "tif", "fax"},
                             {"Tagged image file format images", "Macintosh TIFF images",
                              "PC TIF images", "GFI fax images"},
                             GraphicClassOf<TTIFFGraphic>(), fkMultiImage | fkRaster);
        list.RegisterFormats({"eps"}, {"Encapsulated Postscript images"},
                             GraphicClassOf<TEPSGraphic>(), fkRaster);
        list.RegisterFormats({"psd", "pdd"}, {"Photoshop images"}, GraphicClassOf<TPSDGraphic>(),
                             fkLayered | fkRaster);
        list.RegisterFormats({"gif"}, {"CompuServe images"}, GraphicClassOf<TGIFGraphic>(),
                             fkAnimation | fkMultiImage | fkRaster);
        list.RegisterFormats({"png"}, {"Portable network graphic images"},
                             GraphicClassOf<TPNGGraphic>(), fkRaster);

        // The later libraries' own entries win over the content registry's.
        pictureFormats.Register("PNG", "Portable Network Graphics", GraphicClassOf<TPNGObject>());
        pictureFormats.Register("GIF", "CompuServe GIF Image", GraphicClassOf<TGIFImage>());
    }
};

Registries& TheRegistries() {
    static Registries registries;
    return registries;
}

}  // namespace

TPictureFormats& PictureFormats() {
    return TheRegistries().pictureFormats;
}
TFileFormatList& FileFormatList() {
    return TheRegistries().fileFormatList;
}

}  // namespace pictorel
