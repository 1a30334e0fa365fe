#include "formats/BmpReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

const std::string kFormat = "BMP";

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// Little-endian reads that fail instead of reading past the data.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}
    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    std::uint32_t U8(std::uint64_t offset) const { return At(offset, 1)[0]; }
    std::uint32_t U16(std::uint64_t offset) const {
        const std::uint8_t* p = At(offset, 2);
        return p[0] | (p[1] << 8);
    }
    std::uint32_t U32(std::uint64_t offset) const {
        const std::uint8_t* p = At(offset, 4);
        return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
               (std::uint32_t{p[3]} << 24);
    }
    const std::uint8_t* At(std::uint64_t offset, std::uint64_t count) const {
        if (!Has(offset, count)) ThrowInvalidFormat(kFormat);
        return data_.data() + offset;
    }
    std::uint64_t Size() const { return data_.size(); }

  private:
    std::span<const std::uint8_t> data_;
};

struct Header {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    unsigned bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    std::uint64_t paletteOffset = 0;
    unsigned paletteEntrySize = 4;
    std::uint64_t pixelOffset = 0;
};

Header ReadHeader(const Reader& r) {
    if (r.Size() < 18 || r.U8(0) != 'B' || r.U8(1) != 'M') ThrowInvalidFormat(kFormat);
    Header h;
    h.pixelOffset = r.U32(10);
    h.headerSize = r.U32(14);
    const std::uint64_t info = 14;
    if (h.headerSize == 12) {
        h.width = r.U16(info + 4);
        h.height = r.U16(info + 6);
        h.bits = r.U16(info + 10);
        h.paletteEntrySize = 3;
    } else if (h.headerSize == 40 || h.headerSize == 52 || h.headerSize == 56 ||
               h.headerSize == 64 || h.headerSize == 108 || h.headerSize == 124) {
        h.width = static_cast<std::int32_t>(r.U32(info + 4));
        h.height = static_cast<std::int32_t>(r.U32(info + 8));
        h.bits = r.U16(info + 14);
        h.compression = r.U32(info + 16);
        h.colorsUsed = r.U32(info + 32);
        if (h.headerSize == 64 && (h.compression == 3 || h.compression == 4)) {
            ThrowNotSupported("Huffman and RLE24 compression", kFormat);
        }
    } else {
        ThrowInvalidFormat(kFormat);
    }
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    std::uint64_t afterHeader = info + h.headerSize;
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        const unsigned count = h.compression == kAlphaBitFields ? 4 : 3;
        // Version 2 and later headers hold the masks; older ones are followed by them.
        const std::uint64_t at = info + 40;
        for (unsigned i = 0; i < count; ++i) h.masks[i] = r.U32(at + 4 * i);
        if (h.headerSize >= 56) h.masks[3] = r.U32(at + 12);
        if (h.headerSize == 40) afterHeader += 4 * count;
    } else if (h.compression != kRgb && h.compression != kRle8 && h.compression != kRle4) {
        ThrowNotSupported("Compression " + std::to_string(h.compression), kFormat);
    }
    h.paletteOffset = afterHeader;
    return h;
}

std::vector<Color> ReadPalette(const Reader& r, const Header& h) {
    const std::uint32_t maxEntries = 1u << h.bits;
    std::uint32_t count =
        h.colorsUsed == 0 || h.colorsUsed > maxEntries ? maxEntries : h.colorsUsed;
    if (!r.Has(h.paletteOffset, std::uint64_t{count} * h.paletteEntrySize)) {
        throw InvalidPicture("Cannot load image. Palette in BMP file is invalid.");
    }
    std::vector<Color> table(count);
    const std::uint8_t* p = r.At(h.paletteOffset, std::uint64_t{count} * h.paletteEntrySize);
    for (std::uint32_t i = 0; i < count; ++i, p += h.paletteEntrySize) {
        table[i] = {p[2], p[1], p[0]};
    }
    return table;
}

