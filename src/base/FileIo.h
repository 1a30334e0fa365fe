// Low-level file access shared by the settings store, the log, the picture
// reader and the JPEG output.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace pictorel {

// Writes all `size` bytes to the descriptor, retrying short and interrupted
// writes. False on failure, with errno telling why (EIO for a write that
// made no progress).
bool WriteAllBytes(int fd, const void* data, std::size_t size);

// Opens `path` with the open(2) `flags` (O_CREAT creates it with mode 0666
// less the umask) only when it is a regular file. The open itself never
// waits: a named pipe, a device, a socket or a folder is refused instead of
// blocking the program until some other process answers. The descriptor is
// returned in blocking mode, close-on-exec, with the file's status in `info`
// when asked for. On failure -1, with errno telling why (ENOENT for a
// missing file, EINVAL for one that is no regular file).
int OpenRegularFile(const std::string& path, int flags, struct stat* info = nullptr);

// The reason of an OpenRegularFile failure for a person to read: the
// system's text for `errorCode`, "not a regular file" for its EINVAL.
std::string OpenFailureReason(int errorCode);

// The system's text for an errno value (thread-safe, unlike strerror).
std::string SystemErrorText(int errorCode);

}  // namespace pictorel
