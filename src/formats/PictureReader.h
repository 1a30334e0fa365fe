// Picture formats: the descriptor of a format, the decoder interface its
// reader implements, and the helpers the readers share.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

// A picture about to be delivered row by row.
struct RowPicture {
    // As stored: the rows come top to bottom in the file's own layout.
    int width = 0;
    int height = 0;
    // The EXIF orientation 1-8 that turns the stored rows upright (see
    // ApplyOrientation); 1 when they are upright already.
    int orientation = 1;
    // The embedded colour profile (empty when none); the rows come unconverted.
    std::span<const std::uint8_t> iccProfile;
    // What the decoder itself holds while the rows come (a progressive
    // file's whole-image coefficient arrays).
    std::uint64_t decoderBytes = 0;
};

// Receives a picture's rows top to bottom as a reader decodes them, for a
// caller that reduces them on the way instead of holding the whole picture.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // Before any row; false declines the rows and reserves nothing. A sink
    // that accepts reserves its own buffers and picture.decoderBytes in one
    // request of the memory budget and leaves the decoder's share in
    // `decoderShare`: a thread that holds budget never waits, so a second
    // request, made by the decoder after the sink's, would take the bytes
    // beyond the budget instead of waiting for them.
    virtual bool Accept(const RowPicture& picture, MemoryBudget::Reservation& decoderShare) = 0;
    // Where the next row's 24-bit BGR pixels go (3 x width bytes).
    virtual std::uint8_t* NextRow() = 0;
    // The row at NextRow() is written.
    virtual void RowDone() = 0;
};

// A decoded picture, apart from the decoder that made it.
struct DecodedPicture {
    // The pixels as the file stores them (not yet turned by `orientation`).
    Bitmap bitmap;
    // The colour profile embedded in the file, as raw ICC bytes (empty when
    // the file carries none). The pixels are as stored, not yet converted.
    std::vector<std::uint8_t> iccProfile;
    // The EXIF/TIFF orientation 1-8 that turns `bitmap` upright (see
    // ApplyOrientation); 1 when it is upright already.
    int orientation = 1;
};

// Turns `picture`'s pixels upright; its orientation becomes 1.
void TurnUpright(DecodedPicture& picture);

// Decodes one picture format from bytes in memory. A decoder keeps nothing
// between calls: everything it found is in what it returns.
class PictureDecoder {
  public:
    virtual ~PictureDecoder() = default;
    // Throws on any fault (InvalidPicture with the format's message).
    virtual DecodedPicture Decode(std::span<const std::uint8_t> data) = 0;
    // Decodes into `sink` row by row instead of returning the picture, where
    // this decoder can for this file and the sink accepts it; `iccProfile`
    // receives the file's profile. False, with no row delivered and nothing
    // in `iccProfile`, where it cannot: the caller then decodes the picture
    // whole. Throws as Decode does.
    virtual bool DeliverRows(std::span<const std::uint8_t> /*data*/, RowSink& /*sink*/,
                             std::vector<std::uint8_t>& /*iccProfile*/) {
        return false;
    }
};

// Everything the program knows of one picture format, declared beside its
// decoder; the table of every format is in PictureFormats.cpp.
struct PictureFormat {
    // The plain name `pictorel-cli info` shows ("jpeg", "png", ...).
    std::string_view name;
    // Lower-cased extensions without their dot that the selection, the open
    // dialog's filter and the command line take in, in the filter's order.
    std::span<const std::string_view> extensions;
    // Further extensions whose files this format reads when they are named
    // directly (a picture opened by path), but that the selection skips.
    std::span<const std::string_view> readOnlyExtensions;
    // Claims a whole file by its content, whatever its name; null for a
    // format that is only chosen by its extension.
    bool (*recognisesContent)(std::span<const std::uint8_t> data);
    // Whether the first kGraphicHeadBytes of a longer file can start a file
    // of this format, so that a file refused here is not read on; null for a
    // format without a fixed signature (it is always read whole).
    bool (*headFits)(std::span<const std::uint8_t> head);
    // Whether the decoder can deliver rows (PictureDecoder::DeliverRows).
    bool deliversRows;
    // Whether a picture with alpha is laid over white (after any colour
    // conversion) instead of keeping its alpha.
    bool alphaGoesOverWhite;
    // Whether a JPEG file under this format's extensions goes to the JPEG
    // decoder: phones and web tools hand out JPEG files under the names of
    // today's formats (IMG_0001.HEIC, a download saved as .webp).
    bool takesJpegUnderItsName;
    std::unique_ptr<PictureDecoder> (*makeDecoder)();
};

// The decoder factory of a PictureFormat for a default-constructible decoder.
template <class Decoder>
std::unique_ptr<PictureDecoder> MakeDecoder() {
    return std::make_unique<Decoder>();
}

// Whether `data` starts with the bytes of `magic`.
bool StartsWith(std::span<const std::uint8_t> data, std::string_view magic);

// A read position over bytes in memory for the libraries' read callbacks.
struct MemoryCursor {
    std::span<const std::uint8_t> data;
    std::uint64_t position = 0;
    // Copies up to `count` bytes on from the position; fewer at the end.
    std::size_t Read(void* out, std::size_t count);
};

// The message for a file that cannot be opened or read: "ファイル %s は開けません".
std::string UnreadableFileMessage(const std::string& path);

// The whole file; UnreadableFileMessage when it cannot be read. A file
// larger than the memory budget is refused unread. When the file is longer
// than kGraphicHeadBytes, `checkHead` sees its first kGraphicHeadBytes
// before the rest is read; a check that throws refuses the file.
inline constexpr std::size_t kGraphicHeadBytes = 65536;
std::vector<std::uint8_t> ReadPictureFile(
    const std::string& path,
    const std::function<void(std::span<const std::uint8_t>)>& checkHead = {});

// "Cannot load image. Invalid or unexpected %s image format.", with the
// decoding library's message, when it gave one, as the cause.
[[noreturn]] void ThrowInvalidFormat(const std::string& formatName, const std::string& cause = {});
// "Cannot load image. %s not supported for %s files."
[[noreturn]] void ThrowNotSupported(const std::string& what, const std::string& formatName);
// "Cannot load image. Compression error found in %s file."
[[noreturn]] void ThrowCompressionError(const std::string& formatName);
// "Cannot load image. Not enough memory for %s." (a file's path, or "PNG file").
[[noreturn]] void ThrowOutOfMemoryFor(const std::string& what);

// Refuses, before anything is allocated, a picture whose header promises no
// pixels or more than the program decodes (limits::kMaxPicturePixels).
void CheckPictureSize(std::int64_t width, std::int64_t height, const std::string& formatName);

// Refuses a picture whose header promises more data than the input holds:
// `minimumBytes` is the least number of bytes such a picture can take.
void CheckDataFits(std::uint64_t minimumBytes, std::uint64_t available,
                   const std::string& formatName);

// Turns an 8-, 24- or 32-bit picture upright after the EXIF/TIFF orientation
// value 1-8 (1 and unknown values leave it as it is).
Bitmap ApplyOrientation(Bitmap source, int orientation);

}  // namespace pictorel
