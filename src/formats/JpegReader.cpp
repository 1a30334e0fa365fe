#include "formats/JpegReader.h"

#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "base/Errors.h"
#include "formats/ColourProfile.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

const std::string kFormat = "JPEG";

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// libjpeg may not return from error_exit: jump back to the decoder's frame.
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (corrupt or missing data that libjpeg repairs) stay silent.
void OutputMessage(j_common_ptr) {}

// No encoder writes more scans than this (a progressive file has about ten);
// every scan walks the whole picture, so a file of a hundred thousand empty
// scans would keep the decoder busy for minutes.
constexpr int kMaxScans = 1000;

// The ICC profile comes in APP2 chunks of at most 65533 bytes, each after a
// 14-byte header ("ICC_PROFILE\0", sequence number, chunk count) and
// numbered 1 to at most 255, so it never exceeds 255 * 65519 bytes.
constexpr std::size_t kIccHeaderBytes = 14;
constexpr int kMaxIccChunks = 255;
constexpr std::size_t kMaxSegmentBytes = 65533;
static_assert(kMaxIccChunks * (kMaxSegmentBytes - kIccHeaderBytes) == 255 * 65519);

// The ICC profile's chunks gathered from the header's APP2 segments. A
// profile with an inconsistent chunk count, a chunk number out of range, a
// repeated or a missing chunk, or no bytes at all is dropped whole. Each
// number is kept once, so the profile stays within its largest size.
struct IccChunks {
    std::array<std::vector<std::uint8_t>, kMaxIccChunks + 1> chunks;
    std::array<bool, kMaxIccChunks + 1> present{};
    int count = 0;
    bool broken = false;

    void Add(std::span<const std::uint8_t> segment) {
        static const std::uint8_t kTag[12] = {'I', 'C', 'C', '_', 'P', 'R',
                                              'O', 'F', 'I', 'L', 'E', 0};
        if (broken || segment.size() < kIccHeaderBytes ||
            std::memcmp(segment.data(), kTag, sizeof kTag) != 0) {
            return;
        }
        const int number = segment[12];
        const int declared = segment[13];
        if (count == 0) count = declared;
        broken = declared != count || number < 1 || number > count || present[number];
        if (broken) return;
        present[number] = true;
        chunks[number].assign(segment.begin() + kIccHeaderBytes, segment.end());
    }

    // The chunks joined in number order; empty when there is no whole profile.
    std::vector<std::uint8_t> Profile() const {
        std::vector<std::uint8_t> profile;
        if (broken || count == 0) return profile;
        std::size_t total = 0;
        for (int n = 1; n <= count; ++n) {
            if (!present[n]) return profile;
            total += chunks[n].size();
        }
        profile.reserve(total);
        for (int n = 1; n <= count; ++n)
            profile.insert(profile.end(), chunks[n].begin(), chunks[n].end());
        return profile;
    }
};

// Everything the decoder keeps across library calls lives here, on the
// heap, so that a longjmp out of libjpeg skips no C++ object.
struct JpegDecoder {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager err{};
    bool created = false;
    Bitmap bitmap;
    std::vector<JSAMPROW> rows;
    std::vector<std::uint8_t> cmyk;
    int orientation = 1;
    // Set once the header is read: segments between scans are skipped.
    bool headerRead = false;
    // The APP1 or APP2 segment being read.
    std::vector<std::uint8_t> segment;
    IccChunks iccChunks;
    // The APP2 "ICC_PROFILE" segments joined in sequence-number order.
    std::vector<std::uint8_t> iccProfile;
    // Set for a CMYK picture with an embedded CMYK profile.
    std::unique_ptr<CmykProfileConverter> cmykProfile;
    // The picture's pixels and libjpeg's whole-image coefficient arrays of a
    // progressive file, reserved together.
    MemoryBudget::Reservation reservation;
    // What a row sink reserved short of the coefficient arrays, if anything.
    MemoryBudget::Reservation shortfall;
    jpeg_progress_mgr progress{};

