#include "formats/HeifReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include <libheif/heif.h>

#include "base/Errors.h"
#include "base/Limits.h"
#include "formats/NclxProfile.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

const std::string kFormat = "HEIF";

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct NclxFree {
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};

// A libheif failure is a file this program cannot load; running out of
// memory inside the library is told as such.
void Check(const heif_error& error) {
    if (error.code == heif_error_Ok) return;
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        ThrowNotSupported("Image size", kFormat);
    if (error.code == heif_error_Memory_allocation_error) throw std::bad_alloc();
    if (error.code == heif_error_Unsupported_feature ||
        error.code == heif_error_Unsupported_filetype)
        ThrowNotSupported(std::string("Content (") + (error.message ? error.message : "") + ")",
                          kFormat);
    ThrowInvalidFormat(kFormat);
}

// The still-image and image-sequence brands of HEIF, HEIC and AVIF.
bool IsHeifBrand(const std::uint8_t* brand) {
    static constexpr std::string_view kBrands[] = {"heic", "heix", "heim", "heis", "hevc",
                                                   "hevx", "mif1", "msf1", "avif", "avis"};
    const std::string_view text(reinterpret_cast<const char*>(brand), 4);
    for (const std::string_view known : kBrands)
        if (text == known) return true;
    return false;
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// The file's own profile, or one built from `nclx` colour that is not sRGB's.
std::vector<std::uint8_t> ColourProfileOf(const heif_image_handle* handle) {
    const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
    if (size > limits::kMaxColourProfileBytes) return {};
    if (size > 0) {
        std::vector<std::uint8_t> bytes(size);
        if (heif_image_handle_get_raw_color_profile(handle, bytes.data()).code == heif_error_Ok)
            return bytes;
    }
    // libheif may hand out the colour values together with an error (a
    // damaged box): they are freed either way.
    heif_color_profile_nclx* raw = nullptr;
    const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &raw);
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(raw);
    if (error.code != heif_error_Ok || !nclx) return {};
    NclxColour colour;
    colour.primaries = nclx->color_primaries;
    colour.transfer = nclx->transfer_characteristics;
    if (NclxIsSrgb(colour)) return {};
    const float values[8] = {nclx->color_primary_red_x,   nclx->color_primary_red_y,
                             nclx->color_primary_green_x, nclx->color_primary_green_y,
                             nclx->color_primary_blue_x,  nclx->color_primary_blue_y,
                             nclx->color_primary_white_x, nclx->color_primary_white_y};
    bool known = true;
    for (const float v : values) known = known && v > 0.0f && v < 1.0f;
    if (known) {  // otherwise the primaries stay BT.709's
        colour.red[0] = values[0];
        colour.red[1] = values[1];
        colour.green[0] = values[2];
        colour.green[1] = values[3];
        colour.blue[0] = values[4];
        colour.blue[1] = values[5];
        colour.white[0] = values[6];
        colour.white[1] = values[7];
    }
    return BuildNclxProfile(colour);
}

}  // namespace

bool HasHeifBrand(std::span<const std::uint8_t> data) {
    if (data.size() < 16 || std::memcmp(data.data() + 4, "ftyp", 4) != 0) return false;
    const std::uint64_t boxSize = BigEndian32(data.data());
    if (boxSize < 16) return false;
    if (IsHeifBrand(data.data() + 8)) return true;
    // Compatible brands follow the major brand and its minor version.
    const std::uint64_t end = std::min<std::uint64_t>(boxSize, data.size());
    for (std::uint64_t at = 16; at + 4 <= end; at += 4)
        if (IsHeifBrand(data.data() + at)) return true;
    return false;
}

std::uint8_t ReduceSample(unsigned value, int bits) {
    const unsigned maximum = (1u << bits) - 1;
    if (value > maximum) value = maximum;
    return static_cast<std::uint8_t>((value * 255u + maximum / 2) / maximum);
}

