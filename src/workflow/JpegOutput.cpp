#include "workflow/JpegOutput.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string_view>

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
bool Compress(const Bitmap& bgr, int quality, JSAMPLE* row, MemoryDestination& dest,
              ErrorManager& err) {
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
    jpeg_set_quality(&cinfo, quality, TRUE);
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
    return EncodeJpeg(image, kJpegQuality);
}

std::vector<std::uint8_t> EncodeJpeg(const Bitmap& image, int quality) {
    Bitmap converted;
    const Bitmap* bgr = &image;
    if (image.Format() != PixelFormat::Bgr24) {
        converted = image.ToBgr24();
        bgr = &converted;
    }
    std::vector<JSAMPLE> row(static_cast<std::size_t>(bgr->Width()) * 3 + 1);
    MemoryDestination dest;
    ErrorManager err;
    err.message[0] = '\0';
    const bool ok = Compress(*bgr, quality, row.data(), dest, err);
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
    if (n == 0) return base;
    return base.substr(0, base.size() - 4) + "-" + std::to_string(n) + ".jpg";
}

namespace {

constexpr std::string_view kTemporaryPrefix = ".pictorel-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kTemporaryLetters = 6;
// A temporary lives for the few milliseconds of one write; one this old
// belongs to no run still going.
constexpr std::time_t kLeftoverAgeSeconds = 600;

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Removes what killed runs left in `folder` (ending in "/"); a folder that
// cannot be read is left alone, the write that follows reports it.
void RemoveLeftoverTemporaries(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(folder.c_str()), ::closedir);
    if (!handle) return;
    const std::time_t now = std::time(nullptr);
    const uid_t self = ::geteuid();
    while (const dirent* entry = ::readdir(handle.get())) {
        if (!IsOwnTemporaryName(entry->d_name)) continue;
        struct stat info {};
        if (::fstatat(::dirfd(handle.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISREG(info.st_mode) || info.st_uid != self) continue;
        if (now - info.st_mtime < kLeftoverAgeSeconds) continue;  // another run's, in hand
        ::unlinkat(::dirfd(handle.get()), entry->d_name, 0);
    }
}

// Creates a new temporary file in `folder` with the mode an ordinary new
// file gets (0666 less the umask). Returns the descriptor, or -1 with errno.
int CreateTemporary(const std::string& folder, std::string& name) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + std::string(kTemporaryPrefix);
        for (std::size_t i = 0; i < kTemporaryLetters; ++i) name += kLetters[letter(random)];
        name += kTemporarySuffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// How the finished temporary gets its final name; file systems differ in
// what they offer, each way refuses a taken name.
enum class Naming { RenameNoReplace, HardLink, ExclusiveCopy };

bool Unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM ||
           error == EMLINK || error == EXDEV;
}

// Gives `temporary` the name `candidate` unless that is taken. 0 when done,
// else the errno (EEXIST: taken); `naming` steps down when a way is refused.
int GiveName(const std::string& temporary, const std::string& candidate,
             const std::vector<std::uint8_t>& jpeg, Naming& naming) {
#ifndef RENAME_NOREPLACE  // Linux only: the WebAssembly build's file system has links at best
    if (naming == Naming::RenameNoReplace) naming = Naming::HardLink;
#else
    if (naming == Naming::RenameNoReplace) {
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, candidate.c_str(),
                        RENAME_NOREPLACE) == 0)
            return 0;
        if (!Unsupported(errno)) return errno;
        naming = Naming::HardLink;
    }
#endif
    if (naming == Naming::HardLink) {
        if (::link(temporary.c_str(), candidate.c_str()) == 0) {
            ::unlink(temporary.c_str());
            return 0;
        }
        if (!Unsupported(errno)) return errno;
        naming = Naming::ExclusiveCopy;
    }
    // Neither way is offered: the bytes are written once more under the new
    // name, created exclusively, and the temporary is dropped.
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    const bool written = WriteAllBytes(fd, jpeg.data(), jpeg.size());
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written) error = errno;
    if (error != 0) {
        ::unlink(candidate.c_str());  // our own, freshly created file
        return error;
    }
    ::unlink(temporary.c_str());
    return 0;
}

}  // namespace

