#include "cli/CmdFormats.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/ColourProfile.h"
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
    const Bitmap& bitmap = picture.GetBitmap();
    const std::string name(picture.Format()->name);
    std::printf("%s %dx%d %d\n", name.c_str(), bitmap.Width(), bitmap.Height(),
                bitmap.BitsPerPixel());
    // The embedded colour profile: its description, or that there is none
    // (or none that can be read, in which case the colours stay as stored).
    const std::vector<std::uint8_t>& icc = picture.IccProfile();
    const std::string description = ProfileDescription(icc);
    if (icc.empty()) {
        std::printf("no profile\n");
    } else if (description.empty()) {
        std::printf("unreadable profile (ignored)\n");
    } else {
        std::printf("profile: %s\n", description.c_str());
    }
    return 0;
}

int CmdConvert(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: pictorel-cli convert %s\n", kConvertUsage);
        return 2;
    }
    LoadedPicture picture;
    LoadPicture(picture, args[0]);
    WritePicture(picture.GetBitmap(), args[1]);
    return 0;
}

}  // namespace pictorel::cli
