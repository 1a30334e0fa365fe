// Picture classes: each reader is a class that loads itself from a file or
// from memory and holds the decoded picture as a Bitmap.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
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

class PictureReader {
  public:
    virtual ~PictureReader() = default;
    // The class name as the registries and `pictorel-cli info` show it.
    virtual const char* ClassName() const = 0;
    // Reads the whole file and decodes it; "ファイル %s は開けません" when it
    // cannot be opened. Throws on any fault; then the object holds nothing.
    virtual void LoadFromFile(const std::string& path);
    virtual void LoadFromMemory(std::span<const std::uint8_t> data) = 0;
    // Decodes into `sink` row by row instead of holding the picture, where
    // this reader can for this file and the sink accepts it; iccProfile is
    // set, the object holds no pixels. False, with no row delivered, where
    // it cannot: the caller then loads the picture whole. Throws as
    // LoadFromMemory does.
    virtual bool DeliverRows(std::span<const std::uint8_t> /*data*/, RowSink& /*sink*/) {
        return false;
    }

    int Width() const { return bitmap_.Width(); }
    int Height() const { return bitmap_.Height(); }
    bool Empty() const { return bitmap_.Empty(); }
    const Bitmap& GetBitmap() const { return bitmap_; }
    Bitmap TakeBitmap() { return std::move(bitmap_); }
    // Puts a picture in place of the decoded one (its colours converted).
    void ReplaceBitmap(Bitmap bitmap) { bitmap_ = std::move(bitmap); }
    // The held picture, for the loading code's steps after decoding (colour
    // conversion, alpha over white).
    Bitmap& MutableBitmap() { return bitmap_; }
    // Whether the loading code lays a 32-bit picture of this class over
    // white (after any colour conversion) instead of keeping its alpha.
    virtual bool AlphaGoesOverWhite() const { return false; }

    // The colour profile embedded in the file, as raw ICC bytes (empty when
    // the file carries none). The pixels are as stored, not yet converted.
    std::vector<std::uint8_t> iccProfile;

  protected:
    Bitmap bitmap_;
};

// Base of the readers that the content registry asks; each derived class has
// a static `bool RecognisesContent(std::span<const std::uint8_t> data)`.
class ContentTestedReader : public PictureReader {};

// A read position over bytes in memory for the libraries' read callbacks.
struct MemoryCursor {
    std::span<const std::uint8_t> data;
    std::uint64_t position = 0;
    // Copies up to `count` bytes on from the position; fewer at the end.
    std::size_t Read(void* out, std::size_t count);
};

// The whole file; "ファイル %s は開けません" when it cannot be read. A file
// larger than the memory budget is refused unread. When the file is longer
// than kGraphicHeadBytes, `checkHead` sees its first kGraphicHeadBytes
// before the rest is read; a check that throws refuses the file.
inline constexpr std::size_t kGraphicHeadBytes = 65536;
std::vector<std::uint8_t> ReadPictureFile(
    const std::string& path,
    const std::function<void(std::span<const std::uint8_t>)>& checkHead = {});

// "Cannot load image. Invalid or unexpected %s image format."
[[noreturn]] void ThrowInvalidFormat(const std::string& formatName);
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
