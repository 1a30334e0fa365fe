// The user's output sizes while the sizes dialog edits them: adding,
// changing and removing sizes, each refused with the reason in the user's
// words when the list would hold an unsound size or a name twice.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "workflow/OutputSize.h"

namespace pictorel {

class OutputSizeList {
  public:
    explicit OutputSizeList(std::vector<OutputSize> sizes) : sizes_(std::move(sizes)) {}

    const std::vector<OutputSize>& Sizes() const { return sizes_; }

    // Each returns the reason it refused, or empty when done.
    std::string Add(const OutputSize& size);
    std::string Change(std::size_t index, const OutputSize& size);
    std::string Remove(std::size_t index);

  private:
    // Why `size` cannot take place `index` (sizes_.size() for a new one).
    std::string Problem(const OutputSize& size, std::size_t index) const;

    std::vector<OutputSize> sizes_;
};

inline constexpr const char* kDuplicateSizeNameMessage = "同じ名前の出力サイズがあります。";
inline constexpr const char* kDefaultSizeNameMessage = "「標準」は名前に使えません。";
inline constexpr const char* kNoSizeSelectedMessage = "出力サイズを選んで下さい。";

}  // namespace pictorel
