#include "formats/TiffReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <tiffio.h>

#include "base/Errors.h"
#include "base/Limits.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

const std::string kFormat = "TIFF";

struct MemoryStream : MemoryCursor {
    bool failed = false;
    std::string firstError;
    // Where the type of an entry libtiff is not to read lies (0: none).
    std::uint64_t hiddenTypeAt = 0;
    // The bytes of the whole file the caller holds while this decodes:
    // these, or more when they are the preview inside a larger file.
    std::uint64_t fileBytes = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    if (size <= 0) return 0;
    auto* stream = static_cast<MemoryStream*>(handle);
    const std::uint64_t from = stream->position;
    const std::size_t n = stream->Read(buffer, static_cast<std::size_t>(size));
    // A hidden entry is shown with type 0, which no tag has: libtiff warns
    // and skips it without allocating its value.
    const std::uint64_t at = stream->hiddenTypeAt;
    if (at != 0 && at + 2 > from && at < from + n) {
        for (std::uint64_t i = std::max(at, from); i < std::min(at + 2, from + n); ++i)
            static_cast<std::uint8_t*>(buffer)[i - from] = 0;
    }
    return static_cast<tmsize_t>(n);
}

// Where the type field of the first directory's ICC profile entry lies when
// that profile is larger than a reader keeps (0 otherwise). libtiff would
// copy such a profile twice while it reads the directory, before the
// program could look at its size.
std::uint64_t OversizedProfileTypeAt(std::span<const std::uint8_t> data) {
    if (data.size() < 16) return 0;
    const bool little = data[0] == 'I';
    auto read = [&](std::uint64_t at, int bytes) -> std::uint64_t {
        if (at + bytes > data.size()) return 0;
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const std::uint64_t byte = data[at + i];
            value |= little ? byte << (8 * i) : byte << (8 * (bytes - 1 - i));
        }
        return value;
    };
    const bool big = read(2, 2) == 43;  // BigTIFF: 8-byte counts and offsets
    const int wide = big ? 8 : 4;
    const std::uint64_t directory = read(big ? 8 : 4, wide);
    if (directory == 0 || directory >= data.size()) return 0;
    const std::uint64_t entries = read(directory, big ? 8 : 2);
    const std::uint64_t entryBytes = big ? 20 : 12;
    const std::uint64_t first = directory + (big ? 8 : 2);
    if (entries > (data.size() - first) / entryBytes) return 0;  // libtiff refuses it
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = first + i * entryBytes;
        if (read(entry, 2) != TIFFTAG_ICCPROFILE) continue;
        // BYTE and UNDEFINED are the types of a profile: one byte a value.
        const std::uint64_t type = read(entry + 2, 2);
        const std::uint64_t count = read(entry + 4, wide);
        const bool oneByte = type == TIFF_BYTE || type == TIFF_UNDEFINED;
        return oneByte && count > limits::kMaxColourProfileBytes ? entry + 2 : 0;
    }
    return 0;
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* s = static_cast<MemoryStream*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = s->position;
    if (whence == SEEK_END) base = s->data.size();
    // Relative offsets arrive as two's complement in the unsigned type.
    const auto delta = static_cast<std::int64_t>(offset);
    if (whence != SEEK_SET && delta < 0 && 0 - static_cast<std::uint64_t>(delta) > base) {
        return static_cast<toff_t>(-1);
    }
    s->position = whence == SEEK_SET ? offset : base + static_cast<std::uint64_t>(delta);
    return s->position;
}

int CloseProc(thandle_t) {
    return 0;
}
toff_t SizeProc(thandle_t handle) {
    return static_cast<MemoryStream*>(handle)->data.size();
}
int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

int ErrorHandler(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    auto* s = static_cast<MemoryStream*>(user);
    if (!s->failed) {
        char text[512];
        std::vsnprintf(text, sizeof text, fmt, ap);
        s->firstError = std::string(module ? module : "") + ": " + text;
    }
    s->failed = true;
    return 1;
}

int WarningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// Messages libtiff raises outside any open file would go to stderr.
void SilenceGlobalHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

// The format's message, with libtiff's first complaint about this file, or
// else `otherCause`, as its cause.
[[noreturn]] void Fail(const MemoryStream& stream, const std::string& otherCause = {}) {
    ThrowInvalidFormat(kFormat, stream.firstError.empty() ? otherCause : stream.firstError);
}

struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    bool hasAlpha = false;
};

