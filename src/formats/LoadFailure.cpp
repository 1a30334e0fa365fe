#include "formats/LoadFailure.h"

#include <filesystem>
#include <system_error>

namespace pictorel {

std::string LoadFailedMessage(const std::string& path) {
    // The full path tells which of several same-named files failed; a path
    // that cannot be made absolute is shown as given.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return std::string(kLoadFailedMessage) + "\n" + (ec ? path : full.lexically_normal().string());
}

}  // namespace pictorel
