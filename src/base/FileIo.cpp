#include "base/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pictorel {

bool WriteAllBytes(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int OpenRegularFile(const std::string& path, int flags, struct stat* info) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A named pipe opened for writing without a reader.
        if (errno == ENXIO) errno = EINVAL;
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    const int fileFlags = ::fcntl(fd, F_GETFL);
    if ((flags & O_NONBLOCK) == 0 &&
        (fileFlags < 0 || ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK) != 0)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    if (info) *info = status;
    return fd;
}

std::string OpenFailureReason(int errorCode) {
    // OpenRegularFile reports a pipe, a device or a folder as EINVAL, whose
    // own text ("Invalid argument") would point at the program instead.
    return errorCode == EINVAL ? "not a regular file" : SystemErrorText(errorCode);
}

std::string SystemErrorText(int errorCode) {
    char buffer[256];
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    // The GNU strerror_r returns its text, in `buffer` or a static string.
    return ::strerror_r(errorCode, buffer, sizeof buffer);
#else
    // The POSIX one (the WebAssembly build's libc) fills `buffer`.
    if (::strerror_r(errorCode, buffer, sizeof buffer) != 0)
        return "error " + std::to_string(errorCode);
    return buffer;
#endif
}

}  // namespace pictorel