    JpegDecoder() {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = ErrorExit;
        err.pub.output_message = OutputMessage;
        progress.progress_monitor = LimitScans;
        segment.reserve(kMaxSegmentBytes);
    }
    ~JpegDecoder() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
    // Call after setjmp(err.jump): creating may already fail.
    void Create() {
        jpeg_create_decompress(&cinfo);
        created = true;
        cinfo.client_data = this;
        cinfo.progress = &progress;
        // Only the segments the program reads are kept, as they come: libjpeg's
        // own saving walks its whole list for every segment it adds, so a file
        // of many small segments would load in quadratic time.
        jpeg_set_marker_processor(&cinfo, JPEG_APP0 + 1, ReadAppSegment);
        jpeg_set_marker_processor(&cinfo, JPEG_APP0 + 2, ReadAppSegment);
    }

  private:
    // Called by libjpeg as it decodes: refuses a file of more scans than
    // any encoder writes, with the damaged-file message.
    static void LimitScans(j_common_ptr common) {
        auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
        if (cinfo->input_scan_number <= kMaxScans) return;
        common->err->msg_code = JERR_BAD_PROGRESSION;
        (*common->err->error_exit)(common);
    }

    // Reads an APP1 or APP2 segment of the header: the first EXIF
    // orientation other than 1 and the ICC profile's chunks are kept.
    static boolean ReadAppSegment(j_decompress_ptr cinfo) {
        auto& d = *static_cast<JpegDecoder*>(cinfo->client_data);
        jpeg_source_mgr& src = *cinfo->src;
        std::uint8_t lengthBytes[2];
        for (std::uint8_t& byte : lengthBytes) {
            if (src.bytes_in_buffer == 0) (*src.fill_input_buffer)(cinfo);
            byte = *src.next_input_byte++;
            --src.bytes_in_buffer;
        }
        // The length counts its own two bytes; a shorter one means no data.
        const std::size_t length = (std::size_t{lengthBytes[0]} << 8) | lengthBytes[1];
        const std::size_t payload = length > 2 ? length - 2 : 0;
        if (d.headerRead) {
            if (payload > 0) (*src.skip_input_data)(cinfo, static_cast<long>(payload));
            return TRUE;
        }
        // The memory source refills without fail (an end marker past the end
        // of the data), so the reading never suspends.
        d.segment.resize(payload);  // within the capacity reserved up front
        for (std::size_t done = 0; done < payload;) {
            if (src.bytes_in_buffer == 0) (*src.fill_input_buffer)(cinfo);
            const std::size_t take = std::min(payload - done, src.bytes_in_buffer);
            std::memcpy(d.segment.data() + done, src.next_input_byte, take);
            src.next_input_byte += take;
            src.bytes_in_buffer -= take;
            done += take;
        }
        if (cinfo->unread_marker == JPEG_APP0 + 1) {
            if (d.orientation == 1) d.orientation = ExifOrientation(d.segment);
            return TRUE;
        }
        // No exception may cross libjpeg's frames: a chunk that cannot be
        // kept fails the file as libjpeg's own allocation failures do.
        bool kept = true;
        try {
            d.iccChunks.Add(d.segment);
        } catch (const std::bad_alloc&) {
            kept = false;
        }
        if (!kept) {
            cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
            (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
        }
        return TRUE;
    }
};

std::uint16_t Get16(const std::uint8_t* p, bool little) {
    return little ? static_cast<std::uint16_t>(p[0] | (p[1] << 8))
                  : static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t Get32(const std::uint8_t* p, bool little) {
    return little ? (std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                     (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24))
                  : ((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                     (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]});
}

// Huffman coding spends at least two bits per 8x8 block in a sequential
// file (a DC code and an end-of-block code), and at least one in the first
// DC scan of a progressive file, so a file cannot hold more blocks than four
// (eight) per byte. Arithmetic coding has no such floor; the memory budget
// bounds those files.
void CheckBlocksFit(const jpeg_decompress_struct& cinfo, std::size_t fileBytes) {
    if (cinfo.arith_code) return;
    std::uint64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        blocks += std::uint64_t{comp.width_in_blocks} * comp.height_in_blocks;
    }
    const unsigned blocksPerByte = cinfo.progressive_mode ? 8 : 4;
    CheckDataFits((blocks + blocksPerByte - 1) / blocksPerByte, fileBytes, kFormat);
}

// A progressive file is decoded through coefficient arrays of the whole
// image, allocated by jpeg_start_decompress: 64 coefficients of 2 bytes for
// every block of every component.
std::uint64_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
    if (!cinfo.progressive_mode && !cinfo.buffered_image) return 0;
    std::uint64_t bytes = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        // Rounded up to whole MCU rows and columns, as libjpeg allocates them.
        const std::uint64_t w = comp.width_in_blocks + comp.h_samp_factor;
        const std::uint64_t h = comp.height_in_blocks + comp.v_samp_factor;
        bytes += w * h * DCTSIZE2 * sizeof(JCOEF);
    }
    return bytes;
}

