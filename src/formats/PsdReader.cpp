#include "formats/PsdReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Limits.h"
#include "imaging/Extended.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

constexpr const char* kFormatName = "PSD or PDD";
constexpr std::size_t kHeaderSize = 26;
constexpr std::size_t kMaxColorTable = 768;

[[noreturn]] void FailInvalid() {
    ThrowInvalidFormat(kFormatName);
}

[[noreturn]] void FailNotSupported(const std::string& what) {
    ThrowNotSupported(what, kFormatName);
}

// The stream's error for a read past the end of the file.
[[noreturn]] void ThrowReadError() {
    throw InvalidPicture("Stream read error");
}

inline std::uint16_t ReadU16BE(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t ReadU32BE(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

// Reads a file held in memory like a stream: skipping may go past the end,
// reading there fails.
// The ICC profile (image resource 1039) of the image resource section, or
// nothing. A section that does not parse holds no profile: the picture still
// loads as its pixel data allows.
std::vector<std::uint8_t> IccProfileResource(std::span<const std::uint8_t> resources) {
    constexpr std::uint16_t kIccProfileId = 1039;
    std::size_t pos = 0;
    while (resources.size() - pos >= 4 + 2 + 2 + 4) {
        const std::uint8_t* block = resources.data() + pos;
        if (std::memcmp(block, "8BIM", 4) != 0) break;
        const std::uint16_t id = ReadU16BE(block + 4);
        // A Pascal-string name padded to an even length.
        const std::size_t nameBytes = (std::size_t{block[6]} + 2) & ~std::size_t{1};
        const std::size_t sizeAt = pos + 6 + nameBytes;
        if (sizeAt + 4 > resources.size()) break;
        const std::uint32_t size = ReadU32BE(resources.data() + sizeAt);
        const std::size_t dataAt = sizeAt + 4;
        if (size > resources.size() - dataAt) break;
        if (id == kIccProfileId) {
            if (size > limits::kMaxColourProfileBytes) return {};  // ignored, not copied
            const auto profile = resources.subspan(dataAt, size);
            return {profile.begin(), profile.end()};
        }
        pos = dataAt + size + (size & 1);
        if (pos > resources.size()) break;
    }
    return {};
}

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}
    std::uint64_t Remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
    std::span<const std::uint8_t> Take(std::uint64_t n) {
        if (n == 0) return {};
        if (n > Remaining()) ThrowReadError();
        const auto bytes =
            data_.subspan(static_cast<std::size_t>(pos_), static_cast<std::size_t>(n));
        pos_ += n;
        return bytes;
    }
    void Skip(std::uint64_t n) { pos_ += n; }
    std::uint16_t U16BE() { return ReadU16BE(Take(2).data()); }
    std::uint32_t U32BE() { return ReadU32BE(Take(4).data()); }

  private:
    std::span<const std::uint8_t> data_;
    std::uint64_t pos_ = 0;
};

enum class ColorScheme { Grey, Palette, Rgb, Rgba, Cmyk, Lab };

enum ColorMode : std::uint16_t {
    kModeBitmap = 0,
    kModeGrayscale = 1,
    kModeIndexed = 2,
    kModeRgb = 3,
    kModeCmyk = 4,
    kModeMultichannel = 7,
    kModeDuotone = 8,
    kModeLab = 9,
};

struct Header {
    std::uint16_t channels = 0;
    std::uint32_t height = 0;
    std::uint32_t width = 0;
    std::uint16_t depth = 0;
    std::uint16_t mode = 0;
};

// How the file's planes become the delivered picture.
struct Layout {
    ColorScheme scheme = ColorScheme::Grey;
    int planes = 1;  // planes taken from the file
    PixelFormat format = PixelFormat::Indexed8;
    std::uint64_t rowBytes = 0;  // bytes of one stored row of one channel
};

