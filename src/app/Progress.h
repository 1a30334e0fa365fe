// The progress window as the batch runs see it.
#pragma once

#include <chrono>
#include <functional>

namespace pictorel {

class IProgress {
  public:
    // Whether the work a caller waits for is done, waiting at most the given
    // time for it.
    using DoneWithin = std::function<bool(std::chrono::milliseconds)>;

    virtual ~IProgress() = default;
    virtual void StartProgress(int count, bool useGauge) = 0;
    virtual void StepProgress() = 0;
    virtual void StopProgress() = 0;
    // Set by Esc on the progress window; cleared each time it is shown.
    virtual bool Cancelled() const = 0;
    // Waits until `done` holds while the window's events (repaints, Esc) go
    // on running. The window asks `done` after each batch of events and each
    // time WakeWaiter is called, so the work's threads call WakeWaiter when
    // something they finished may end the wait. Without a window there are
    // no events to run: the default simply waits.
    virtual void WaitWithEventsRunning(const DoneWithin& done) {
        while (!done(std::chrono::milliseconds(1000))) {
        }
    }
    // Callable from any thread: makes a WaitWithEventsRunning in progress, or
    // the next one, ask its condition again.
    virtual void WakeWaiter() {}
};

}  // namespace pictorel
