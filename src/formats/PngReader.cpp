#include "formats/PngReader.h"

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "base/Errors.h"
#include "base/Limits.h"
#include "formats/ColourProfile.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

const std::string kFormat = "PNG";
const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// What went wrong while libpng read the file, as the callbacks saw it; it
// chooses the message. libpng reports only text, so the callbacks decide
// from where the reading stood: which chunk, which part of it, which step.
enum class PngFault {
    None,
    ShortData,    // the file ends before libpng has what it asks for
    ChunkCrc,     // a chunk libpng refuses has a wrong CRC
    Compression,  // the image data does not inflate to the picture's rows
    Palette,      // a palette picture with a broken or missing PLTE
    Format,       // anything else
};

constexpr png_uint_32 ChunkName(const char (&name)[5]) {
    return (static_cast<png_uint_32>(static_cast<unsigned char>(name[0])) << 24) |
           (static_cast<png_uint_32>(static_cast<unsigned char>(name[1])) << 16) |
           (static_cast<png_uint_32>(static_cast<unsigned char>(name[2])) << 8) |
           static_cast<png_uint_32>(static_cast<unsigned char>(name[3]));
}

constexpr png_uint_32 kIdat = ChunkName("IDAT");
constexpr png_uint_32 kPlte = ChunkName("PLTE");

// State shared with libpng's callbacks; on the heap, so that a longjmp out
// of libpng skips no C++ object.
struct PngDecoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::jmp_buf jump;
    PngFault fault = PngFault::None;
    bool readingImage = false;  // png_read_image has begun
    // The CRC of the chunk being read, over its type and data as they pass
    // through ReadFn, and whether the stored CRC just read differs from it.
    uLong chunkCrc = 0;
    bool chunkCrcDiffers = false;
    MemoryCursor input;
    // The picture's bytes and the file's (held by the caller while this
    // decodes), reserved in one request; the picture takes its share.
    MemoryBudget::Reservation pool;
    Bitmap bitmap;
    std::vector<png_bytep> rows;
    std::vector<std::uint8_t> iccProfile;

    ~PngDecoder() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

PngFault FaultAtError(png_structp png, const PngDecoder& d) {
    const png_uint_32 where = png_get_io_state(png) & PNG_IO_MASK_LOC;
    if (where == PNG_IO_CHUNK_CRC && d.chunkCrcDiffers) return PngFault::ChunkCrc;
    const png_uint_32 chunk = png_get_io_chunk_type(png);
    if (chunk == kPlte) return PngFault::Palette;
    // A chunk header libpng cannot accept is a format fault even among the
    // image data; any other failure there is the data's.
    if (d.readingImage) return where == PNG_IO_CHUNK_HDR ? PngFault::Format : PngFault::Compression;
    if (chunk == kIdat && png_get_color_type(png, d.info) == PNG_COLOR_TYPE_PALETTE &&
        !png_get_valid(png, d.info, PNG_INFO_PLTE)) {
        return PngFault::Palette;
    }
    return PngFault::Format;
}

[[noreturn]] void ErrorFn(png_structp png, png_const_charp) {
    auto* d = static_cast<PngDecoder*>(png_get_error_ptr(png));
    if (d->fault == PngFault::None) d->fault = FaultAtError(png, *d);
    std::longjmp(d->jump, 1);
}

// Warnings are benign by libpng's rules (an ancillary chunk with a wrong
// CRC is dropped, extra data after the image is ignored): the picture reads.
void WarningFn(png_structp, png_const_charp) {}

void ReadFn(png_structp png, png_bytep out, png_size_t length) {
    auto* d = static_cast<PngDecoder*>(png_get_io_ptr(png));
    if (d->input.Read(out, length) != length) {
        d->fault = PngFault::ShortData;
        png_error(png, "Read error");
    }
    switch (png_get_io_state(png) & PNG_IO_MASK_LOC) {
        case PNG_IO_CHUNK_HDR:  // length and type, read together
            d->chunkCrc = length == 8 ? crc32(0, out + 4, 4) : 0;
            d->chunkCrcDiffers = false;
            break;
        case PNG_IO_CHUNK_DATA:
            d->chunkCrc = crc32(d->chunkCrc, out, static_cast<uInt>(length));
            break;
        case PNG_IO_CHUNK_CRC:
            d->chunkCrcDiffers = length == 4 && png_get_uint_32(out) != d->chunkCrc;
            break;
        default:
            break;
    }
}

[[noreturn]] void ThrowForFault(PngFault fault) {
    switch (fault) {
        case PngFault::ChunkCrc:
            throw InvalidPicture("Cannot load image. CRC error found in PNG file.");
        case PngFault::Compression:
            ThrowCompressionError(kFormat);
        case PngFault::Palette:
            throw InvalidPicture("Cannot load image. Palette in PNG file is invalid.");
        case PngFault::None:
        case PngFault::ShortData:
        case PngFault::Format:
            break;
    }
    ThrowInvalidFormat(kFormat);
}

void ApplyGammaToSamples(Bitmap& bitmap, const std::array<std::uint8_t, 256>& table) {
    const int bpp = bitmap.BitsPerPixel() / 8;
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += bpp) {
            p[0] = table[p[0]];
            p[1] = table[p[1]];
            p[2] = table[p[2]];
        }
    }
}

