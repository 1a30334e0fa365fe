// Starting threads where the build can, and what to do where it cannot.
#pragma once

#include <thread>
#include <utility>

namespace pictorel {

// The WebAssembly build runs without shared memory (a page gets it only when
// served with cross-origin isolation headers, which a plain static host cannot
// send), so it has no threads at all: starting one fails. Work that would be
// split over threads runs on the calling thread there.
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
inline constexpr bool kCanStartThreads = false;
#else
inline constexpr bool kCanStartThreads = true;
#endif

// How many threads work worth splitting may use: the processor's count
// (at least one), and one where no thread can be started.
inline unsigned UsableCores() {
    if constexpr (!kCanStartThreads) return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores;
}

// A thread joined when it goes, so that the data its work refers to cannot
// go first, even when the code that started it leaves by an exception.
class JoiningThread {
  public:
    JoiningThread() = default;
    template <typename Work>
    explicit JoiningThread(Work&& work) : thread_(std::forward<Work>(work)) {}
    JoiningThread(JoiningThread&&) noexcept = default;
    JoiningThread& operator=(JoiningThread&& other) noexcept {
        Join();
        thread_ = std::move(other.thread_);
        return *this;
    }
    ~JoiningThread() { Join(); }

    void Join() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::thread thread_;
};

}  // namespace pictorel