namespace {

using Context = std::unique_ptr<heif_context, ContextFree>;

// The file as libheif reads it, with the type of every colour box whose
// profile is larger than a reader keeps shown as `free`: libheif would copy
// such a profile while it parses the boxes, before the program could look at
// its size, and skips a `free` box unread.
struct FileSource {
    std::span<const std::uint8_t> data;
    std::uint64_t position = 0;
    std::vector<std::uint64_t> hiddenBoxTypes;  // offsets of the 4-byte types
};

// Calls `visit(type, offset, size, headerBytes)` for each box within
// [start, end); stops at a box that does not fit.
template <class Visit>
void ForEachBox(std::span<const std::uint8_t> data, std::uint64_t start, std::uint64_t end,
                const Visit& visit) {
    while (start + 8 <= end) {
        std::uint64_t size = BigEndian32(data.data() + start);
        std::uint64_t header = 8;
        if (size == 1) {
            if (start + 16 > end) return;
            size = (std::uint64_t{BigEndian32(data.data() + start + 8)} << 32) |
                   BigEndian32(data.data() + start + 12);
            header = 16;
        } else if (size == 0) {
            size = end - start;
        }
        if (size < header || size > end - start) return;
        visit(std::string_view(reinterpret_cast<const char*>(data.data() + start + 4), 4), start,
              size, header);
        start += size;
    }
}

// The content of the first box of `type` within [start, end); empty when
// there is none.
std::pair<std::uint64_t, std::uint64_t> BoxContent(std::span<const std::uint8_t> data,
                                                   std::pair<std::uint64_t, std::uint64_t> within,
                                                   std::string_view type) {
    std::pair<std::uint64_t, std::uint64_t> found{0, 0};
    bool seen = false;
    ForEachBox(
        data, within.first, within.second,
        [&](std::string_view kind, std::uint64_t at, std::uint64_t size, std::uint64_t head) {
            if (seen || kind != type) return;
            seen = true;
            found = {at + head, at + size};
        });
    return found;
}

std::vector<std::uint64_t> OversizedProfileBoxes(std::span<const std::uint8_t> data) {
    // The properties lie in meta (a full box) > iprp > ipco.
    auto meta = BoxContent(data, {0, data.size()}, "meta");
    if (meta.second - meta.first < 4) return {};
    meta.first += 4;
    const auto properties = BoxContent(data, BoxContent(data, meta, "iprp"), "ipco");
    std::vector<std::uint64_t> hidden;
    ForEachBox(
        data, properties.first, properties.second,
        [&](std::string_view type, std::uint64_t at, std::uint64_t size, std::uint64_t head) {
            if (type != "colr" || size < head + 4) return;
            const std::string_view kind(reinterpret_cast<const char*>(data.data() + at + head), 4);
            if ((kind == "prof" || kind == "rICC") &&
                size - head - 4 > limits::kMaxColourProfileBytes) {
                hidden.push_back(at + 4);
            }
        });
    return hidden;
}

std::int64_t SourcePosition(void* source) {
    return static_cast<std::int64_t>(static_cast<FileSource*>(source)->position);
}

int SourceRead(void* out, std::size_t size, void* userData) {
    auto* source = static_cast<FileSource*>(userData);
    const std::uint64_t from = source->position;
    if (from > source->data.size() || size > source->data.size() - from) return 1;
    // libheif asks for empty reads into no buffer at all (a box of no
    // content): there is nothing to copy, and copying to null is undefined.
    if (size == 0) return 0;
    std::memcpy(out, source->data.data() + from, size);
    for (const std::uint64_t at : source->hiddenBoxTypes) {
        for (std::uint64_t i = std::max(at, from); i < std::min(at + 4, from + size); ++i)
            static_cast<std::uint8_t*>(out)[i - from] = static_cast<std::uint8_t>("free"[i - at]);
    }
    source->position += size;
    return 0;
}

int SourceSeek(std::int64_t position, void* userData) {
    auto* source = static_cast<FileSource*>(userData);
    if (position < 0 || static_cast<std::uint64_t>(position) > source->data.size()) return 1;
    source->position = static_cast<std::uint64_t>(position);
    return 0;
}

heif_reader_grow_status SourceWait(std::int64_t targetSize, void* userData) {
    const auto* source = static_cast<FileSource*>(userData);
    return targetSize >= 0 && static_cast<std::uint64_t>(targetSize) <= source->data.size()
               ? heif_reader_grow_status_size_reached
               : heif_reader_grow_status_size_beyond_eof;
}

constexpr heif_reader kSourceReader = {1, SourcePosition, SourceRead, SourceSeek, SourceWait};

// A context over the file whose items may be at most `maximumSide` pixels on
// either side (libheif refuses a larger item, or a larger grid or alpha
// plane, before it allocates its pixels). `source` outlives the context.
Context ReadContext(FileSource& source, int maximumSide) {
    source.position = 0;
    Context context(heif_context_alloc());
    if (!context) throw std::bad_alloc();
    heif_context_set_maximum_image_size_limit(context.get(), maximumSide);
    Check(heif_context_read_from_reader(context.get(), &kSourceReader, &source, nullptr));
    return context;
}

std::unique_ptr<heif_image_handle, HandleRelease> PrimaryHandle(heif_context* context) {
    heif_image_handle* rawHandle = nullptr;
    Check(heif_context_get_primary_image_handle(context, &rawHandle));
    return std::unique_ptr<heif_image_handle, HandleRelease>(rawHandle);
}

}  // namespace

