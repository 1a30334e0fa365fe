#include "workflow/OutputSizeList.h"

namespace pictorel {

std::string OutputSizeList::Problem(const OutputSize& size, std::size_t index) const {
    // The drop-down shows the default as "標準": a size of that name would
    // look like it.
    if (size.name == "標準") return kDefaultSizeNameMessage;
    std::string problem = OutputSizeProblem(size);
    if (!problem.empty()) return problem;
    if (sizes_.size() >= static_cast<std::size_t>(kMaxOutputSizes) && index == sizes_.size())
        return "出力サイズは " + std::to_string(kMaxOutputSizes) + " 個までです。";
    for (std::size_t i = 0; i < sizes_.size(); ++i)
        if (i != index && sizes_[i].name == size.name) return kDuplicateSizeNameMessage;
    return {};
}

std::string OutputSizeList::Add(const OutputSize& size) {
    std::string problem = Problem(size, sizes_.size());
    if (problem.empty()) sizes_.push_back(size);
    return problem;
}

std::string OutputSizeList::Change(std::size_t index, const OutputSize& size) {
    if (index >= sizes_.size()) return kNoSizeSelectedMessage;
    std::string problem = Problem(size, index);
    if (problem.empty()) sizes_[index] = size;
    return problem;
}

std::string OutputSizeList::Remove(std::size_t index) {
    if (index >= sizes_.size()) return kNoSizeSelectedMessage;
    sizes_.erase(sizes_.begin() + static_cast<std::ptrdiff_t>(index));
    return {};
}

}  // namespace pictorel
