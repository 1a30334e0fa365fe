#include "formats/WebpReader.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

#include "base/Errors.h"
#include "base/Limits.h"
#include "formats/JpegReader.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

const std::string kFormat = "WebP";

struct DemuxerDelete {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};

// A frame iterator that is released however the decoding ends.
struct FrameIterator {
    WebPIterator iter{};
    bool held = false;
    ~FrameIterator() {
        if (held) WebPDemuxReleaseIterator(&iter);
    }
};

// The payload of the first chunk of `fourcc`, or its first `maximumBytes`
// when `cut` is set; empty when there is none, or when it is longer than
// `maximumBytes` and not to be cut. Measured before anything is copied.
std::vector<std::uint8_t> ChunkPayload(const WebPDemuxer* demuxer, const char* fourcc,
                                       std::size_t maximumBytes, bool cut) {
    WebPChunkIterator chunk{};
    std::vector<std::uint8_t> payload;
    if (WebPDemuxGetChunk(demuxer, fourcc, 1, &chunk) &&
        (cut || chunk.chunk.size <= maximumBytes)) {
        const std::size_t size = std::min(chunk.chunk.size, maximumBytes);
        payload.assign(chunk.chunk.bytes, chunk.chunk.bytes + size);
    }
    WebPDemuxReleaseChunkIterator(&chunk);
    return payload;
}

// The orientation lies in the first directory of the EXIF data, within the
// size a JPEG's APP1 segment allows: the rest (thumbnails, maker notes) is
// not copied.
constexpr std::size_t kExifBytesRead = 65536;

// The orientation of an EXIF chunk, whose TIFF data may or may not start
// with the "Exif\0\0" marker that JPEG's APP1 segment carries.
int OrientationOf(std::vector<std::uint8_t> exif) {
    static const std::uint8_t kMarker[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (exif.empty()) return 1;
    if (exif.size() < 6 || std::memcmp(exif.data(), kMarker, 6) != 0)
        exif.insert(exif.begin(), kMarker, kMarker + 6);
    return ExifOrientation(exif);
}

}  // namespace

bool WebpReader::RecognisesContent(std::span<const std::uint8_t> data) {
    return data.size() >= 12 && std::memcmp(data.data(), "RIFF", 4) == 0 &&
           std::memcmp(data.data() + 8, "WEBP", 4) == 0;
}

DecodedPicture WebpReader::Decode(std::span<const std::uint8_t> data) {
    if (!RecognisesContent(data)) ThrowInvalidFormat(kFormat);
    // A truncated file has no demuxer: WebPDemux takes complete files only.
    const WebPData whole{data.data(), data.size()};
    const std::unique_ptr<WebPDemuxer, DemuxerDelete> demuxer(WebPDemux(&whole));
    if (!demuxer) ThrowInvalidFormat(kFormat);
    const int canvasWidth = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH));
    const int canvasHeight = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT));
    CheckPictureSize(canvasWidth, canvasHeight, kFormat);

    FrameIterator frame;
    frame.held = WebPDemuxGetFrame(demuxer.get(), 1, &frame.iter) != 0;
    if (!frame.held || !frame.iter.complete) ThrowInvalidFormat(kFormat);
    const WebPIterator& it = frame.iter;
    // The bitstream must be the frame its header announces, within the canvas.
    int streamWidth = 0;
    int streamHeight = 0;
    if (!WebPGetInfo(it.fragment.bytes, it.fragment.size, &streamWidth, &streamHeight) ||
        streamWidth != it.width || streamHeight != it.height || it.x_offset < 0 ||
        it.y_offset < 0 || it.x_offset + it.width > canvasWidth ||
        it.y_offset + it.height > canvasHeight) {
        ThrowInvalidFormat(kFormat);
    }
    const bool coversCanvas = it.width == canvasWidth && it.height == canvasHeight;
    const bool alpha = it.has_alpha || !coversCanvas;
    const PixelFormat format = alpha ? PixelFormat::Bgra32 : PixelFormat::Bgr24;
    const int bpp = alpha ? 4 : 3;

    // The picture, the decoder's own whole-frame buffers (a lossless frame
    // is decoded through 32-bit rows of the whole frame) and the file's
    // bytes, which the caller holds while this decodes.
    MemoryBudget::Reservation reservation = MemoryBudget::Process().Reserve(
        RowStride(canvasWidth, format) * std::uint64_t(canvasHeight) +
            std::uint64_t(it.width) * std::uint64_t(it.height) * 4 + data.size(),
        "WebP picture");
    // Uncovered canvas stays transparent (zero), and so does the padding.
    Bitmap picture(canvasWidth, canvasHeight, format, reservation);
    const std::size_t offset =
        static_cast<std::size_t>(it.y_offset) * picture.Stride() + std::size_t(it.x_offset) * bpp;
    std::uint8_t* target = picture.Bits() + offset;
    const std::size_t room = picture.SizeInBytes() - offset;
    const int stride = static_cast<int>(picture.Stride());
    const std::uint8_t* decoded =
        alpha ? WebPDecodeBGRAInto(it.fragment.bytes, it.fragment.size, target, room, stride)
              : WebPDecodeBGRInto(it.fragment.bytes, it.fragment.size, target, room, stride);
    if (!decoded) ThrowCompressionError(kFormat);

    std::vector<std::uint8_t> profile =
        ChunkPayload(demuxer.get(), "ICCP", limits::kMaxColourProfileBytes, false);
    const int orientation =
        OrientationOf(ChunkPayload(demuxer.get(), "EXIF", kExifBytesRead, true));
    return DecodedPicture{std::move(picture), std::move(profile), orientation};
}

namespace {
constexpr std::string_view kWebpExtensions[] = {"webp"};
bool WebpHeadFits(std::span<const std::uint8_t> head) {
    return WebpReader::RecognisesContent(head);
}
}  // namespace

const PictureFormat kWebpFormat{
    "webp", kWebpExtensions,         {}, &WebpReader::RecognisesContent, &WebpHeadFits, false, true,
    true,   &MakeDecoder<WebpReader>};

}  // namespace pictorel
