#include "formats/Picture.h"

#include <new>
#include <vector>

#include "app/Errors.h"
#include "formats/FileFormatList.h"

namespace pictorel {

namespace {

const TGraphicClass& ClassByExtension(const std::string& path) {
    const std::string ext = RegistryExtension(path);
    const TGraphicClass* cls = PictureFormats().Find(ext);
    if (!cls) throw EInvalidGraphic("拡張子 ." + ext + " の画像形式は処理できません");
    return *cls;
}

std::unique_ptr<TGraphic> Decode(const TGraphicClass& cls, std::span<const std::uint8_t> data,
                                 const std::string& path) {
    std::unique_ptr<TGraphic> graphic = cls.create();
    try {
        graphic->LoadFromMemory(data);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("Cannot load image. Not enough memory for " + path + ".");
    }
    return graphic;
}

}  // namespace

void TPicture::LoadFromFile(const std::string& path) {
    const TGraphicClass& cls = ClassByExtension(path);
    Assign(Decode(cls, ReadGraphicFile(path), path));
}

void LoadPicture(TPicture& picture, const std::string& path) {
    // The file is read once; the content test and the reader share the bytes.
    const std::vector<std::uint8_t> data = ReadGraphicFile(path);
    const TGraphicClass* cls = FileFormatList().FindReaderByContent(data);
    picture.Assign(Decode(cls ? *cls : ClassByExtension(path), data, path));
}

}  // namespace pictorel