// Ink to light: Adobe files store inverted CMYK (255 = no ink).
void CmykRowToBgr(const std::uint8_t* in, std::uint8_t* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

// The decoding choices read off the header.
enum class JpegOutput { Bgr24, Grey8, Cmyk };

// Reads the header, checks the picture's limits and picks the output
// colours. Only trivially destructible locals here: libjpeg may longjmp out.
JpegOutput ReadHeader(JpegDecoder& d, std::span<const std::uint8_t> data) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    d.headerRead = true;
    d.segment = {};
    CheckPictureSize(cinfo.image_width, cinfo.image_height, kFormat);
    CheckBlocksFit(cinfo, data.size());
    d.iccProfile = d.iccChunks.Profile();
    d.iccChunks = {};

    JpegOutput output = JpegOutput::Bgr24;
    if (cinfo.num_components == 1) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        output = JpegOutput::Grey8;
    } else if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        cinfo.out_color_space = JCS_CMYK;
        output = JpegOutput::Cmyk;
    } else {
        cinfo.out_color_space = JCS_EXT_BGR;
    }
    jpeg_calc_output_dimensions(&cinfo);
    return output;
}

// Decodes the whole picture into d.bitmap. Only trivially destructible
// locals here: libjpeg may longjmp out of it.
void DecodeWhole(JpegDecoder& d, JpegOutput output) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    const bool cmyk = output == JpegOutput::Cmyk;
    const PixelFormat format =
        output == JpegOutput::Grey8 ? PixelFormat::Indexed8 : PixelFormat::Bgr24;
    if (cmyk) {
        d.cmykProfile = CmykProfileConverter::Create(d.iccProfile, cinfo.saw_Adobe_marker != 0);
    }
    d.reservation = MemoryBudget::Process().Reserve(
        CoefficientBytes(cinfo) + RowStride(cinfo.output_width, format) * cinfo.output_height,
        "JPEG picture");
    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    d.bitmap = Bitmap::Uninitialized(width, height, format, d.reservation);
    if (format == PixelFormat::Indexed8) d.bitmap.SetGreyColorTable();
    d.rows.resize(static_cast<std::size_t>(height));

    if (cmyk) {
        d.cmyk.resize(static_cast<std::size_t>(width) * 4);
        JSAMPROW row = d.cmyk.data();
        while (cinfo.output_scanline < cinfo.output_height) {
            const int y = static_cast<int>(cinfo.output_scanline);
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
            if (d.cmykProfile) {
                d.cmykProfile->ConvertRow(d.cmyk.data(), d.bitmap.ScanLine(y), width);
            } else {
                CmykRowToBgr(d.cmyk.data(), d.bitmap.ScanLine(y), width,
                             cinfo.saw_Adobe_marker != 0);
            }
        }
    } else {
        for (int y = 0; y < height; ++y) d.rows[static_cast<std::size_t>(y)] = d.bitmap.ScanLine(y);
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION done = cinfo.output_scanline;
            if (jpeg_read_scanlines(&cinfo, d.rows.data() + done, cinfo.output_height - done) ==
                0) {
                break;
            }
        }
    }
    // Rows libjpeg could not deliver and the row padding are zeroed.
    const std::size_t used =
        static_cast<std::size_t>(width) * (format == PixelFormat::Indexed8 ? 1 : 3);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = d.bitmap.ScanLine(y);
        if (static_cast<JDIMENSION>(y) >= cinfo.output_scanline) {
            std::memset(row, 0, d.bitmap.Stride());
        } else {
            std::memset(row + used, 0, d.bitmap.Stride() - used);
        }
    }
}

