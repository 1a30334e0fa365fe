#include "formats/LoadedPicture.h"

#include <new>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "formats/ColourProfile.h"
#include "formats/JpegReader.h"
#include "formats/PictureFormats.h"
#include "imaging/AlphaOverWhite.h"

namespace pictorel {

namespace {

const PictureFormat& FormatOfExtension(const std::string& path) {
    const std::string ext = FormatExtension(path);
    const PictureFormat* format = FormatByExtension(ext);
    if (!format) throw InvalidPicture("拡張子 ." + ext + " の画像形式は処理できません");
    return *format;
}

// Decodes, turns upright, applies the profile as `conversion` asks and lays
// alpha over white where the format wants it.
DecodedPicture Decode(const PictureFormat& format, std::span<const std::uint8_t> data,
                      const std::string& path,
                      ProfileConversion conversion = ProfileConversion::AtLoad) {
    try {
        DecodedPicture picture = format.makeDecoder()->Decode(data);
        TurnUpright(picture);
        // Alpha is laid over white only once the colours are final, so that
        // the white stays white: a picture laid over white has its profile
        // applied here even when the caller would convert later, and the
        // caller is then left nothing to convert.
        const bool overWhite = format.alphaGoesOverWhite;
        if (!picture.iccProfile.empty() && (conversion == ProfileConversion::AtLoad || overWhite)) {
            ConvertToSrgb(picture.bitmap, picture.iccProfile);
            if (conversion == ProfileConversion::ByCaller) picture.iccProfile.clear();
        }
        if (overWhite) CompositeOverWhite(picture.bitmap);
        return picture;
    } catch (const std::bad_alloc&) {
        ThrowOutOfMemoryFor(path);
    }
}

bool IsJpegContent(std::span<const std::uint8_t> data) {
    return StartsWith(data, "\xff\xd8\xff");
}

// A JPEG file under the extension of a format that takes JPEG files under
// its name goes to the JPEG decoder; every other file to its extension's.
const PictureFormat& WithJpegUnderNewName(const PictureFormat& byExtension,
                                          std::span<const std::uint8_t> data) {
    return byExtension.takesJpegUnderItsName && IsJpegContent(data) ? kJpegFormat : byExtension;
}

// Whether a file of `format` can start with `head`, its first bytes.
bool HeadFits(const PictureFormat& format, std::span<const std::uint8_t> head) {
    if (!format.headFits || format.headFits(head)) return true;
    return format.takesJpegUnderItsName && IsJpegContent(head);
}

// Refuses, with the message its decoder gives, a file that no format claiming
// content can start with and that the extension's format refuses by its
// first bytes, so that the rest of the file is never read.
void CheckHead(const PictureFormat& byExtension, bool askContentFormats,
               std::span<const std::uint8_t> head, const std::string& path) {
    if (HeadFits(byExtension, head)) return;
    if (askContentFormats) {
        for (const PictureFormat* format : PictureFormats()) {
            if (format->recognisesContent && HeadFits(*format, head)) return;
        }
    }
    Decode(byExtension, head, path);  // throws the decoder's own message
}

}  // namespace

void LoadedPicture::LoadFromFile(const std::string& path) {
    const PictureFormat& format = FormatOfExtension(path);
    const std::vector<std::uint8_t> data = ReadPictureFile(
        path, [&](std::span<const std::uint8_t> head) { CheckHead(format, false, head, path); });
    const PictureFormat& chosen = WithJpegUnderNewName(format, data);
    Assign(chosen, Decode(chosen, data, path));
}

Bitmap LoadedPicture::TakeBgr24() {
    Bitmap taken = std::move(picture_.bitmap);
    picture_.bitmap = Bitmap();
    if (taken.Empty() || taken.Format() == PixelFormat::Bgr24) return taken;
    return taken.ToBgr24();
}

namespace {

// The whole file and the format it is decoded as.
struct ChosenFormat {
    std::vector<std::uint8_t> data;
    const PictureFormat* format = nullptr;
};

ChosenFormat ReadAndChooseFormat(const std::string& path) {
    // The file is read once; the content test and the decoder share the
    // bytes. A file of an unknown extension is read whole: it may still be
    // claimed by content.
    const PictureFormat* byExtension = FormatByExtension(FormatExtension(path));
    ChosenFormat chosen;
    chosen.data = ReadPictureFile(path, [&](std::span<const std::uint8_t> head) {
        if (byExtension) CheckHead(*byExtension, true, head, path);
    });
    chosen.format = FormatByContent(chosen.data);
    if (!chosen.format) chosen.format = &WithJpegUnderNewName(FormatOfExtension(path), chosen.data);
    return chosen;
}

}  // namespace

void LoadPicture(LoadedPicture& picture, const std::string& path, ProfileConversion conversion) {
    const ChosenFormat chosen = ReadAndChooseFormat(path);
    picture.Assign(*chosen.format, Decode(*chosen.format, chosen.data, path, conversion));
}

bool LoadPictureRows(LoadedPicture& picture, const std::string& path, RowSink& sink,
                     ProfileConversion conversion) {
    const ChosenFormat chosen = ReadAndChooseFormat(path);
    if (chosen.format->deliversRows) {
        DecodedPicture profileOnly;
        bool delivered = false;
        try {
            delivered = chosen.format->makeDecoder()->DeliverRows(chosen.data, sink,
                                                                  profileOnly.iccProfile);
        } catch (const std::bad_alloc&) {
            ThrowOutOfMemoryFor(path);
        }
        if (delivered) {
            picture.Assign(*chosen.format, std::move(profileOnly));
            return true;
        }
    }
    picture.Assign(*chosen.format, Decode(*chosen.format, chosen.data, path, conversion));
    return false;
}

}  // namespace pictorel