// The least number of file bytes that can hold the decoded samples.
std::uint64_t MinimumStoredBytes(const Layout& l, std::uint64_t rawBytes) {
    switch (l.compression) {
        case COMPRESSION_NONE:
            return rawBytes;
        case COMPRESSION_PACKBITS:
            return rawBytes / 130;
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
            return rawBytes / 1040;
        case COMPRESSION_LZW:
            return rawBytes / 2800;
        default:
            return 0;
    }
}

// The coding of the first JPEG strip or tile: its start-of-frame marker.
struct JpegCoding {
    bool found = false;
    bool arithmetic = false;
    bool progressive = false;
};

JpegCoding FirstJpegCoding(TIFF* tif, std::span<const std::uint8_t> data) {
    JpegCoding coding;
    std::uint64_t* offsets = nullptr;
    std::uint64_t* counts = nullptr;
    const bool tiled = TIFFIsTiled(tif) != 0;
    if (!TIFFGetField(tif, tiled ? TIFFTAG_TILEOFFSETS : TIFFTAG_STRIPOFFSETS, &offsets) ||
        !TIFFGetField(tif, tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &counts) ||
        !offsets || !counts || offsets[0] >= data.size()) {
        return coding;
    }
    const std::uint64_t end = std::min<std::uint64_t>(data.size(), offsets[0] + counts[0]);
    std::uint64_t at = offsets[0];
    if (at + 2 > end || data[at] != 0xFF || data[at + 1] != 0xD8) return coding;
    at += 2;
    // Segment after segment up to the frame header or the first scan.
    while (at + 4 <= end && data[at] == 0xFF) {
        const unsigned marker = data[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            coding.found = true;
            coding.arithmetic = marker >= 0xC9;
            coding.progressive =
                marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            return coding;
        }
        if (marker == 0xDA) return coding;
        at += 2 + ((std::uint64_t{data[at + 2]} << 8) | data[at + 3]);
    }
    return coding;
}

// JPEG strips and tiles: Huffman coding spends at least one bit per 8x8
// block of the luminance (the first DC scan of a progressive file, the DC
// code of a sequential one), so a tiny file cannot promise a huge picture.
// libjpeg decodes a progressive strip through coefficient arrays of the
// whole strip (2 bytes per sample): their size is returned.
std::uint64_t CheckJpegStrips(TIFF* tif, const Layout& l, std::span<const std::uint8_t> data) {
    if (l.compression != COMPRESSION_JPEG) return 0;
    const JpegCoding coding = FirstJpegCoding(tif, data);
    if (!coding.found || coding.arithmetic) return 0;
    const std::uint64_t blocks = ((std::uint64_t{l.width} + 7) / 8) * ((l.height + 7) / 8);
    CheckDataFits((blocks + 7) / 8, data.size(), kFormat);
    if (coding.progressive) {
        std::uint64_t pieceWidth = l.width;
        std::uint64_t pieceHeight = l.height;
        std::uint32_t tw = 0;
        std::uint32_t th = 0;
        std::uint32_t rows = 0;
        if (TIFFIsTiled(tif) && TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) &&
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &th)) {
            pieceWidth = tw;
            pieceHeight = th;
        } else if (TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows) && rows > 0) {
            pieceHeight = std::min<std::uint64_t>(rows, l.height);
        }
        return (pieceWidth + 16) * (pieceHeight + 16) * l.samples * 2;
    }
    return 0;
}

bool OwnLayout(const Layout& l) {
    if (l.sampleFormat != SAMPLEFORMAT_UINT) return false;
    switch (l.photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            return l.samples == 1 &&
                   (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8 || l.bits == 16);
        case PHOTOMETRIC_PALETTE:
            return l.samples == 1 && (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8);
        case PHOTOMETRIC_RGB:
            return l.samples >= 3 && l.samples <= 4 && (l.bits == 8 || l.bits == 16);
        default:
            return false;
    }
}