// Runs of RLE8 or RLE4 into one index byte per pixel, rows in file order.
// Pixels that the data skips keep index 0.
// Decodes RLE8/RLE4 data straight into the picture's rows (file row y is
// picture row rowOf(y)); pixels that no code reaches keep index 0.
template <typename RowOf>
void DecodeRle(const Reader& r, const Header& h, bool rle4, Bitmap& bitmap, RowOf rowOf) {
    const std::uint64_t width = static_cast<std::uint64_t>(h.width);
    const std::uint64_t height = static_cast<std::uint64_t>(h.height);
    std::uint64_t pos = h.pixelOffset;
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::uint8_t* row = height > 0 ? bitmap.ScanLine(rowOf(0)) : nullptr;
    auto put = [&](std::uint8_t index) {
        if (x < width && y < height) {
            if (rle4) {
                row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
            } else {
                row[x] = index;
            }
        }
        ++x;
    };
    auto nextRows = [&](std::uint64_t rows) {
        y += rows;
        if (rows > 0 && y < height) row = bitmap.ScanLine(rowOf(static_cast<int>(y)));
    };
    for (;;) {
        if (y >= height) return;
        if (!r.Has(pos, 2)) {
            // Data that ends right after the last pixel lacks only its end marker.
            if (y == height - 1 && x >= width) return;
            throw InvalidPicture(
                "Cannot load image. The BMP file is shorter than its header promises.");
        }
        const unsigned count = r.U8(pos);
        const unsigned value = r.U8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) {
                put(rle4 ? static_cast<std::uint8_t>(i % 2 == 0 ? value >> 4 : value & 15)
                         : static_cast<std::uint8_t>(value));
            }
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                nextRows(1);
                break;
            case 1:  // end of picture
                return;
            case 2:  // delta
                x += r.U8(pos);
                nextRows(r.U8(pos + 1));
                pos += 2;
                break;
            default: {  // absolute run of `value` pixels, padded to 16 bits
                const std::uint64_t bytes = rle4 ? (value + 1) / 2 : value;
                const std::uint8_t* run = r.At(pos, bytes);
                for (unsigned i = 0; i < value; ++i) {
                    put(rle4 ? static_cast<std::uint8_t>(i % 2 == 0 ? run[i / 2] >> 4
                                                                    : run[i / 2] & 15)
                             : run[i]);
                }
                pos += bytes + (bytes & 1);
                break;
            }
        }
    }
}

struct Field {
    unsigned shift = 0;
    unsigned width = 0;
};

Field FieldOf(std::uint32_t mask) {
    if (mask == 0) return {};
    const unsigned shift = static_cast<unsigned>(std::countr_zero(mask));
    return {shift, static_cast<unsigned>(std::bit_width(mask >> shift))};
}

// A field value widened (or narrowed) to 8 bits by bit replication.
std::uint8_t Widen(std::uint32_t pixel, Field f) {
    if (f.width == 0) return 0;
    std::uint32_t v = (pixel >> f.shift) & ((f.width >= 32 ? 0u : (1u << f.width)) - 1u);
    if (f.width >= 8) return static_cast<std::uint8_t>(v >> (f.width - 8));
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << f.width) | v;
        filled += static_cast<int>(f.width);
    }
    return static_cast<std::uint8_t>(out >> (filled - 8));
}

// The picture's bytes and the file's (held by the caller while this
// decodes) in one request: a thread already holding bytes never waits, so a
// request of the file's own, before the picture's, would let every job start
// at once and then overrun the budget.
MemoryBudget::Reservation ReservePictureAndFile(int width, int height, PixelFormat format,
                                                std::span<const std::uint8_t> data) {
    return MemoryBudget::Process().Reserve(Bitmap::PixelBytes(width, height, format) + data.size(),
                                           "BMP picture");
}

}  // namespace

