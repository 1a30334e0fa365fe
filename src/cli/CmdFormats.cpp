#include "cli/CmdFormats.h"

#include <cstdio>

#include "formats/LoadedPicture.h"
#include "formats/PictureWriter.h"

namespace pictorel::cli {

int CmdInfo(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: pictorel-cli info %s\n", kInfoUsage);
        return 2;
    }
    LoadedPicture picture;
    LoadPicture(picture, args[0]);
    const Bitmap& bitmap = picture.Graphic()->GetBitmap();
    std::printf("%s %dx%d %d\n", picture.Graphic()->ClassName(), bitmap.Width(), bitmap.Height(),
                bitmap.BitsPerPixel());
    return 0;
}

int CmdConvert(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: pictorel-cli convert %s\n", kConvertUsage);
        return 2;
    }
    LoadedPicture picture;
    LoadPicture(picture, args[0]);
    WritePicture(picture.Graphic()->GetBitmap(), args[1]);
    return 0;
}

}  // namespace pictorel::cli