bool IsOwnTemporaryName(const std::string& fileName) {
    const std::string_view name = fileName;
    if (name.size() != kTemporaryPrefix.size() + kTemporaryLetters + kTemporarySuffix.size() ||
        !name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix))
        return false;
    const std::string_view letters = name.substr(kTemporaryPrefix.size(), kTemporaryLetters);
    return std::all_of(letters.begin(), letters.end(), IsAsciiAlnum);
}

SaveFailure::SaveFailure(std::string file, const std::string& reason, int errorCode)
    : IoError(SaveFailedMessage(file, reason), reason, errorCode), file_(std::move(file)) {}

namespace {

// Writes `bytes` to a temporary in `folder`, then gives it the first free
// name among candidate(next), candidate(next + 1), ...; `next` becomes the
// number after the one given.
std::string WriteUnderFreeName(const std::vector<std::uint8_t>& bytes, const std::string& folder,
                               const std::function<std::string(unsigned long long)>& candidate,
                               unsigned long long& next) {
    const auto fail = [](const std::string& name, int error) -> std::string {
        throw SaveFailure(name, SystemErrorText(error), error);
    };
    std::string temporary;
    const int fd = CreateTemporary(folder, temporary);
    if (fd < 0) return fail(candidate(next), errno);
    const bool written = WriteAllBytes(fd, bytes.data(), bytes.size());
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return fail(candidate(next), error);
    }

    Naming naming = Naming::RenameNoReplace;
    for (unsigned long long n = next;; ++n) {
        const std::string name = candidate(n);
        error = GiveName(temporary, name, bytes, naming);
        if (error == EEXIST) continue;  // taken (a file, folder or link): next name
        if (error != 0) {
            ::unlink(temporary.c_str());
            return fail(name, error);
        }
        next = n + 1;
        return name;
    }
}

}  // namespace

std::string JpegFileWriter::Save(const std::vector<std::uint8_t>& jpeg, const std::string& path) {
    const std::string firstName = JpegOutputName(path);
    const std::string folder = WithTrailingSlash(FolderPart(firstName));
    const std::string folderOrHere = folder.empty() ? std::string("./") : folder;
    if (clearedFolders_.insert(folderOrHere).second) RemoveLeftoverTemporaries(folderOrHere);
    return WriteUnderFreeName(
        jpeg, folder, [&path](unsigned long long n) { return JpegCandidateName(path, n); },
        nextNumber_[firstName]);
}

std::string SaveNewFile(const std::vector<std::uint8_t>& bytes, const std::string& folder,
                        const std::function<std::string(unsigned long long)>& candidate) {
    unsigned long long first = 0;
    return WriteUnderFreeName(bytes, WithTrailingSlash(folder), candidate, first);
}

std::string SaveJpegBytes(const std::vector<std::uint8_t>& jpeg, const std::string& path) {
    JpegFileWriter writer;
    return writer.Save(jpeg, path);
}

std::string SaveFailedMessage(const std::string& file, const std::string& reason) {
    return "ファイル " + file + " を保存できませんでした。\n" + reason;
}

std::optional<std::string> SaveResultAsJpeg(const Bitmap* image, const std::string& path,
                                            JpegFileWriter* writer) {
    if (!image || image->Empty()) return std::nullopt;
    std::vector<std::uint8_t> jpeg;
    try {
        jpeg = EncodeJpeg(*image);
    } catch (const Error& e) {
        throw SaveFailure(JpegOutputName(path), e.what());
    }
    if (writer) return writer->Save(jpeg, path);
    return SaveJpegBytes(jpeg, path);
}

}  // namespace pictorel