// Only trivially destructible locals here: libpng may longjmp out of it.
void RunDecoder(PngDecoder& d) {
    png_structp png = d.png;
    png_infop info = d.info;
    png_set_read_fn(png, &d, ReadFn);
    png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_WARN_DISCARD);
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    CheckPictureSize(width, height, kFormat);
    // Deflate packs at most about 1032 bytes into one; anything promising
    // more than that from the file's size is refused before allocating.
    const std::uint64_t rawBytes =
        (static_cast<std::uint64_t>(png_get_rowbytes(png, info)) + 1) * height;
    CheckDataFits(rawBytes / 1040, d.input.data.size(), kFormat);

    PixelFormat format = PixelFormat::Bgr24;
    if (depth == 16) png_set_strip_16(png);
    switch (colorType) {
        case PNG_COLOR_TYPE_PALETTE:
            if (depth < 8) png_set_packing(png);
            format = PixelFormat::Indexed8;
            break;
        case PNG_COLOR_TYPE_GRAY:
            if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
            format = PixelFormat::Indexed8;
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            png_set_gray_to_rgb(png);
            png_set_bgr(png);
            format = PixelFormat::Bgra32;
            break;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            png_set_bgr(png);
            format = PixelFormat::Bgra32;
            break;
        default:
            png_set_bgr(png);
            break;
    }
    if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) !=
        static_cast<std::size_t>(width) * static_cast<std::size_t>(BitsPerPixel(format) / 8)) {
        ThrowInvalidFormat(kFormat);
    }

    // One request: a thread holding bytes never waits, so a request for
    // the file made apart, before this one, would let every job start at
    // once and then overrun the budget.
    d.pool = MemoryBudget::Process().Reserve(
        Bitmap::PixelBytes(static_cast<int>(width), static_cast<int>(height), format) +
            d.input.data.size(),
        "PNG picture");
    d.bitmap = Bitmap(static_cast<int>(width), static_cast<int>(height), format, d.pool);
    png_charp iccName = nullptr;
    int iccCompression = 0;
    png_bytep icc = nullptr;
    png_uint_32 iccBytes = 0;
    if (png_get_iCCP(png, info, &iccName, &iccCompression, &icc, &iccBytes) && icc &&
        iccBytes <= limits::kMaxColourProfileBytes) {
        d.iccProfile.assign(icc, icc + iccBytes);
    }
    // An RGB profile carries the transfer curve itself and supersedes gAMA.
    bool hasGamma = false;
    png_fixed_point gama = 0;
    if (png_get_gAMA_fixed(png, info, &gama) && gama > 0 && !IsRgbProfile(d.iccProfile)) {
        hasGamma = true;
    }
    const auto table = GammaTable(hasGamma ? static_cast<std::uint32_t>(gama) : 45455);

    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &palette, &count) || count <= 0) {
            throw InvalidPicture("Cannot load image. Palette in PNG file is invalid.");
        }
        std::vector<Color> colors(static_cast<std::size_t>(std::min(count, 256)));
        for (std::size_t i = 0; i < colors.size(); ++i) {
            colors[i] = {palette[i].red, palette[i].green, palette[i].blue};
            if (hasGamma) colors[i] = {table[colors[i].r], table[colors[i].g], table[colors[i].b]};
        }
        d.bitmap.SetColorTable(std::move(colors));
    } else if (format == PixelFormat::Indexed8) {
        std::vector<Color> grey(256);
        for (int k = 0; k < 256; ++k) {
            const std::uint8_t v = hasGamma ? table[k] : static_cast<std::uint8_t>(k);
            grey[static_cast<std::size_t>(k)] = {v, v, v};
        }
        d.bitmap.SetColorTable(std::move(grey));
    }

    d.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) d.rows[y] = d.bitmap.ScanLine(static_cast<int>(y));
    d.readingImage = true;
    png_read_image(png, d.rows.data());
    if (hasGamma && format != PixelFormat::Indexed8) ApplyGammaToSamples(d.bitmap, table);
}

}  // namespace

std::array<std::uint8_t, 256> GammaTable(std::uint32_t gama) {
    std::array<std::uint8_t, 256> table{};
    const double g = gama / 100000.0;
    const double exponent = 1.0 / (g * 2.2);
    for (int v = 0; v < 256; ++v) {
        const double value = std::nearbyint(255.0 * std::pow(v / 255.0, exponent));
        table[static_cast<std::size_t>(v)] =
            static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
    return table;
}

Bitmap DecodePng(std::span<const std::uint8_t> data, std::vector<std::uint8_t>* iccProfile) {
    auto d = std::make_unique<PngDecoder>();
    d->input.data = data;
    if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0) {
        ThrowInvalidFormat(kFormat);
    }
    d->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, d.get(), ErrorFn, WarningFn);
    if (!d->png) ThrowOutOfMemoryFor("PNG file");
    d->info = png_create_info_struct(d->png);
    if (!d->info) ThrowOutOfMemoryFor("PNG file");
    if (setjmp(d->jump)) ThrowForFault(d->fault);
    RunDecoder(*d);
    if (iccProfile) *iccProfile = std::move(d->iccProfile);
    return std::move(d->bitmap);
}

bool PngReader::RecognisesContent(std::span<const std::uint8_t> data) {
    return data.size() > 8 && std::memcmp(data.data(), kSignature, 8) == 0;
}

DecodedPicture PngReader::Decode(std::span<const std::uint8_t> data) {
    DecodedPicture picture;
    picture.bitmap = DecodePng(data, &picture.iccProfile);
    return picture;
}

namespace {
constexpr std::string_view kPngExtensions[] = {"png"};
bool PngHeadFits(std::span<const std::uint8_t> head) {
    return StartsWith(head, std::string_view(reinterpret_cast<const char*>(kSignature), 8));
}
}  // namespace

const PictureFormat kPngFormat{
    "png", kPngExtensions, {},    &PngReader::RecognisesContent, &PngHeadFits,
    false, false,          false, &MakeDecoder<PngReader>};

}  // namespace pictorel