Layout DeriveLayout(const Header& h) {
    Layout l;
    const bool oneBit = h.depth == 1;
    if (h.depth != 1 && h.depth != 8 && h.depth != 16) {
        FailNotSupported(std::to_string(h.depth) + "-bit samples");
    }
    if (h.channels == 0) FailInvalid();
    // 1-bit samples exist only in Bitmap mode, and Bitmap mode has only those.
    if (oneBit != (h.mode == kModeBitmap)) FailInvalid();
    switch (h.mode) {
        case kModeBitmap:
        case kModeGrayscale:
        case kModeDuotone:
            l.scheme = ColorScheme::Grey;
            break;
        case kModeIndexed:
            l.scheme = ColorScheme::Palette;
            break;
        case kModeRgb:
        case kModeMultichannel:
            l.scheme = h.channels == 3 ? ColorScheme::Rgb : ColorScheme::Rgba;
            break;
        case kModeCmyk:
            l.scheme = ColorScheme::Cmyk;
            break;
        case kModeLab:
            if (h.depth == 16) FailNotSupported("16-bit Lab colour");
            l.scheme = ColorScheme::Lab;
            break;
        default:
            FailNotSupported("Colour mode " + std::to_string(h.mode));
    }
    switch (l.scheme) {
        case ColorScheme::Grey:
        case ColorScheme::Palette:
            l.planes = 1;
            l.format = oneBit ? PixelFormat::Indexed1 : PixelFormat::Indexed8;
            break;
        case ColorScheme::Rgb:
        case ColorScheme::Lab:
            l.planes = 3;
            l.format = PixelFormat::Bgr24;
            break;
        case ColorScheme::Rgba:
            l.planes = 4;
            l.format = PixelFormat::Bgra32;
            break;
        case ColorScheme::Cmyk:
            l.planes = 4;
            l.format = PixelFormat::Bgr24;
            break;
    }
    // A colour picture needs every plane it is built from.
    if (h.channels < l.planes) FailInvalid();
    l.rowBytes = oneBit ? (std::uint64_t{h.width} + 7) / 8 : std::uint64_t{h.width} * (h.depth / 8);
    return l;
}

// Grey palette of 2^bits entries, entry i = i * (255 div (entries - 1)),
// white first when the smallest value is white.
std::vector<Color> GreyPalette(PixelFormat format, bool whiteFirst) {
    const int entries = 1 << BitsPerPixel(format);
    const int step = 255 / (entries - 1);
    std::vector<Color> table(entries);
    for (int i = 0; i < entries; ++i) {
        const auto v = static_cast<std::uint8_t>(i * step);
        table[whiteFirst ? entries - 1 - i : i] = Color{v, v, v};
    }
    return table;
}

// Planar table: n red values, then n green, then n blue.
std::vector<Color> FilePalette(std::span<const std::uint8_t> bytes) {
    const std::size_t n = bytes.size() / 3;
    std::vector<Color> table(n);
    for (std::size_t i = 0; i < n; ++i) {
        table[i] = Color{bytes[i], bytes[n + i], bytes[2 * n + i]};
    }
    return table;
}

inline std::uint8_t Reduce16(std::uint32_t v) {
    return static_cast<std::uint8_t>(v * 255 / 65535);
}

inline std::uint32_t Sample16(const std::uint8_t* p, std::size_t x) {
    return (std::uint32_t{p[2 * x]} << 8) | p[2 * x + 1];
}

// One stored row of the first channel into a 1- or 8-bit bitmap row.
void StoreSingleRow(const std::uint8_t* src, std::uint8_t* dst, int width, int depth,
                    std::uint64_t rowBytes) {
    if (depth == 16) {
        for (int x = 0; x < width; ++x) dst[x] = Reduce16(Sample16(src, x));
    } else {
        std::memcpy(dst, src, rowBytes);
    }
}

inline std::uint8_t Clamp255(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
}

inline std::uint8_t LabToByte(Extended v) {
    const Extended r = NearbyInt(Extended(255.0L) * v);
    return r <= 0 ? 0 : (r >= 255 ? 255 : static_cast<std::uint8_t>(r));
}

// CIE L*a*b* (8-bit stored) to blue, green, red.
void LabToBgr(std::uint8_t storedL, std::uint8_t storedA, std::uint8_t storedB, std::uint8_t* bgr) {
    const Extended l = storedL / Extended(2.55L);
    const Extended a = static_cast<int>(storedA) - 128;
    const Extended b = static_cast<int>(storedB) - 128;
    Extended x, y, z;
    if (l < Extended(7.9996L)) {
        y = l / Extended(903.3L);
        x = y + a / Extended(3893.5L);
        z = y - b / Extended(1557.4L);
    } else {
        y = (l + 16) / 116;
        x = y + a / 500;
        z = y - b / 200;
        x = x * x * x;
        y = y * y * y;
        z = z * z * z;
    }
    bgr[2] = LabToByte(Extended(2.998L) * x - Extended(1.458L) * y - Extended(0.541L) * z);
    bgr[1] = LabToByte(-Extended(0.952L) * x + Extended(1.893L) * y + Extended(0.059L) * z);
    bgr[0] = LabToByte(Extended(0.099L) * x - Extended(0.198L) * y + Extended(1.099L) * z);
}

// Ink amounts (complemented storage) to one 8-bit channel.
inline std::uint8_t InkToChannel8(std::uint32_t storedInk, std::uint32_t storedBlack) {
    const std::int64_t c = 255 - static_cast<std::int64_t>(storedInk);
    const std::int64_t k = 255 - static_cast<std::int64_t>(storedBlack);
    return Clamp255(255 - c - k + c * k / 255);
}