Bitmap DecodeBmp(std::span<const std::uint8_t> data) {
    const Reader r(data);
    Header h = ReadHeader(r);
    CheckPictureSize(h.width, h.height, kFormat);
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height);
    const auto rowOf = [&](int fileRow) { return h.topDown ? fileRow : height - 1 - fileRow; };

    if (h.compression == kRle8 || h.compression == kRle4) {
        const bool rle4 = h.compression == kRle4;
        if (h.bits != (rle4 ? 4u : 8u)) ThrowInvalidFormat(kFormat);
        std::vector<Color> palette = ReadPalette(r, h);
        const PixelFormat format = rle4 ? PixelFormat::Indexed4 : PixelFormat::Indexed8;
        MemoryBudget::Reservation pool = ReservePictureAndFile(width, height, format, data);
        Bitmap bitmap(width, height, format, pool);
        bitmap.SetColorTable(std::move(palette));
        DecodeRle(r, h, rle4, bitmap, rowOf);
        return bitmap;
    }

    PixelFormat format = PixelFormat::Bgr24;
    bool convert = false;  // bit fields other than the layouts a Bitmap holds
    switch (h.bits) {
        case 1:
            format = PixelFormat::Indexed1;
            break;
        case 4:
            format = PixelFormat::Indexed4;
            break;
        case 8:
            format = PixelFormat::Indexed8;
            break;
        case 16:
            if (h.compression == kRgb ||
                (h.masks[0] == 0x7C00 && h.masks[1] == 0x3E0 && h.masks[2] == 0x1F)) {
                format = PixelFormat::Bgr555;
            } else if (h.masks[0] == 0xF800 && h.masks[1] == 0x7E0 && h.masks[2] == 0x1F) {
                format = PixelFormat::Bgr565;
            } else {
                convert = true;
            }
            break;
        case 24:
            if (h.compression != kRgb) ThrowInvalidFormat(kFormat);
            break;
        case 32:
            format = PixelFormat::Bgra32;
            if (h.compression != kRgb &&
                !(h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF)) {
                convert = true;
                format = PixelFormat::Bgr24;
            }
            break;
        default:
            ThrowNotSupported(std::to_string(h.bits) + " bits per pixel", kFormat);
    }
    if (h.bits <= 8 && h.compression != kRgb) ThrowInvalidFormat(kFormat);

    const std::uint64_t fileStride = ((static_cast<std::uint64_t>(h.width) * h.bits + 31) / 32) * 4;
    const std::uint64_t lastRow = (static_cast<std::uint64_t>(h.width) * h.bits + 7) / 8;
    // The last row may lack its padding; anything shorter is refused.
    const std::uint64_t needed = fileStride * (static_cast<std::uint64_t>(height) - 1) + lastRow;
    if (!r.Has(h.pixelOffset, needed)) {
        throw InvalidPicture(
            "Cannot load image. The BMP file is shorter than its header promises.");
    }

    MemoryBudget::Reservation pool = ReservePictureAndFile(width, height, format, data);
    Bitmap bitmap(width, height, format, pool);
    if (h.bits <= 8) bitmap.SetColorTable(ReadPalette(r, h));
    const Field fields[3] = {FieldOf(h.masks[0]), FieldOf(h.masks[1]), FieldOf(h.masks[2])};
    const unsigned bytesPerPixel = h.bits / 8;
    for (int fy = 0; fy < height; ++fy) {
        const std::uint64_t rowStart = h.pixelOffset + fileStride * static_cast<std::uint64_t>(fy);
        const std::uint8_t* in = r.At(rowStart, lastRow);
        std::uint8_t* out = bitmap.ScanLine(rowOf(fy));
        if (!convert) {
            std::memcpy(out, in, lastRow);
            continue;
        }
        for (int x = 0; x < width; ++x, out += 3) {
            const std::uint8_t* p = in + static_cast<std::size_t>(x) * bytesPerPixel;
            const std::uint32_t pixel =
                bytesPerPixel == 2 ? std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8)
                                   : std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                         (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
            out[0] = Widen(pixel, fields[2]);
            out[1] = Widen(pixel, fields[1]);
            out[2] = Widen(pixel, fields[0]);
        }
    }
    return bitmap;
}

DecodedPicture BmpReader::Decode(std::span<const std::uint8_t> data) {
    return DecodedPicture{DecodeBmp(data), {}, 1};
}

namespace {
constexpr std::string_view kBmpExtensions[] = {"bmp"};
// Run-length encoded and device-independent bitmaps are read when named.
constexpr std::string_view kBmpReadOnlyExtensions[] = {"rle", "dib"};
}  // namespace

// Neither claimed by content nor refused by its first bytes: a bitmap file is
// only recognised by its extension and always given to the decoder whole.
const PictureFormat kBmpFormat{"bmp",   kBmpExtensions, kBmpReadOnlyExtensions,
                               nullptr, nullptr,        false,
                               false,   false,          &MakeDecoder<BmpReader>};

}  // namespace pictorel
