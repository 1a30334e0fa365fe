#include "imaging/Bitmap.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "base/Errors.h"
#include "base/Limits.h"

namespace pictorel {

int BitsPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::Indexed1:
            return 1;
        case PixelFormat::Indexed4:
            return 4;
        case PixelFormat::Indexed8:
            return 8;
        case PixelFormat::Bgr555:
            return 15;
        case PixelFormat::Bgr565:
            return 16;
        case PixelFormat::Bgr24:
            return 24;
        case PixelFormat::Bgra32:
            return 32;
    }
    return 0;
}

namespace {

int StorageBits(PixelFormat format) {
    return format == PixelFormat::Bgr555 ? 16 : BitsPerPixel(format);
}

std::uint8_t Widen5(unsigned v) {
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}
std::uint8_t Widen6(unsigned v) {
    return static_cast<std::uint8_t>((v << 2) | (v >> 4));
}

// Buffers of at least this size are aligned to 2 MiB and asked to use huge
// pages: a decoded 24-megapixel photo then costs a few dozen page faults
// instead of some eighteen thousand.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kHugeThreshold = std::size_t{8} << 20;

}  // namespace

void Bitmap::FreePixels::operator()(std::uint8_t* p) const noexcept {
    std::free(p);
}

std::unique_ptr<std::uint8_t[], Bitmap::FreePixels> Bitmap::AllocatePixels(std::size_t bytes) {
    void* p = nullptr;
    if (bytes >= kHugeThreshold) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        p = std::aligned_alloc(kHugePage, rounded);
        if (p) ::madvise(p, rounded, MADV_HUGEPAGE);  // a hint; failure changes nothing
    } else {
        p = std::malloc(bytes);
    }
    if (!p) throw std::bad_alloc();
    return std::unique_ptr<std::uint8_t[], FreePixels>(static_cast<std::uint8_t*>(p));
}

std::uint64_t RowStride(std::int64_t width, PixelFormat format) {
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * StorageBits(format);
    return ((bits + 31) / 32) * 4;
}

std::uint64_t Bitmap::PixelBytes(int width, int height, PixelFormat format) {
    if (width < 0 || height < 0 || width > limits::kMaxBitmapSide ||
        height > limits::kMaxBitmapSide) {
        throw OutOfResources("Bitmap size " + std::to_string(width) + " x " +
                             std::to_string(height) + " is out of range");
    }
    const std::uint64_t bytes = RowStride(width, format) * static_cast<std::uint64_t>(height);
    if (bytes > limits::kMaxBitmapBytes) {
        throw OutOfResources("Bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels is too large");
    }
    return bytes;
}

Bitmap::Bitmap(int width, int height, PixelFormat format, NoClear, MemoryBudget::Reservation* pool)
    : width_(width), height_(height), format_(format) {
    size_ = static_cast<std::size_t>(PixelBytes(width, height, format));
    stride_ = static_cast<std::size_t>(RowStride(width, format));
    if (size_ > 0) {
        reservation_ = pool && pool->Bytes() >= size_ ? pool->Split(size_)
                                                      : MemoryBudget::Process().Reserve(size_);
        pixels_ = AllocatePixels(size_);
    }
}

Bitmap::Bitmap(int width, int height, PixelFormat format)
    : Bitmap(width, height, format, NoClear{}) {
    if (size_ > 0) std::memset(pixels_.get(), 0, size_);
}

Bitmap::Bitmap(int width, int height, PixelFormat format, MemoryBudget::Reservation& pool)
    : Bitmap(width, height, format, NoClear{}, &pool) {
    if (size_ > 0) std::memset(pixels_.get(), 0, size_);
}

Bitmap Bitmap::Uninitialized(int width, int height, PixelFormat format) {
    return Bitmap(width, height, format, NoClear{});
}

Bitmap Bitmap::Uninitialized(int width, int height, PixelFormat format,
                             MemoryBudget::Reservation& pool) {
    return Bitmap(width, height, format, NoClear{}, &pool);
}

