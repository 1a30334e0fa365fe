#include "app/LoadFailure.h"

#include <filesystem>
#include <system_error>

namespace pictorel {

std::string LoadFailedMessage(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return std::string(kLoadFailedMessage) + "\n" + (ec ? path : full.lexically_normal().string());
}

}  // namespace pictorel