DecodedPicture HeifReader::Decode(std::span<const std::uint8_t> data) {
    if (!HasHeifBrand(data)) ThrowInvalidFormat(kFormat);

    // A first look at the file, with items up to the most pixels the program
    // decodes (libheif's limit is the square of this side), tells the size
    // the primary picture declares.
    const int programSide =
        static_cast<int>(std::ceil(std::sqrt(static_cast<double>(limits::kMaxPicturePixels))));
    FileSource source{data, 0, OversizedProfileBoxes(data)};
    int declaredSide = 0;
    {
        const Context survey = ReadContext(source, programSide);
        const auto primary = PrimaryHandle(survey.get());
        const int storedWidth = heif_image_handle_get_ispe_width(primary.get());
        const int storedHeight = heif_image_handle_get_ispe_height(primary.get());
        CheckPictureSize(storedWidth, storedHeight, kFormat);
        declaredSide = std::max(storedWidth, storedHeight);
    }
    // The file is then read again with every item, grid and alpha plane
    // bounded near that size: a grid or an alpha plane far larger than the
    // picture it belongs to would otherwise be decoded whole (gigabytes for
    // a tiny file) before anything could compare its size. The room left
    // (twice the side and 256 pixels) takes in the coded pictures that
    // encoders pad to whole blocks (a 16-pixel HEIC is coded as 64 x 64)
    // and auxiliary pictures somewhat larger than the primary one.
    const Context context = ReadContext(source, std::min(programSide, 2 * declaredSide + 256));
    const auto handle = PrimaryHandle(context.get());

    // The size after the file's rotation and clean aperture.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    CheckPictureSize(width, height, kFormat);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int lumaBits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
    const bool deep = lumaBits > 8;
    const int channels = alpha ? 4 : 3;
    const PixelFormat format = alpha ? PixelFormat::Bgra32 : PixelFormat::Bgr24;

    // libheif's decoded planes (at most 4:4:4 with alpha, before and after
    // the conversion to interleaved RGB) beside the picture itself, which
    // may come out turned by a quarter: the larger of both row layouts.
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    const std::uint64_t libraryBytes = 2 * pixels * channels * (deep ? 2 : 1);
    const std::uint64_t pictureBytes = std::max(RowStride(width, format) * std::uint64_t(height),
                                                RowStride(height, format) * std::uint64_t(width));
    // The file's own bytes, held by the caller while this decodes, are
    // counted in the same request: a request made apart, before the
    // picture's, would let every job start at once and then overrun the
    // budget (a job holding bytes never waits).
    MemoryBudget::Reservation reservation =
        MemoryBudget::Process().Reserve(libraryBytes + pictureBytes + data.size(), "HEIF picture");

    const std::unique_ptr<heif_decoding_options, OptionsFree> options(
        heif_decoding_options_alloc());
    if (!options) throw std::bad_alloc();
    options->ignore_transformations = 0;  // rotation, mirror and crop applied
    const heif_chroma chroma =
        deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* rawImage = nullptr;
    Check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, options.get()));
    const std::unique_ptr<heif_image, ImageRelease> image(rawImage);
    // Some libheif versions report a turned picture's stored size on the
    // handle: the decoded picture's own size is the one that counts (the
    // Bitmap reserves more should its pixels outgrow the reservation).
    const int decodedWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int decodedHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    CheckPictureSize(decodedWidth, decodedHeight, kFormat);
    int stride = 0;
    const std::uint8_t* planes =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!planes || stride <= 0) ThrowInvalidFormat(kFormat);
    const int bits =
        deep ? heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) : 8;
    if (bits < 8 || bits > 16) ThrowNotSupported(std::to_string(bits) + "-bit samples", kFormat);

    if (static_cast<std::uint64_t>(stride) <
        std::uint64_t(decodedWidth) * channels * (deep ? 2 : 1))
        ThrowInvalidFormat(kFormat);

    Bitmap picture = Bitmap::Uninitialized(decodedWidth, decodedHeight, format, reservation);
    const std::size_t used = static_cast<std::size_t>(decodedWidth) * channels;
    for (int y = 0; y < decodedHeight; ++y) {
        const std::uint8_t* in = planes + static_cast<std::size_t>(y) * stride;
        std::uint8_t* out = picture.ScanLine(y);
        for (int x = 0; x < decodedWidth; ++x, out += channels) {
            std::uint8_t rgba[4];
            for (int c = 0; c < channels; ++c, in += deep ? 2 : 1) {
                rgba[c] =
                    deep ? ReduceSample(unsigned(in[0]) | (unsigned(in[1]) << 8), bits) : in[0];
            }
            out[0] = rgba[2];
            out[1] = rgba[1];
            out[2] = rgba[0];
            if (alpha) out[3] = rgba[3];
        }
        std::memset(picture.ScanLine(y) + used, 0, picture.Stride() - used);
    }
    return DecodedPicture{std::move(picture), ColourProfileOf(handle.get()), 1};
}

namespace {
constexpr std::string_view kHeifExtensions[] = {"heic", "heif", "hif", "avif"};
}  // namespace

const PictureFormat kHeifFormat{
    "heif", kHeifExtensions,         {}, &HeifReader::RecognisesContent, &HasHeifBrand, false, true,
    true,   &MakeDecoder<HeifReader>};

}  // namespace pictorel