Bitmap::Bitmap(const Bitmap& other)
    : width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      stride_(other.stride_),
      size_(other.size_),
      colorTable_(other.colorTable_) {
    if (size_ > 0) {
        reservation_ = MemoryBudget::Process().Reserve(size_);
        pixels_ = AllocatePixels(size_);
        std::memcpy(pixels_.get(), other.pixels_.get(), size_);
    }
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) {
        Bitmap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      format_(other.format_),
      stride_(std::exchange(other.stride_, 0)),
      size_(std::exchange(other.size_, 0)),
      reservation_(std::move(other.reservation_)),
      pixels_(std::move(other.pixels_)),
      colorTable_(std::move(other.colorTable_)) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this != &other) {
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        format_ = other.format_;
        stride_ = std::exchange(other.stride_, 0);
        size_ = std::exchange(other.size_, 0);
        pixels_ = std::move(other.pixels_);
        reservation_ = std::move(other.reservation_);
        colorTable_ = std::move(other.colorTable_);
    }
    return *this;
}

std::uint8_t* Bitmap::ScanLine(int y) {
    if (y < 0 || y >= height_) throw std::out_of_range("ScanLine: row out of range");
    return pixels_.get() + static_cast<std::size_t>(y) * stride_;
}

const std::uint8_t* Bitmap::ScanLine(int y) const {
    if (y < 0 || y >= height_) throw std::out_of_range("ScanLine: row out of range");
    return pixels_.get() + static_cast<std::size_t>(y) * stride_;
}

void Bitmap::SetColorTable(std::vector<Color> table) {
    const int bits = pictorel::BitsPerPixel(format_);
    const std::size_t maxEntries = bits <= 8 ? (std::size_t{1} << bits) : 0;
    if (table.size() > maxEntries) table.resize(maxEntries);
    colorTable_ = std::move(table);
}

void Bitmap::SetGreyColorTable() {
    const int bits = pictorel::BitsPerPixel(format_);
    if (bits > 8) return;
    const int entries = 1 << bits;
    std::vector<Color> table(entries);
    for (int k = 0; k < entries; ++k) {
        const auto v = static_cast<std::uint8_t>(k * 255 / (entries - 1));
        table[k] = Color{v, v, v};
    }
    colorTable_ = std::move(table);
}

void Bitmap::SetSize(int width, int height) {
    Bitmap resized(width, height, format_);
    resized.colorTable_ = std::move(colorTable_);
    *this = std::move(resized);
}

Color Bitmap::Pixel(int x, int y) const {
    if (x < 0 || x >= width_) throw std::out_of_range("Pixel: column out of range");
    const std::uint8_t* row = ScanLine(y);
    auto fromTable = [this](unsigned index) {
        return index < colorTable_.size() ? colorTable_[index] : kBlack;
    };
    switch (format_) {
        case PixelFormat::Indexed1:
            return fromTable((row[x >> 3] >> (7 - (x & 7))) & 1u);
        case PixelFormat::Indexed4:
            return fromTable((x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4));
        case PixelFormat::Indexed8:
            return fromTable(row[x]);
        case PixelFormat::Bgr555: {
            const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
            return Color{Widen5((v >> 10) & 31), Widen5((v >> 5) & 31), Widen5(v & 31)};
        }
        case PixelFormat::Bgr565: {
            const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
            return Color{Widen5((v >> 11) & 31), Widen6((v >> 5) & 63), Widen5(v & 31)};
        }
        case PixelFormat::Bgr24: {
            const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
            return Color{p[2], p[1], p[0]};
        }
        case PixelFormat::Bgra32: {
            const std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
            return Color{p[2], p[1], p[0]};
        }
    }
    return kBlack;
}

void Bitmap::SetPixel(int x, int y, Color c) {
    RequireTrueColor("SetPixel");
    if (x < 0 || x >= width_) throw std::out_of_range("SetPixel: column out of range");
    std::uint8_t* row = ScanLine(y);
    const int bytes = format_ == PixelFormat::Bgr24 ? 3 : 4;
    std::uint8_t* p = row + static_cast<std::size_t>(x) * bytes;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    if (bytes == 4) p[3] = 255;
}

