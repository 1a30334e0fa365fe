#include "workflow/RunDestination.h"

#include "base/PathText.h"
#include "workflow/FileUtils.h"

namespace pictorel {

std::string SameFolderPrefix(const std::string& source) {
    return NormalizeFolderPath(FolderPart(source)) + kSameFolderPrefix;
}

std::string RunDestination::PrefixFor(const std::string& source) {
    if (!named_) prefix_ = SameFolderPrefix(source);
    return prefix_;
}

std::string RunDestination::FolderToOpen() const {
    if (named_ || prefix_.empty()) return prefix_;
    return prefix_.substr(0, prefix_.size() - std::string_view(kSameFolderPrefix).size());
}

std::string RunDestination::OutputPathFor(const std::string& source) {
    return PrefixFor(source) + FileNamePart(source);
}

}  // namespace pictorel
