// The progress window as the batch runs see it.
#pragma once

namespace pictorel {

class IProgress {
  public:
    virtual ~IProgress() = default;
    virtual void StartProgress(int count, bool useGauge) = 0;
    virtual void StepProgress() = 0;
    virtual void StopProgress() = 0;
    // Set by Esc on the progress window; cleared each time it is shown.
    virtual bool Cancelled() const = 0;
    // Lets the window's pending events run (repaints, Esc) while the caller
    // waits for work done elsewhere; returns at once.
    virtual void LetEventsRun() {}
};

}  // namespace pictorel
