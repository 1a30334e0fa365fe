// The automatic run's work on worker threads: each selected photo is loaded,
// reduced and encoded as a JPEG on one of several threads, and the caller
// takes the results one by one in selection order. Writing the files, the
// progress and the boxes stay with the caller, so that the never-overwrite
// naming and everything the user sees keep the selection's order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "imaging/PhotoMeasures.h"
#include "workflow/OutputSize.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel {

// What the check before publishing needs to know of a shrunk photo, taken
// on the worker while the reduced picture is still in memory.
struct ShrunkPhotoFacts {
    // The upright photo's size, before and after the reduction.
    Size source;
    Size result;
    PhotoMeasures measures;
};

// The outcome of shrinking one photo: the JPEG bytes, or why there are none.
// The failure travels from the worker to the thread that tells the user as
// the exception itself, so that its message and cause arrive whole.
struct ShrunkPhoto {
    std::vector<std::uint8_t> jpeg;
    // Null when `jpeg` holds the result.
    std::exception_ptr failure = {};
    // The size of the picture in `jpeg`.
    Size size = {};
    // The quality the JPEG was written at, and what was lowered to meet the
    // output size's file-size cap ("画質 80 → 68", LoweringTexts); empty when
    // the photo was written as its size asks.
    int quality = 0;
    std::vector<std::string> lowerings = {};
    // The cap could not be met even at the floor and the smallest side.
    bool overCap = false;
    // JPEG encodings made for the photo.
    int encodes = 0;
    // Only from ShrinkEncodeAndMeasure, and only with a result.
    std::optional<ShrunkPhotoFacts> facts = {};
};

// What a run tells of a photo that has no result, worked out in one place
// for every run from the failure the worker kept.
struct PhotoFailure {
    // The photo could not be read (the load box); else its reduced picture
    // could not be encoded.
    bool unreadable = true;
    // The program's text: LoadFailedMessage(path), or the encoder's message.
    std::string message;
    // The system's reason, the reader's or the budget's message; empty when
    // the message says all there is.
    std::string cause;
};
PhotoFailure DescribeFailure(const std::exception_ptr& failure, const std::string& path);

// ShrinkForPublishing then EncodeJpeg; never throws: a failure is kept in
// the result.
ShrunkPhoto ShrinkAndEncode(const std::string& path) noexcept;
// The same for an output size, its file-size cap met on the worker thread
// (EncodeWithinCap); with `measure`, also the facts the check before
// publishing reads.
ShrunkPhoto ShrinkAndEncode(const std::string& path, const OutputSize& size,
                            bool measure = false) noexcept;
// The default size's bytes, with the facts.
ShrunkPhoto ShrinkEncodeAndMeasure(const std::string& path) noexcept;

using ShrinkStep = std::function<ShrunkPhoto(const std::string& path)>;
// Called on a worker thread, with no lock held, each time a file's result is
// ready (or a worker stopped by StopStarting is done with its file), so that
// a caller waiting on an event loop can be woken instead of polling. It must
// not throw.
using ResultReadyNotice = std::function<void()>;

// ShrinkAndEncode(path) as a step.
ShrinkStep DefaultShrinkStep();

// One worker per core (std::thread::hardware_concurrency), at least one.
int DefaultShrinkJobs();

class OrderedShrinkPipeline {
  public:
    // Starts min(jobs, files) workers at once. A worker starts a file only
    // while fewer than 2 x jobs files lie between it and the next one to be
    // taken, so finished results never pile up. The pictures themselves are
    // counted in the process's memory budget by the decoders: a worker holds
    // nothing when it starts a file, so it waits there until the budget has
    // room.
    OrderedShrinkPipeline(std::vector<std::string> files, int jobs,
                          ShrinkStep step = DefaultShrinkStep(),
                          ResultReadyNotice resultReady = {});
    // Stops and joins the workers (a file in progress is finished first).
    ~OrderedShrinkPipeline();
    OrderedShrinkPipeline(const OrderedShrinkPipeline&) = delete;
    OrderedShrinkPipeline& operator=(const OrderedShrinkPipeline&) = delete;

    std::size_t Size() const { return files_.size(); }

    // Whether the result of file `index` is ready, waiting at most `wait`
    // for it. `index` is the next one to be taken.
    bool WaitFor(std::size_t index, std::chrono::milliseconds wait);
    // Hands over the result of file `index`, waiting for it as long as
    // needed. Files are taken in order: 0, 1, 2, ... Throws std::logic_error
    // for any other index, or for a file that will not come because the
    // pipeline was stopped before it started.
    ShrunkPhoto Take(std::size_t index);

    // No further file is started; the ones in progress go on.
    void StopStarting();
    // StopStarting, then waits at most `wait` for the files in progress.
    // True, with every worker joined, once none is left running.
    bool WaitUntilStopped(std::chrono::milliseconds wait);

  private:
    struct Slot {
        bool started = false;
        bool done = false;
        ShrunkPhoto photo;
    };
    void Work();
    // Shrinks file `index` on the calling thread unless it was started or
    // the pipeline stopped: the builds without threads have no workers.
    void ShrinkHere(std::size_t index);
    // Runs the step on a file marked as started and keeps its result.
    void ShrinkStarted(std::size_t index);
    bool Ready(std::size_t index) const;
    void JoinAll();

    const std::vector<std::string> files_;
    const ShrinkStep step_;
    const ResultReadyNotice resultReady_;
    const std::size_t ahead_;
    std::vector<Slot> slots_;
    std::size_t next_ = 0;   // next file to start
    std::size_t taken_ = 0;  // next file to take
    int running_ = 0;        // workers inside step_
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> workers_;
};

}  // namespace pictorel
