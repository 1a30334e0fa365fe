#include "formats/Picture.h"

#include <new>
#include <vector>

#include "app/Errors.h"
#include "formats/FileFormatList.h"

namespace pictorel {

void LoadPicture(TPicture& picture, const std::string& path) {
    // The file is read once; the content test and the reader share the bytes.
    const std::vector<std::uint8_t> data = ReadGraphicFile(path);
    const TGraphicClass* cls = FileFormatList().FindReaderByContent(data);
    if (!cls) {
        const std::string ext = LowerExtension(path);
        cls = PictureFormats().Find(ext);
        if (!cls) throw EInvalidGraphic("拡張子 ." + ext + " の画像形式は処理できません");
    }
    std::unique_ptr<TGraphic> graphic = cls->create();
    try {
        graphic->LoadFromMemory(data);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("Cannot load image. Not enough memory for " + path + ".");
    }
    picture.Assign(std::move(graphic));
}

}  // namespace pictorel
