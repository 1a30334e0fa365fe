#include "workflow/OrderedShrinkPipeline.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

#include "base/Errors.h"
#include "editor/EditorModel.h"
#include "workflow/JpegOutput.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel {

namespace {

ShrunkPhoto ShrinkAndEncodeOrThrow(const std::string& path) {
    ShrunkPhoto photo;
    Bitmap shrunk;
    try {
        shrunk = ShrinkForPublishing(path);
    } catch (const InvalidPicture& e) {
        photo.loadError = e.what();
        photo.loadCause = e.Cause();
        return photo;
    }
    try {
        photo.jpeg = EncodeJpeg(shrunk);
    } catch (const std::exception& e) {
        photo.encodeError = e.what();
    }
    return photo;
}

}  // namespace

ShrunkPhoto ShrinkAndEncode(const std::string& path) noexcept {
    try {
        return ShrinkAndEncodeOrThrow(path);
    } catch (...) {
        // Out of memory while setting up: told like a photo that cannot be read.
        ShrunkPhoto photo;
        try {
            photo.loadError = LoadFailedMessage(path);
        } catch (...) {
            photo.loadError = kLoadFailedMessage;
        }
        return photo;
    }
}

int DefaultShrinkJobs() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

OrderedShrinkPipeline::OrderedShrinkPipeline(std::vector<std::string> files, int jobs,
                                             ShrinkStep step, ResultReadyNotice resultReady)
    : files_(std::move(files)),
      step_(std::move(step)),
      resultReady_(std::move(resultReady)),
      ahead_(2 * static_cast<std::size_t>(std::max(1, jobs))),
      slots_(files_.size()) {
    const std::size_t workers =
        std::min(files_.size(), static_cast<std::size_t>(std::max(1, jobs)));
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
        ShrunkPhoto photo;
        try {
            photo = step_(files_[index]);
        } catch (...) {
            photo = ShrunkPhoto{};
            photo.loadError = kLoadFailedMessage;
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
}

bool OrderedShrinkPipeline::Ready(std::size_t index) const {
    return slots_[index].done || (stopping_ && !slots_[index].started);
}

bool OrderedShrinkPipeline::WaitFor(std::size_t index, std::chrono::milliseconds wait) {
    if (index != taken_ || index >= files_.size())
        throw std::logic_error("pipeline results are taken in order");
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, wait, [&] { return Ready(index); });
}

ShrunkPhoto OrderedShrinkPipeline::Take(std::size_t index) {
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
