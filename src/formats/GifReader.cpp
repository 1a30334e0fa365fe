#include "formats/GifReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "base/Errors.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

const std::string kFormat = "GIF";

int ReadFn(GifFileType* gif, GifByteType* out, int length) {
    if (length <= 0) return 0;
    auto* in = static_cast<MemoryCursor*>(gif->UserData);
    return static_cast<int>(in->Read(out, static_cast<std::size_t>(length)));
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

void SkipExtension(GifFileType* gif) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) ThrowInvalidFormat(kFormat);
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) ThrowInvalidFormat(kFormat);
    }
}

}  // namespace

Bitmap DecodeGif(std::span<const std::uint8_t> data) {
    MemoryCursor input{data};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, ReadFn, &error));
    if (!gif) ThrowInvalidFormat(kFormat);

    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) ThrowInvalidFormat(kFormat);
        if (type == EXTENSION_RECORD_TYPE) {
            SkipExtension(gif.get());
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) ThrowInvalidFormat(kFormat);  // no image at all
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) ThrowInvalidFormat(kFormat);
        break;
    }

    const GifImageDesc& desc = gif->Image;
    CheckPictureSize(desc.Width, desc.Height, kFormat);
    // An LZW code of at least 3 bits yields at most 4096 pixels.
    CheckDataFits(static_cast<std::uint64_t>(desc.Width) * desc.Height / 11000, data.size(),
                  kFormat);
    // The image's own colour table comes before the file's global one.
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount <= 0 || map->ColorCount > 256 || !map->Colors) {
        throw InvalidPicture("Cannot load image. Palette in GIF file is invalid.");
    }
    std::vector<Color> table(static_cast<std::size_t>(map->ColorCount));
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = {map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue};
    }

    // The picture's bytes and the file's (held by the caller while this
    // decodes) in one request: a thread already holding bytes never waits.
    MemoryBudget::Reservation pool = MemoryBudget::Process().Reserve(
        Bitmap::PixelBytes(desc.Width, desc.Height, PixelFormat::Indexed8) + data.size(),
        "GIF picture");
    Bitmap bitmap(desc.Width, desc.Height, PixelFormat::Indexed8, pool);
    // Indices without a table entry read as black.
    bitmap.SetColorTable(std::move(table));
    if (desc.Interlace) {
        static const int kStart[4] = {0, 4, 2, 1};
        static const int kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = kStart[pass]; y < desc.Height; y += kStep[pass]) {
                if (DGifGetLine(gif.get(), bitmap.ScanLine(y), desc.Width) == GIF_ERROR) {
                    ThrowInvalidFormat(kFormat);
                }
            }
        }
    } else {
        for (int y = 0; y < desc.Height; ++y) {
            if (DGifGetLine(gif.get(), bitmap.ScanLine(y), desc.Width) == GIF_ERROR) {
                ThrowInvalidFormat(kFormat);
            }
        }
    }
    return bitmap;
}

bool GifReader::RecognisesContent(std::span<const std::uint8_t> data) {
    if (data.size() <= 22) return false;
    auto upper = [](std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
    return upper(data[0]) == 'G' && upper(data[1]) == 'I' && upper(data[2]) == 'F';
}

DecodedPicture GifReader::Decode(std::span<const std::uint8_t> data) {
    return DecodedPicture{DecodeGif(data), {}, 1};
}

namespace {
constexpr std::string_view kGifExtensions[] = {"gif"};
bool GifHeadFits(std::span<const std::uint8_t> head) {
    auto upper = [](std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
    return head.size() >= 3 && upper(head[0]) == 'G' && upper(head[1]) == 'I' &&
           upper(head[2]) == 'F';
}
}  // namespace

const PictureFormat kGifFormat{
    "gif", kGifExtensions, {},    &GifReader::RecognisesContent, &GifHeadFits,
    false, false,          false, &MakeDecoder<GifReader>};

}  // namespace pictorel