// Hands the rows of a 24-bit picture to `sink` as they are decoded. Rows
// libjpeg could not deliver are handed over black, as DecodeWhole leaves
// them. Only trivially destructible locals here: libjpeg may longjmp out.
void DecodeIntoSink(JpegDecoder& d, RowSink& sink) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    jpeg_start_decompress(&cinfo);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(cinfo.output_width);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = sink.NextRow();
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        sink.RowDone();
    }
    for (JDIMENSION y = cinfo.output_scanline; y < cinfo.output_height; ++y) {
        std::memset(sink.NextRow(), 0, rowBytes);
        sink.RowDone();
    }
}

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> app1) {
    static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < 6 + 8 || std::memcmp(app1.data(), kExif, 6) != 0) return 1;
    const std::span<const std::uint8_t> tiff = app1.subspan(6);
    bool little = false;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        little = true;
    } else if (!(tiff[0] == 'M' && tiff[1] == 'M')) {
        return 1;
    }
    if (Get16(tiff.data() + 2, little) != 42) return 1;
    const std::uint64_t ifd = Get32(tiff.data() + 4, little);
    if (ifd + 2 > tiff.size()) return 1;
    const unsigned count = Get16(tiff.data() + ifd, little);
    for (unsigned i = 0; i < count; ++i) {
        const std::uint64_t entry = ifd + 2 + std::uint64_t{i} * 12;
        if (entry + 12 > tiff.size()) return 1;
        const std::uint8_t* e = tiff.data() + entry;
        if (Get16(e, little) != 0x112) continue;
        if (Get16(e + 2, little) != 3 || Get32(e + 4, little) < 1) return 1;
        const int value = Get16(e + 8, little);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

DecodedPicture JpegReader::Decode(std::span<const std::uint8_t> data) {
    auto d = std::make_unique<JpegDecoder>();
    if (setjmp(d->err.jump)) ThrowInvalidFormat(kFormat);
    d->Create();
    DecodeWhole(*d, ReadHeader(*d, data));
    return DecodedPicture{std::move(d->bitmap), std::move(d->iccProfile), d->orientation};
}

bool JpegReader::DeliverRows(std::span<const std::uint8_t> data, RowSink& sink,
                             std::vector<std::uint8_t>& iccProfile) {
    iccProfile.clear();
    auto d = std::make_unique<JpegDecoder>();
    if (setjmp(d->err.jump)) ThrowInvalidFormat(kFormat);
    d->Create();
    // Only colour pictures come row by row: grey and CMYK ones take other steps.
    if (ReadHeader(*d, data) != JpegOutput::Bgr24) return false;
    iccProfile = std::move(d->iccProfile);
    const std::uint64_t coefficientBytes = CoefficientBytes(d->cinfo);
    // The sink reserves the coefficient arrays with its own rows, before
    // any of them is allocated.
    if (!sink.Accept(RowPicture{static_cast<int>(d->cinfo.output_width),
                                static_cast<int>(d->cinfo.output_height), d->orientation,
                                iccProfile, coefficientBytes},
                     d->reservation)) {
        iccProfile.clear();
        return false;
    }
    if (d->reservation.Bytes() < coefficientBytes) {
        d->shortfall = MemoryBudget::Process().Reserve(coefficientBytes - d->reservation.Bytes(),
                                                       "JPEG picture");
    }
    DecodeIntoSink(*d, sink);
    return true;
}

namespace {
constexpr std::string_view kJpegExtensions[] = {"jpg", "jpeg"};
constexpr std::string_view kJpegReadOnlyExtensions[] = {"jfif", "jpe"};
bool JpegHeadFits(std::span<const std::uint8_t> head) {
    return StartsWith(head, "\xff\xd8");
}
}  // namespace

// Not claimed by content: a JPEG file goes to this decoder by its extension,
// or under a newer format's extension (takesJpegUnderItsName).
const PictureFormat kJpegFormat{"jpeg",  kJpegExtensions, kJpegReadOnlyExtensions,
                                nullptr, &JpegHeadFits,   true,
                                false,   false,           &MakeDecoder<JpegReader>};

}  // namespace pictorel