// Reads every sample of the image, plane after plane, rows packed to bytes.
std::vector<std::uint8_t> ReadSamples(TIFF* tif, const Layout& l, std::uint64_t rowBytes,
                                      std::uint32_t planes, const MemoryStream& stream) {
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(rowBytes * l.height * planes));
    const auto rowAt = [&](std::uint32_t plane, std::uint32_t y) {
        return raw.data() + (static_cast<std::uint64_t>(plane) * l.height + y) * rowBytes;
    };
    if (TIFFIsTiled(tif)) {
        std::uint32_t tw = 0;
        std::uint32_t th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        const tmsize_t tileSize = TIFFTileSize(tif);
        const tmsize_t tileRow = TIFFTileRowSize(tif);
        if (tw == 0 || th == 0 || tileSize <= 0 || tileRow <= 0) Fail(stream);
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSize));
        const std::uint64_t samplesPerPixel = planes == 1 ? l.samples : 1;
        for (std::uint32_t s = 0; s < planes; ++s) {
            for (std::uint32_t ty = 0; ty < l.height; ty += th) {
                for (std::uint32_t tx = 0; tx < l.width; tx += tw) {
                    if (TIFFReadTile(tif, tile.data(), tx, ty, 0, static_cast<std::uint16_t>(s)) <
                        0) {
                        Fail(stream);
                    }
                    const std::uint64_t offset = tx * samplesPerPixel * l.bits / 8;
                    const std::uint64_t n = std::min<std::uint64_t>(
                        static_cast<std::uint64_t>(tileRow), rowBytes - offset);
                    const std::uint32_t rows = std::min(th, l.height - ty);
                    for (std::uint32_t r = 0; r < rows; ++r) {
                        std::memcpy(rowAt(s, ty + r) + offset,
                                    tile.data() + static_cast<std::uint64_t>(r) * tileRow, n);
                    }
                }
            }
        }
    } else {
        if (static_cast<std::uint64_t>(TIFFScanlineSize64(tif)) != rowBytes) Fail(stream);
        for (std::uint32_t s = 0; s < planes; ++s) {
            for (std::uint32_t y = 0; y < l.height; ++y) {
                if (TIFFReadScanline(tif, rowAt(s, y), y, static_cast<std::uint16_t>(s)) < 0) {
                    Fail(stream);
                }
            }
        }
    }
    if (stream.failed) Fail(stream);
    return raw;
}

unsigned SampleAt(const std::uint8_t* row, std::uint64_t index, unsigned bits) {
    switch (bits) {
        case 8:
            return row[index];
        case 16: {
            std::uint16_t v;
            std::memcpy(&v, row + index * 2, 2);  // libtiff delivers native order
            return v >> 8;
        }
        default: {
            const std::uint64_t bit = index * bits;
            return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        }
    }
}

// `codecBytes`: what the codec needs beside the samples and the picture.
Bitmap DecodeOwn(TIFF* tif, const Layout& l, std::uint64_t dataSize, const MemoryStream& stream,
                 std::uint64_t codecBytes) {
    const std::uint32_t planes = l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1;
    const std::uint64_t perPixel = planes == 1 ? l.samples : 1;
    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(l.width) * perPixel * l.bits + 7) / 8;
    CheckDataFits(MinimumStoredBytes(l, rowBytes * l.height * planes), dataSize, kFormat);
    const bool alpha = l.hasAlpha && l.samples >= 4;
    const PixelFormat format = l.photometric != PHOTOMETRIC_RGB ? PixelFormat::Indexed8
                               : alpha                          ? PixelFormat::Bgra32
                                                                : PixelFormat::Bgr24;
    // The samples, the picture, the codec's buffers and the file's bytes
    // (held by the caller while this decodes), reserved together.
    MemoryBudget::Reservation pool = MemoryBudget::Process().Reserve(
        codecBytes + rowBytes * l.height * planes + RowStride(l.width, format) * l.height +
            stream.fileBytes,
        "TIFF picture");

    if (l.photometric != PHOTOMETRIC_RGB) {
        std::vector<Color> table;
        if (l.photometric == PHOTOMETRIC_PALETTE) {
            std::uint16_t* red = nullptr;
            std::uint16_t* green = nullptr;
            std::uint16_t* blue = nullptr;
            if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
                throw InvalidPicture("Cannot load image. Palette in TIFF file is invalid.");
            }
            const std::size_t n = std::size_t{1} << l.bits;
            // Colour maps are 16-bit; a few writers store 8-bit values.
            bool eightBit = true;
            for (std::size_t i = 0; i < n; ++i) {
                if (red[i] > 255 || green[i] > 255 || blue[i] > 255) eightBit = false;
            }
            const int shift = eightBit ? 0 : 8;
            for (std::size_t i = 0; i < n; ++i) {
                table.push_back({static_cast<std::uint8_t>(red[i] >> shift),
                                 static_cast<std::uint8_t>(green[i] >> shift),
                                 static_cast<std::uint8_t>(blue[i] >> shift)});
            }
        } else {
            const unsigned levels = l.bits == 16 ? 256 : (1u << l.bits);
            for (unsigned k = 0; k < levels; ++k) {
                unsigned v = k * 255 / (levels - 1);
                if (l.photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
                table.push_back({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v),
                                 static_cast<std::uint8_t>(v)});
            }
        }
        const std::vector<std::uint8_t> raw = ReadSamples(tif, l, rowBytes, planes, stream);
        Bitmap bitmap(static_cast<int>(l.width), static_cast<int>(l.height), format, pool);
        bitmap.SetColorTable(std::move(table));
        for (std::uint32_t y = 0; y < l.height; ++y) {
            const std::uint8_t* in = raw.data() + y * rowBytes;
            std::uint8_t* out = bitmap.ScanLine(static_cast<int>(y));
            for (std::uint32_t x = 0; x < l.width; ++x) {
                out[x] = static_cast<std::uint8_t>(SampleAt(in, x, l.bits));
            }
        }
        return bitmap;
    }

    const std::vector<std::uint8_t> raw = ReadSamples(tif, l, rowBytes, planes, stream);
    Bitmap bitmap(static_cast<int>(l.width), static_cast<int>(l.height), format, pool);
    const unsigned outBytes = alpha ? 4 : 3;
    const unsigned channels = alpha ? 4 : 3;
    const std::uint64_t planeBytes = rowBytes * l.height;
    for (std::uint32_t y = 0; y < l.height; ++y) {
        std::uint8_t* out = bitmap.ScanLine(static_cast<int>(y));
        for (std::uint32_t x = 0; x < l.width; ++x, out += outBytes) {
            std::uint8_t v[4] = {0, 0, 0, 255};
            for (unsigned c = 0; c < channels; ++c) {
                const std::uint8_t* row = planes == 1 ? raw.data() + y * rowBytes
                                                      : raw.data() + c * planeBytes + y * rowBytes;
                const std::uint64_t index = planes == 1 ? std::uint64_t{x} * l.samples + c : x;
                v[c] = static_cast<std::uint8_t>(SampleAt(row, index, l.bits));
            }
            out[0] = v[2];
            out[1] = v[1];
            out[2] = v[0];
            if (alpha) out[3] = v[3];
        }
    }
    return bitmap;
}