Bitmap Bitmap::ToBgr24() const {
    if (format_ == PixelFormat::Bgr24) return *this;
    Bitmap out(width_, height_, PixelFormat::Bgr24);
    if (format_ == PixelFormat::Indexed8) {
        // Common case (grey JPEG, GIF, palette PNG): one table lookup per pixel.
        Color table[256];
        for (unsigned i = 0; i < 256; ++i)
            table[i] = i < colorTable_.size() ? colorTable_[i] : kBlack;
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* s = ScanLine(y);
            std::uint8_t* d = out.ScanLine(y);
            for (int x = 0; x < width_; ++x, d += 3) {
                const Color c = table[s[x]];
                d[0] = c.b;
                d[1] = c.g;
                d[2] = c.r;
            }
        }
        return out;
    }
    if (format_ == PixelFormat::Bgra32) {
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* s = ScanLine(y);
            std::uint8_t* d = out.ScanLine(y);
            for (int x = 0; x < width_; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
        return out;
    }
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* d = out.ScanLine(y);
        for (int x = 0; x < width_; ++x, d += 3) {
            const Color c = Pixel(x, y);
            d[0] = c.b;
            d[1] = c.g;
            d[2] = c.r;
        }
    }
    return out;
}

void Bitmap::RequireTrueColor(const char* operation) const {
    if (format_ != PixelFormat::Bgr24 && format_ != PixelFormat::Bgra32)
        throw Error(std::string(operation) + " needs a 24- or 32-bit picture");
}

void Bitmap::FillRect(const Rect& r, Color c) {
    RequireTrueColor("FillRect");
    const int left = std::max(r.left, 0), right = std::min(r.right, width_);
    const int top = std::max(r.top, 0), bottom = std::min(r.bottom, height_);
    if (left >= right || top >= bottom) return;
    const int bytes = format_ == PixelFormat::Bgr24 ? 3 : 4;
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* p = ScanLine(y) + static_cast<std::size_t>(left) * bytes;
        for (int x = left; x < right; ++x, p += bytes) {
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            if (bytes == 4) p[3] = 255;
        }
    }
}

void Bitmap::CopyRect(int x, int y, const Bitmap& src, const Rect& from) {
    if (src.format_ != format_ || StorageBits(format_) < 8)
        throw Error("CopyRect needs two pictures of the same byte-aligned layout");
    // Clip the source rectangle to the source, then the destination.
    Rect s{std::max(from.left, 0), std::max(from.top, 0), std::min(from.right, src.width_),
           std::min(from.bottom, src.height_)};
    int dx = x + (s.left - from.left), dy = y + (s.top - from.top);
    if (dx < 0) {
        s.left -= dx;
        dx = 0;
    }
    if (dy < 0) {
        s.top -= dy;
        dy = 0;
    }
    s.right = std::min(s.right, s.left + (width_ - dx));
    s.bottom = std::min(s.bottom, s.top + (height_ - dy));
    if (s.Empty()) return;
    const std::size_t bytes = static_cast<std::size_t>(StorageBits(format_) / 8);
    const std::size_t rowBytes = static_cast<std::size_t>(s.Width()) * bytes;
    for (int row = 0; row < s.Height(); ++row) {
        std::memmove(ScanLine(dy + row) + dx * bytes, src.ScanLine(s.top + row) + s.left * bytes,
                     rowBytes);
    }
}

void Bitmap::Draw(int x, int y, const Bitmap& src, std::optional<Color> transparent) {
    RequireTrueColor("Draw");
    if (!transparent && src.format_ == format_) {
        CopyRect(x, y, src, Rect{0, 0, src.width_, src.height_});
        return;
    }
    const int left = std::max(0, -x), top = std::max(0, -y);
    const int right = std::min(src.width_, width_ - x), bottom = std::min(src.height_, height_ - y);
    for (int sy = top; sy < bottom; ++sy) {
        for (int sx = left; sx < right; ++sx) {
            const Color c = src.Pixel(sx, sy);
            if (transparent && c == *transparent) continue;
            SetPixel(x + sx, y + sy, c);
        }
    }
}

bool operator==(const Bitmap& a, const Bitmap& b) {
    if (a.width_ != b.width_ || a.height_ != b.height_ || a.format_ != b.format_ ||
        a.colorTable_ != b.colorTable_)
        return false;
    // Compare only the pixel bytes of each row, not the padding.
    const std::size_t used = static_cast<std::size_t>(
        (static_cast<std::uint64_t>(a.width_) * StorageBits(a.format_) + 7) / 8);
    for (int y = 0; y < a.height_; ++y) {
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), used) != 0) return false;
    }
    return true;
}

}  // namespace pictorel
