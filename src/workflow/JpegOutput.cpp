#include "workflow/JpegOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

#include "base/Errors.h"
#include "base/FileIo.h"
#include "base/PathText.h"

namespace pictorel {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
// It jumps back to the setjmp in Compress; no C++ object with a destructor
// lives in the frames between, so nothing is skipped.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr) {}  // warnings are not printed

// A growing malloc'd output buffer that this code owns, so that it is freed
// on every path (libjpeg's own memory destination loses track of its buffer
// when an error strikes after it has grown).
struct MemoryDestination {
    jpeg_destination_mgr pub;
    JOCTET* data = nullptr;
    std::size_t capacity = 0;
    std::size_t size = 0;
};

extern "C" void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->capacity = 65536;
    dest->data = static_cast<JOCTET*>(std::malloc(dest->capacity));
    if (!dest->data) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->pub.next_output_byte = dest->data;
    dest->pub.free_in_buffer = dest->capacity;
}

extern "C" boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const std::size_t used = dest->capacity;  // libjpeg calls this only when the buffer is full
    auto* grown = static_cast<JOCTET*>(std::realloc(dest->data, dest->capacity * 2));
    if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    dest->data = grown;
    dest->capacity *= 2;
    dest->pub.next_output_byte = dest->data + used;
    dest->pub.free_in_buffer = dest->capacity - used;
    return TRUE;
}

extern "C" void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->size = dest->capacity - dest->pub.free_in_buffer;
}

// Compresses a 24-bit B,G,R picture; `row` holds width * 3 bytes. Returns
// false with err.message set when libjpeg fails. dest.data is owned by the
// caller afterwards, whatever the outcome.
bool Compress(const Bitmap& bgr, JSAMPLE* row, MemoryDestination& dest, ErrorManager& err) {
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.output_message = OnJpegMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutputBuffer;
    dest.pub.term_destination = TermDestination;
    cinfo.dest = &dest.pub;

    cinfo.image_width = static_cast<JDIMENSION>(bgr.Width());
    cinfo.image_height = static_cast<JDIMENSION>(bgr.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kJpegQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t width = static_cast<std::size_t>(bgr.Width());
    const std::uint8_t* bits = bgr.Bits();
    while (cinfo.next_scanline < cinfo.image_height) {
        const std::uint8_t* src = bits + bgr.Stride() * cinfo.next_scanline;
        for (std::size_t x = 0; x < width; ++x) {
            row[3 * x] = src[3 * x + 2];
            row[3 * x + 1] = src[3 * x + 1];
            row[3 * x + 2] = src[3 * x];
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const Bitmap& image) {
    Bitmap converted;
    const Bitmap* bgr = &image;
    if (image.Format() != PixelFormat::pf24bit) {
        converted = image.ToBgr24();
        bgr = &converted;
    }
    std::vector<JSAMPLE> row(static_cast<std::size_t>(bgr->Width()) * 3 + 1);
    MemoryDestination dest;
    ErrorManager err;
    err.message[0] = '\0';
    const bool ok = Compress(*bgr, row.data(), dest, err);
    std::unique_ptr<JOCTET, void (*)(void*)> data(dest.data, std::free);
    if (!ok) throw Error(std::string("JPEG encoding failed: ") + err.message);
    return std::vector<std::uint8_t>(data.get(), data.get() + dest.size);
}

std::string JpegOutputName(const std::string& path) {
    const std::string name = FileNamePart(path);
    const auto dot = name.rfind('.');
    const std::size_t stemEnd =
        path.size() - name.size() + (dot == std::string::npos ? name.size() : dot);
    return path.substr(0, stemEnd) + ".jpg";
}

std::string JpegCandidateName(const std::string& path, unsigned long long n) {
    const std::string base = JpegOutputName(path);
    return base.substr(0, base.size() - 4) + "-" + std::to_string(n) + ".jpg";
}

bool SaveJpegBytes(const std::vector<std::uint8_t>& jpeg, const std::string& path,
                   std::string* writtenPath, std::string* errorText) {
    const auto fail = [writtenPath, errorText](const std::string& candidate, int error) {
        if (writtenPath) *writtenPath = candidate;
        if (errorText) *errorText = candidate + ": " + std::strerror(error);
        return false;
    };
    for (unsigned long long n = 0;; ++n) {
        const std::string candidate = n == 0 ? JpegOutputName(path) : JpegCandidateName(path, n);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;  // taken (a file, folder or link): next name
        if (fd < 0) return fail(candidate, errno);
        const bool written = WriteAllBytes(fd, jpeg.data(), jpeg.size());
        int error = errno;
        const bool closed = ::close(fd) == 0;
        if (written && !closed) error = errno;
        if (!written || !closed) {
            ::unlink(candidate.c_str());  // our own, freshly created file
            return fail(candidate, error);
        }
        if (writtenPath) *writtenPath = candidate;
        return true;
    }
}

std::string SaveFailedMessage(const std::string& file, const std::string& reason) {
    return "ファイル " + file + " を保存できませんでした。\n" + reason;
}

bool SaveResultAsJpeg(const Bitmap* image, const std::string& path, std::string* writtenPath,
                      std::string* errorText) {
    if (!image || image->Empty()) return false;
    std::vector<std::uint8_t> jpeg;
    try {
        jpeg = EncodeJpeg(*image);
    } catch (const std::exception& e) {
        if (errorText) *errorText = e.what();
        return false;
    }
    return SaveJpegBytes(jpeg, path, writtenPath, errorText);
}

}  // namespace pictorel