// Colour schemes the program does not unpack itself, through libtiff's RGBA
// conversion, read in stored row order (the orientation is applied later).
Bitmap DecodeRgba(TIFF* tif, const Layout& l, const MemoryStream& stream,
                  std::uint64_t codecBytes) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) Fail(stream, message);
    // The stored size of the whole image as libtiff counts it, which knows
    // subsampled YCbCr (a 2x1 picture stores 2 bytes per pixel, not 3).
    const std::uint64_t planeBytes = TIFFVStripSize64(tif, l.height);
    const std::uint64_t rawBytes =
        planeBytes * (l.planar == PLANARCONFIG_SEPARATE ? l.samples : std::uint64_t{1});
    CheckDataFits(MinimumStoredBytes(l, rawBytes), stream.data.size(), kFormat);
    // The raster, the picture, the codec's buffers and the file's bytes,
    // reserved together.
    MemoryBudget::Reservation pool = MemoryBudget::Process().Reserve(
        codecBytes + std::uint64_t{l.width} * l.height * 4 +
            RowStride(l.width, PixelFormat::Bgr24) * l.height + stream.fileBytes,
        "TIFF picture");
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(l.width) * l.height);
    if (!TIFFReadRGBAImageOriented(tif, l.width, l.height, raster.data(), ORIENTATION_TOPLEFT, 1) ||
        stream.failed) {
        Fail(stream);
    }
    Bitmap bitmap = Bitmap::Uninitialized(static_cast<int>(l.width), static_cast<int>(l.height),
                                          PixelFormat::Bgr24, pool);
    for (std::uint32_t y = 0; y < l.height; ++y) {
        const std::uint32_t* in = raster.data() + static_cast<std::size_t>(y) * l.width;
        std::uint8_t* out = bitmap.ScanLine(static_cast<int>(y));
        for (std::uint32_t x = 0; x < l.width; ++x, out += 3) {
            out[0] = static_cast<std::uint8_t>(TIFFGetB(in[x]));
            out[1] = static_cast<std::uint8_t>(TIFFGetG(in[x]));
            out[2] = static_cast<std::uint8_t>(TIFFGetR(in[x]));
        }
        std::fill(bitmap.ScanLine(static_cast<int>(y)) + std::size_t{l.width} * 3,
                  bitmap.ScanLine(static_cast<int>(y)) + bitmap.Stride(), 0);
    }
    return bitmap;
}

}  // namespace

