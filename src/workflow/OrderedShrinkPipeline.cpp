#include "workflow/OrderedShrinkPipeline.h"

#include <algorithm>
#include <exception>
#include <new>
#include <stdexcept>
#include <utility>

#include "base/Errors.h"
#include "base/Threads.h"
#include "formats/LoadFailure.h"
#include "workflow/JpegOutput.h"
#include "workflow/ShrinkPhoto.h"
#include "workflow/SizeCap.h"

namespace pictorel {

namespace {

// Any failure that is not the program's own (running out of memory while
// setting up, an unknown exception) is told like a photo that cannot be read,
// its own text kept as the cause.
PhotoFailure UnreadableBecause(const std::string& path, std::string cause) {
    return {true, LoadFailedMessage(path), std::move(cause)};
}

}  // namespace

PhotoFailure DescribeFailure(const std::exception_ptr& failure, const std::string& path) {
    try {
        std::rethrow_exception(failure);
    } catch (const InvalidPicture& e) {
        return {true, e.what(), e.Cause()};
    } catch (const Error& e) {
        // Only the encoder throws the program's other errors here.
        return {false, e.what(), e.Cause()};
    } catch (const std::bad_alloc&) {
        return UnreadableBecause(path, "out of memory");
    } catch (const std::exception& e) {
        return UnreadableBecause(path, e.what());
    } catch (...) {
        return UnreadableBecause(path, "unknown exception");
    }
}

ShrunkPhoto ShrinkAndEncode(const std::string& path) noexcept {
    ShrunkPhoto photo;
    try {
        const Bitmap shrunk = ShrinkForPublishing(path);
        photo.jpeg = EncodeJpeg(shrunk);
        photo.size = {shrunk.Width(), shrunk.Height()};
        photo.quality = kJpegQuality;
        photo.encodes = 1;
    } catch (...) {
        // Kept whole: DescribeFailure turns it into what the run shows.
        photo.failure = std::current_exception();
    }
    return photo;
}

ShrunkPhoto ShrinkAndEncode(const std::string& path, const OutputSize& size,
                            bool measure) noexcept {
    ShrunkPhoto photo;
    try {
        const ReducedPhoto first = ReduceForPublishing(path, size);
        // A smaller side is made from the photo again, as a size of that
        // side would make it, not from the first reduction.
        const auto sizeWithSide = [&](int longerSide) {
            OutputSize smaller = size;
            smaller.maxSide = longerSide;
            smaller.boxWidth = smaller.boxHeight = 0;
            return smaller;
        };
        const auto reduce = [&](int longerSide) {
            return ShrinkForPublishing(path, sizeWithSide(longerSide));
        };
        CappedJpeg capped = EncodeWithinCap(first.picture, size, reduce);
        photo.size = capped.longerSide == capped.startLongerSide
                         ? Size{first.picture.Width(), first.picture.Height()}
                         : TargetSizeFor(sizeWithSide(capped.longerSide), first.source.width,
                                         first.source.height);
        // Measured on the first reduction: a side lowered for the cap changes
        // neither the light nor the likeness of a photo.
        if (measure)
            photo.facts = ShrunkPhotoFacts{first.source, photo.size, MeasurePhoto(first.picture)};
        photo.lowerings = LoweringTexts(capped);
        photo.jpeg = std::move(capped.jpeg);
        photo.quality = capped.quality;
        photo.overCap = capped.overCap;
        photo.encodes = capped.encodes;
    } catch (...) {
        photo.jpeg.clear();
        photo.facts.reset();
        photo.failure = std::current_exception();
    }
    return photo;
}

ShrunkPhoto ShrinkEncodeAndMeasure(const std::string& path) noexcept {
    return ShrinkAndEncode(path, DefaultOutputSize(), true);
}

ShrinkStep DefaultShrinkStep() {
    return [](const std::string& path) { return ShrinkAndEncode(path); };
}

int DefaultShrinkJobs() {
    return static_cast<int>(UsableCores());
}

OrderedShrinkPipeline::OrderedShrinkPipeline(std::vector<std::string> files, int jobs,
                                             ShrinkStep step, ResultReadyNotice resultReady)
    : files_(std::move(files)),
      step_(std::move(step)),
      resultReady_(std::move(resultReady)),
      ahead_(2 * static_cast<std::size_t>(std::max(1, jobs))),
      slots_(files_.size()) {
    // Where no thread can be started, no worker runs: each file is shrunk on
    // the caller's thread when it is waited for or taken, in the same order.
    const std::size_t workers =
        kCanStartThreads ? std::min(files_.size(), static_cast<std::size_t>(std::max(1, jobs))) : 0;
    workers_.reserve(workers);
    try {
        for (std::size_t i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
    } catch (...) {
        StopStarting();
        JoinAll();
        throw;
    }
}

OrderedShrinkPipeline::~OrderedShrinkPipeline() {
    StopStarting();
    JoinAll();
}

void OrderedShrinkPipeline::Work() {
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] {
                return stopping_ || next_ >= files_.size() || next_ < taken_ + ahead_;
            });
            if (stopping_ || next_ >= files_.size()) return;
            index = next_++;
            slots_[index].started = true;
            ++running_;
        }
        ShrinkStarted(index);
    }
}

void OrderedShrinkPipeline::ShrinkHere(std::size_t index) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || slots_[index].started) return;
        next_ = index + 1;
        slots_[index].started = true;
        ++running_;
    }
    ShrinkStarted(index);
}

void OrderedShrinkPipeline::ShrinkStarted(std::size_t index) {
    ShrunkPhoto photo;
    try {
        photo = step_(files_[index]);
    } catch (...) {
        photo = ShrunkPhoto{{}, std::current_exception()};
    }
    {
        std::lock_guard lock(mutex_);
        slots_[index].photo = std::move(photo);
        slots_[index].done = true;
        --running_;
    }
    changed_.notify_all();
    if (resultReady_) resultReady_();
}

bool OrderedShrinkPipeline::Ready(std::size_t index) const {
    return slots_[index].done || (stopping_ && !slots_[index].started);
}

bool OrderedShrinkPipeline::WaitFor(std::size_t index, std::chrono::milliseconds wait) {
    if (index != taken_ || index >= files_.size())
        throw std::logic_error("pipeline results are taken in order");
    if (!kCanStartThreads) ShrinkHere(index);
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, wait, [&] { return Ready(index); });
}

ShrunkPhoto OrderedShrinkPipeline::Take(std::size_t index) {
    if (!kCanStartThreads && index == taken_ && index < files_.size()) ShrinkHere(index);
    std::unique_lock lock(mutex_);
    if (index != taken_ || index >= files_.size())
        throw std::logic_error("pipeline results are taken in order");
    changed_.wait(lock, [&] { return Ready(index); });
    if (!slots_[index].done) throw std::logic_error("file not shrunk: the pipeline was stopped");
    ShrunkPhoto photo = std::move(slots_[index].photo);
    slots_[index].photo = ShrunkPhoto{};
    taken_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    return photo;
}

void OrderedShrinkPipeline::StopStarting() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

bool OrderedShrinkPipeline::WaitUntilStopped(std::chrono::milliseconds wait) {
    StopStarting();
    {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, wait, [&] { return running_ == 0; })) return false;
    }
    JoinAll();
    return true;
}

void OrderedShrinkPipeline::JoinAll() {
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
}

}  // namespace pictorel
