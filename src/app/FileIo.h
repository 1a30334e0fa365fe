// Low-level file writing shared by the settings store, the log and the JPEG output.
#pragma once

#include <cstddef>

namespace pictorel {

// Writes all `size` bytes to the descriptor, retrying short and interrupted
// writes. False on failure, with errno telling why (EIO for a write that
// made no progress).
bool WriteAllBytes(int fd, const void* data, std::size_t size);

}  // namespace pictorel