bool TiffReader::RecognisesContent(std::span<const std::uint8_t> data) {
    if (data.size() <= 8) return false;
    bool little = false;
    if (data[0] == 'I' && data[1] == 'I') {
        little = true;
    } else if (!(data[0] == 'M' && data[1] == 'M')) {
        return false;
    }
    const std::uint8_t* p = data.data();
    const unsigned magic = little ? (p[2] | (p[3] << 8)) : ((p[2] << 8) | p[3]);
    const std::uint32_t offset = little
                                     ? (std::uint32_t{p[4]} | (std::uint32_t{p[5]} << 8) |
                                        (std::uint32_t{p[6]} << 16) | (std::uint32_t{p[7]} << 24))
                                     : ((std::uint32_t{p[4]} << 24) | (std::uint32_t{p[5]} << 16) |
                                        (std::uint32_t{p[6]} << 8) | std::uint32_t{p[7]});
    return magic == 42 && offset < data.size();
}

DecodedPicture TiffReader::Decode(std::span<const std::uint8_t> data) {
    return DecodeTiff(data, data.size());
}

DecodedPicture TiffReader::DecodeTiff(std::span<const std::uint8_t> data, std::uint64_t fileBytes) {
    SilenceGlobalHandlers();
    MemoryStream stream;
    stream.data = data;
    stream.fileBytes = std::max<std::uint64_t>(fileBytes, data.size());
    stream.hiddenTypeAt = OversizedProfileTypeAt(data);
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) ThrowOutOfMemoryFor("TIFF file");
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ErrorHandler, &stream);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), WarningHandler, &stream);
    // No single buffer of libtiff's may exceed what a 300-megapixel picture needs.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), 1'300'000'000);
    std::unique_ptr<TIFF, TiffCloser> tif(
        TIFFClientOpenExt("memory", "rm", &stream, ReadProc, WriteProc, SeekProc, CloseProc,
                          SizeProc, MapProc, UnmapProc, options.get()));
    if (!tif) Fail(stream);

    Layout l;
    TIFF* t = tif.get();
    if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &l.width) ||
        !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &l.height)) {
        Fail(stream);
    }
    CheckPictureSize(l.width, l.height, kFormat);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &l.compression);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &l.sampleFormat);
    TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &l.orientation);
    if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &l.photometric)) {
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    if (TIFFGetField(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra) {
        l.hasAlpha = extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA;
    }
    if (l.samples == 0 || l.bits == 0) Fail(stream);

    const std::uint64_t codecBytes = CheckJpegStrips(t, l, data);
    Bitmap bitmap = OwnLayout(l) ? DecodeOwn(t, l, data.size(), stream, codecBytes)
                                 : DecodeRgba(t, l, stream, codecBytes);
    std::uint32_t iccBytes = 0;
    void* icc = nullptr;
    std::vector<std::uint8_t> profile;
    if (TIFFGetField(t, TIFFTAG_ICCPROFILE, &iccBytes, &icc) && icc && iccBytes > 0 &&
        iccBytes <= limits::kMaxColourProfileBytes) {
        const auto* bytes = static_cast<const std::uint8_t*>(icc);
        profile.assign(bytes, bytes + iccBytes);
    }
    return DecodedPicture{std::move(bitmap), std::move(profile), static_cast<int>(l.orientation)};
}

namespace {
constexpr std::string_view kTiffExtensions[] = {"tif", "tiff"};
// GFI fax files are TIFF files; they are read when named.
constexpr std::string_view kTiffReadOnlyExtensions[] = {"fax"};
// Classic (42) and big (43) TIFF in either byte order.
bool TiffHeadFits(std::span<const std::uint8_t> head) {
    using namespace std::string_view_literals;
    return StartsWith(head, "II\x2a\0"sv) || StartsWith(head, "MM\0\x2a"sv) ||
           StartsWith(head, "II\x2b\0"sv) || StartsWith(head, "MM\0\x2b"sv);
}
}  // namespace

const PictureFormat kTiffFormat{"tiff",
                                kTiffExtensions,
                                kTiffReadOnlyExtensions,
                                &TiffReader::RecognisesContent,
                                &TiffHeadFits,
                                false,
                                false,
                                false,
                                &MakeDecoder<TiffReader>};

}  // namespace pictorel