inline std::uint8_t InkToChannel16(std::uint32_t storedInk, std::uint32_t storedBlack) {
    const std::int64_t c = 65535 - static_cast<std::int64_t>(storedInk);
    const std::int64_t k = 65535 - static_cast<std::int64_t>(storedBlack);
    const std::int64_t t = c + k - c * k / 65535;
    return Clamp255(255 - t * 255 / 65535);
}

// Builds one bitmap row of a colour picture from the rows of its planes.
void ConvertColorRow(const Layout& l, int depth, const std::uint8_t* const* rows, int width,
                     std::uint8_t* dst) {
    const auto sample = [depth](const std::uint8_t* row, int x) -> std::uint32_t {
        return depth == 16 ? Sample16(row, x) : row[x];
    };
    const auto byteAt = [&](const std::uint8_t* row, int x) -> std::uint8_t {
        return depth == 16 ? Reduce16(Sample16(row, x)) : row[x];
    };
    switch (l.scheme) {
        case ColorScheme::Rgb:
        case ColorScheme::Rgba: {
            const int bpp = l.scheme == ColorScheme::Rgb ? 3 : 4;
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = dst + x * bpp;
                p[0] = byteAt(rows[2], x);
                p[1] = byteAt(rows[1], x);
                p[2] = byteAt(rows[0], x);
                if (bpp == 4) p[3] = byteAt(rows[3], x);
            }
            break;
        }
        case ColorScheme::Cmyk:
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = dst + x * 3;
                const std::uint32_t k = sample(rows[3], x);
                for (int ch = 0; ch < 3; ++ch) {
                    const std::uint32_t ink = sample(rows[ch], x);
                    p[2 - ch] = depth == 16 ? InkToChannel16(ink, k) : InkToChannel8(ink, k);
                }
            }
            break;
        case ColorScheme::Lab:
            for (int x = 0; x < width; ++x) {
                LabToBgr(rows[0][x], rows[1][x], rows[2][x], dst + x * 3);
            }
            break;
        case ColorScheme::Grey:
        case ColorScheme::Palette:
            break;
    }
}

Header ReadHeader(ByteReader& in) {
    const auto bytes = in.Take(kHeaderSize);
    if (std::memcmp(bytes.data(), "8BPS", 4) != 0) FailInvalid();
    Header h;
    h.channels = ReadU16BE(bytes.data() + 12);
    h.height = ReadU32BE(bytes.data() + 14);
    h.width = ReadU32BE(bytes.data() + 18);
    h.depth = ReadU16BE(bytes.data() + 22);
    h.mode = ReadU16BE(bytes.data() + 24);
    return h;
}

}  // namespace

std::size_t UnpackBits(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    std::size_t i = 0;
    std::size_t o = 0;
    while (i < in.size() && o < out.size()) {
        const auto control = static_cast<std::int8_t>(in[i++]);
        if (control >= 0) {
            const std::size_t n = std::min<std::size_t>(
                {static_cast<std::size_t>(control) + 1, out.size() - o, in.size() - i});
            std::memcpy(out.data() + o, in.data() + i, n);
            i += n;
            o += n;
        } else if (control != -128) {
            if (i >= in.size()) break;
            const std::size_t n =
                std::min<std::size_t>(static_cast<std::size_t>(1 - control), out.size() - o);
            std::memset(out.data() + o, in[i++], n);
            o += n;
        }
    }
    return o;
}

bool PsdReader::RecognisesContent(std::span<const std::uint8_t> data) {
    if (data.size() <= kHeaderSize) return false;
    for (int i = 0; i < 4; ++i) {
        const int c = data[i];
        const int upper = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
        if (upper != "8BPS"[i]) return false;
    }
    return ReadU16BE(data.data() + 4) == 1;
}

