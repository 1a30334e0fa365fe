#include "editor/EditHistory.h"

#include <utility>

namespace pictorel {

namespace {

std::uint64_t BytesOf(const std::optional<Bitmap>& picture) {
    return picture ? picture->SizeInBytes() : 0;
}

}  // namespace

std::uint64_t EditStep::Bytes() const {
    return BytesOf(before.result) + BytesOf(workPictures.workSquare) +
           BytesOf(workPictures.workView);
}

void EditHistory::Push(EditStep step) {
    bytes_ += step.Bytes();
    steps_.push_back(std::move(step));
    while (steps_.size() > 1 && (steps_.size() > kMaxSteps || bytes_ > kMaxBytes)) {
        bytes_ -= steps_.front().Bytes();
        steps_.pop_front();
    }
}

std::optional<EditStep> EditHistory::Pop() {
    if (steps_.empty()) return std::nullopt;
    EditStep step = std::move(steps_.back());
    steps_.pop_back();
    bytes_ -= step.Bytes();
    return step;
}

void EditHistory::Clear() {
    steps_.clear();
    bytes_ = 0;
}

}  // namespace pictorel
