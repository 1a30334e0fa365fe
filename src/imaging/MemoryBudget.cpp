#include "imaging/MemoryBudget.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>

#include "base/Errors.h"
#include "base/Limits.h"

namespace pictorel {

MemoryBudget::Reservation::Reservation(Reservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr)),
      bytes_(std::exchange(other.bytes_, 0)),
      owner_(other.owner_) {}

MemoryBudget::Reservation& MemoryBudget::Reservation::operator=(Reservation&& other) noexcept {
    if (this != &other) {
        Release();
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
        owner_ = other.owner_;
    }
    return *this;
}

void MemoryBudget::Reservation::Release() noexcept {
    if (budget_ && bytes_ > 0) budget_->Give(bytes_, owner_);
    budget_ = nullptr;
    bytes_ = 0;
}

MemoryBudget::Reservation MemoryBudget::Reservation::Split(std::uint64_t bytes) noexcept {
    Reservation part;
    part.budget_ = budget_;
    part.owner_ = owner_;
    part.bytes_ = std::min(bytes, bytes_);
    bytes_ -= part.bytes_;
    return part;
}

void MemoryBudget::Reservation::AdoptByThisThread() {
    const std::uint64_t self = ThisThreadNumber();
    if (!budget_ || bytes_ == 0 || owner_ == self) return;
    std::lock_guard lock(budget_->mutex_);
    budget_->heldBy_[self] += bytes_;
    const auto it = budget_->heldBy_.find(owner_);
    if (it != budget_->heldBy_.end() && (it->second -= bytes_) == 0) budget_->heldBy_.erase(it);
    owner_ = self;
}

std::uint64_t MemoryBudget::DefaultCapacity() {
#ifdef __EMSCRIPTEN__
    // The instance's own memory is all there is to count on (the machine's is
    // not known in a browser): the budget is its share of it, whole.
    return limits::kMaxPictureBudgetBytes;
#else
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return limits::kMaxPictureBudgetBytes;
    return std::min(limits::kMaxPictureBudgetBytes,
                    static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 4);
#endif
}

std::uint64_t MemoryBudget::ThisThreadNumber() {
    static std::atomic<std::uint64_t> next{1};
    thread_local const std::uint64_t number = next.fetch_add(1, std::memory_order_relaxed);
    return number;
}

MemoryBudget& MemoryBudget::Process() {
    static MemoryBudget budget(DefaultCapacity());
    return budget;
}

MemoryBudget::Reservation MemoryBudget::Reserve(std::uint64_t bytes, const char* what) {
    Reservation reservation;
    if (bytes == 0) return reservation;
    const std::uint64_t self = ThisThreadNumber();
    std::unique_lock lock(mutex_);
    const auto heldIt = heldBy_.find(self);
    const std::uint64_t held = heldIt == heldBy_.end() ? 0 : heldIt->second;
    if (bytes > capacity_ || held > capacity_ - bytes) {
        throw OutOfResources("Cannot load image. The " + std::string(what) + " needs " +
                             std::to_string(bytes) + " bytes, more than the memory budget of " +
                             std::to_string(capacity_) + " bytes.");
    }
    if (held == 0) {
        released_.wait(lock, [&] { return inUse_ <= capacity_ && bytes <= capacity_ - inUse_; });
    }
    inUse_ += bytes;
    peak_ = std::max(peak_, inUse_);
    heldBy_[self] += bytes;
    reservation.budget_ = this;
    reservation.bytes_ = bytes;
    reservation.owner_ = self;
    return reservation;
}

void MemoryBudget::Give(std::uint64_t bytes, std::uint64_t owner) noexcept {
    {
        std::lock_guard lock(mutex_);
        inUse_ -= bytes;
        const auto it = heldBy_.find(owner);
        if (it != heldBy_.end() && (it->second -= bytes) == 0) heldBy_.erase(it);
    }
    released_.notify_all();
}

void MemoryBudget::SetCapacity(std::uint64_t capacity) {
    {
        std::lock_guard lock(mutex_);
        capacity_ = capacity;
    }
    released_.notify_all();
}

std::uint64_t MemoryBudget::Capacity() const {
    std::lock_guard lock(mutex_);
    return capacity_;
}

std::uint64_t MemoryBudget::InUse() const {
    std::lock_guard lock(mutex_);
    return inUse_;
}

std::uint64_t MemoryBudget::Peak() const {
    std::lock_guard lock(mutex_);
    return peak_;
}

std::uint64_t MemoryBudget::HeldByThisThread() const {
    std::lock_guard lock(mutex_);
    const auto it = heldBy_.find(ThisThreadNumber());
    return it == heldBy_.end() ? 0 : it->second;
}

void MemoryBudget::ResetPeak() {
    std::lock_guard lock(mutex_);
    peak_ = inUse_;
}

}  // namespace pictorel