DecodedPicture PsdReader::Decode(std::span<const std::uint8_t> data) {
    ByteReader in(data);
    const Header h = ReadHeader(in);
    const Layout l = DeriveLayout(h);
    CheckPictureSize(h.width, h.height, kFormatName);
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height);

    // Colour mode data: the palette of indexed files, skipped otherwise.
    std::vector<Color> palette;
    const std::uint32_t colorDataLength = in.U32BE();
    if (l.scheme == ColorScheme::Palette) {
        const std::uint32_t tableBytes = std::min<std::uint32_t>(colorDataLength, kMaxColorTable);
        palette = FilePalette(in.Take(tableBytes));
        in.Skip(colorDataLength - tableBytes);
    } else {
        if (l.scheme == ColorScheme::Grey) palette = GreyPalette(l.format, h.mode == kModeBitmap);
        in.Skip(colorDataLength);
    }
    const std::uint32_t resourceBytes = in.U32BE();
    // A section longer than the file is skipped as before: the pixel data
    // that should follow it is then missing.
    const std::uint64_t presentBytes = std::min<std::uint64_t>(resourceBytes, in.Remaining());
    std::vector<std::uint8_t> profile = IccProfileResource(in.Take(presentBytes));
    in.Skip(resourceBytes - presentBytes);
    in.Skip(in.U32BE());  // layer and mask information
    const std::uint16_t compression = in.U16BE();
    if (compression > 1) FailNotSupported("Compression method " + std::to_string(compression));
    const bool packBits = compression == 1;

    const std::uint64_t rows = std::uint64_t{h.height} * h.channels;
    std::vector<std::uint16_t> counts;
    if (packBits) {
        const auto table = in.Take(rows * 2);
        counts.resize(rows);
        for (std::uint64_t r = 0; r < rows; ++r) counts[r] = ReadU16BE(table.data() + 2 * r);
    }
    const auto sumCounts = [&counts](std::uint64_t n) {
        std::uint64_t sum = 0;
        for (std::uint64_t r = 0; r < n; ++r) sum += counts[r];
        return sum;
    };
    // A single-plane picture reads the first channel only, a colour picture
    // every channel. All of it must be in the file before anything is
    // allocated; PackBits needs at least 2 bytes for every 128 it produces.
    const bool singlePlane = l.scheme == ColorScheme::Grey || l.scheme == ColorScheme::Palette;
    const std::uint64_t planeBytes = std::uint64_t{h.height} * l.rowBytes;
    const std::uint64_t usedBytes = planeBytes * l.planes;
    const std::uint64_t readRows = singlePlane ? h.height : rows;
    const std::uint64_t dataBytes = packBits ? sumCounts(readRows) : readRows * l.rowBytes;
    CheckDataFits(dataBytes, in.Remaining(), kFormatName);
    if (packBits) CheckDataFits(2 * ((usedBytes + 127) / 128), dataBytes, kFormatName);
    const auto input = in.Take(dataBytes);

    // The picture, the unpacked planes of a packed colour picture and the
    // file's bytes (held by the caller while this decodes), reserved in one
    // request: a thread already holding bytes never waits, so requests made
    // one after another would let every job start at once and then overrun
    // the budget.
    const bool unpacksPlanes = packBits && !singlePlane;
    MemoryBudget::Reservation pool = MemoryBudget::Process().Reserve(
        Bitmap::PixelBytes(width, height, l.format) + (unpacksPlanes ? usedBytes : 0) + data.size(),
        "PSD picture");
    Bitmap bitmap(width, height, l.format, pool);
    bitmap.SetColorTable(std::move(palette));

    if (singlePlane) {
        // The first channel, each row from its own data.
        std::vector<std::uint8_t> row(h.depth == 16 ? l.rowBytes : 0);
        std::uint64_t offset = 0;
        for (int y = 0; y < height; ++y) {
            std::uint8_t* dst = bitmap.ScanLine(y);
            if (!packBits) {
                StoreSingleRow(input.data() + offset, dst, width, h.depth, l.rowBytes);
                offset += l.rowBytes;
                continue;
            }
            const auto src = input.subspan(offset, counts[y]);
            offset += counts[y];
            if (h.depth == 16) {
                std::fill(row.begin(), row.end(), std::uint8_t{0});
                UnpackBits(src, row);
                StoreSingleRow(row.data(), dst, width, h.depth, l.rowBytes);
            } else {
                UnpackBits(src, std::span(dst, l.rowBytes));
            }
        }
    } else {
        // Colour: every plane in one pass; only the leading ones are kept.
        std::vector<std::uint8_t> decoded;
        std::span<const std::uint8_t> planes = input.first(packBits ? 0 : usedBytes);
        if (packBits) {
            decoded.assign(usedBytes, 0);
            UnpackBits(input, decoded);
            planes = decoded;
        }
        const std::uint8_t* rowPtr[4] = {};
        for (int y = 0; y < height; ++y) {
            for (int p = 0; p < l.planes; ++p) {
                rowPtr[p] = planes.data() + p * planeBytes + y * l.rowBytes;
            }
            ConvertColorRow(l, h.depth, rowPtr, width, bitmap.ScanLine(y));
        }
    }
    return DecodedPicture{std::move(bitmap), std::move(profile), 1};
}

namespace {
constexpr std::string_view kPsdExtensions[] = {"psd"};
// Photoshop's PDD documents are read when named.
constexpr std::string_view kPsdReadOnlyExtensions[] = {"pdd"};
bool PsdHeadFits(std::span<const std::uint8_t> head) {
    return StartsWith(head, "8BPS");
}
}  // namespace

const PictureFormat kPsdFormat{"psd",
                               kPsdExtensions,
                               kPsdReadOnlyExtensions,
                               &PsdReader::RecognisesContent,
                               &PsdHeadFits,
                               false,
                               false,
                               false,
                               &MakeDecoder<PsdReader>};

}  // namespace pictorel
