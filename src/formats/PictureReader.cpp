#include "formats/PictureReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "base/Errors.h"
#include "base/FileIo.h"
#include "base/Limits.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string UnreadableFileMessage(const std::string& path) {
    return "ファイル " + path + " は開けません";
}

std::vector<std::uint8_t> ReadPictureFile(
    const std::string& path, const std::function<void(std::span<const std::uint8_t>)>& checkHead) {
    // Opened without blocking, so that a named pipe is refused instead of
    // waiting for a writer; only regular files are read (a folder, a pipe or
    // a device is no picture).
    struct stat info {};
    const int fd = OpenRegularFile(path, O_RDONLY, &info);
    if (fd < 0) throw UnreadableFile(UnreadableFileMessage(path), OpenFailureReason(errno));
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream) {
        const int error = errno;
        ::close(fd);
        throw UnreadableFile(UnreadableFileMessage(path), SystemErrorText(error));
    }
    std::unique_ptr<std::FILE, FileCloser> file(stream);
    // A file larger than the whole memory budget is refused before a byte
    // of it is read: it could never be decoded beside its own bytes.
    const std::uint64_t budget = MemoryBudget::Process().Capacity();
    if (static_cast<std::uint64_t>(info.st_size) > budget) {
        throw OutOfResources("Cannot load image. File size " + std::to_string(info.st_size) +
                             " bytes not supported for " + path + ".");
    }
    // Read straight into a buffer of the file's size; a file that grows
    // meanwhile is read on in chunks.
    const auto size = static_cast<std::size_t>(info.st_size);
    std::vector<std::uint8_t> data;
    if (checkHead && size > kGraphicHeadBytes) {
        // The first bytes alone, so that a file no reader takes is refused
        // before the rest is allocated and read.
        data.resize(kGraphicHeadBytes);
        data.resize(std::fread(data.data(), 1, data.size(), file.get()));
        if (data.size() == kGraphicHeadBytes) checkHead(data);
    }
    const std::size_t head = data.size();
    if (size > head) {
        data.resize(size);
        data.resize(head + std::fread(data.data() + head, 1, size - head, file.get()));
    }
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        if (data.size() + n > budget) {
            throw OutOfResources("Cannot load image. File size not supported for " + path + ".");
        }
        data.insert(data.end(), chunk, chunk + n);
        if (n < sizeof chunk) break;
    }
    if (std::ferror(file.get())) throw UnreadableFile(UnreadableFileMessage(path));
    return data;
}

std::size_t MemoryCursor::Read(void* out, std::size_t count) {
    if (position >= data.size()) return 0;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, data.size() - position));
    std::memcpy(out, data.data() + position, n);
    position += n;
    return n;
}

bool StartsWith(std::span<const std::uint8_t> data, std::string_view magic) {
    return data.size() >= magic.size() && std::memcmp(data.data(), magic.data(), magic.size()) == 0;
}

void TurnUpright(DecodedPicture& picture) {
    picture.bitmap = ApplyOrientation(std::move(picture.bitmap), picture.orientation);
    picture.orientation = 1;
}

void ThrowInvalidFormat(const std::string& formatName, const std::string& cause) {
    throw InvalidPicture(
        "Cannot load image. Invalid or unexpected " + formatName + " image format.", cause);
}

void ThrowNotSupported(const std::string& what, const std::string& formatName) {
    throw InvalidPicture("Cannot load image. " + what + " not supported for " + formatName +
                         " files.");
}

void ThrowCompressionError(const std::string& formatName) {
    throw InvalidPicture("Cannot load image. Compression error found in " + formatName + " file.");
}

void ThrowOutOfMemoryFor(const std::string& what) {
    throw OutOfResources("Cannot load image. Not enough memory for " + what + ".");
}

void CheckPictureSize(std::int64_t width, std::int64_t height, const std::string& formatName) {
    if (width <= 0 || height <= 0) ThrowInvalidFormat(formatName);
    if (width > limits::kMaxBitmapSide || height > limits::kMaxBitmapSide ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
            limits::kMaxPicturePixels) {
        ThrowNotSupported("Image size " + std::to_string(width) + "x" + std::to_string(height),
                          formatName);
    }
}

void CheckDataFits(std::uint64_t minimumBytes, std::uint64_t available,
                   const std::string& formatName) {
    if (minimumBytes > available) {
        throw InvalidPicture("Cannot load image. The " + formatName +
                             " file is shorter than its header promises.");
    }
}

Bitmap ApplyOrientation(Bitmap source, int orientation) {
    if (orientation < 2 || orientation > 8 || source.Empty()) return source;
    const int bpp = source.BitsPerPixel() / 8;
    if (bpp != 1 && bpp != 3 && bpp != 4) return source;
    const int w = source.Width();
    const int h = source.Height();
    const bool swap = orientation >= 5;
    Bitmap result = Bitmap::Uninitialized(swap ? h : w, swap ? w : h, source.Format());
    result.SetColorTable(source.ColorTable());
    const int ow = result.Width();
    const int oh = result.Height();
    // Source coordinate of output pixel (x, y) for each orientation.
    auto sourceOf = [&](int x, int y, int& sx, int& sy) {
        switch (orientation) {
            case 2:
                sx = w - 1 - x;
                sy = y;
                break;
            case 3:
                sx = w - 1 - x;
                sy = h - 1 - y;
                break;
            case 4:
                sx = x;
                sy = h - 1 - y;
                break;
            case 5:
                sx = y;
                sy = x;
                break;
            case 6:
                sx = y;
                sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y;
                sy = h - 1 - x;
                break;
            default:
                sx = w - 1 - y;
                sy = x;
                break;  // 8
        }
    };
    const std::uint8_t* src = source.Bits();
    const std::size_t srcStride = source.Stride();
    // Tiles keep the column-wise reads of the quarter turns within the cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < oh; ty += kTile) {
        const int yEnd = std::min(oh, ty + kTile);
        for (int tx = 0; tx < ow; tx += kTile) {
            const int xEnd = std::min(ow, tx + kTile);
            for (int y = ty; y < yEnd; ++y) {
                std::uint8_t* out = result.ScanLine(y) + static_cast<std::size_t>(tx) * bpp;
                for (int x = tx; x < xEnd; ++x, out += bpp) {
                    int sx = 0;
                    int sy = 0;
                    sourceOf(x, y, sx, sy);
                    const std::uint8_t* in = src + static_cast<std::size_t>(sy) * srcStride +
                                             static_cast<std::size_t>(sx) * bpp;
                    for (int k = 0; k < bpp; ++k) out[k] = in[k];
                }
            }
        }
    }
    // Clear the row padding that the pixel loops leave untouched.
    const std::size_t used = static_cast<std::size_t>(ow) * bpp;
    for (int y = 0; y < oh; ++y) {
        std::fill(result.ScanLine(y) + used, result.ScanLine(y) + result.Stride(), 0);
    }
    return result;
}

}  // namespace pictorel
