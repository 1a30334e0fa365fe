// The memory budget for decoded pictures: every large buffer a decoder keeps
// (a Bitmap's pixels, a library's whole-image work arrays) is reserved here
// before it is allocated, and given back when it is freed.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

namespace pictorel {

class MemoryBudget {
  public:
    // A reservation of some bytes; gives them back when it goes.
    class Reservation {
      public:
        Reservation() = default;
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&& other) noexcept;
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;
        ~Reservation() { Release(); }
        std::uint64_t Bytes() const { return bytes_; }
        void Release() noexcept;
        // Hands `bytes` of this reservation over to a new one, for one of
        // several buffers reserved together; all of it when fewer are held.
        Reservation Split(std::uint64_t bytes) noexcept;
        // Moves these bytes to the calling thread's account, for a buffer
        // made on one thread and kept by another: the waiting rule below
        // must see the thread that really holds them.
        void AdoptByThisThread();

      private:
        friend class MemoryBudget;
        MemoryBudget* budget_ = nullptr;
        std::uint64_t bytes_ = 0;
        std::uint64_t owner_ = 0;  // ThisThreadNumber() of the holder
    };

    explicit MemoryBudget(std::uint64_t capacity) : capacity_(capacity) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // The one budget of the process. Like the allocator it stands in front
    // of, it is shared by every thread that decodes: a budget per job could
    // not stop several jobs from together taking more than the machine has.
    // Its default size is the smaller of 2 GiB and a quarter of the
    // physical memory.
    static MemoryBudget& Process();
    static std::uint64_t DefaultCapacity();

    // Reserves `bytes` for the calling thread.
    //
    // Waiting rule, which keeps waiting free of deadlock:
    // - A request that cannot fit even into an empty budget (together with
    //   what the thread already holds) fails at once.
    // - A thread that holds nothing waits until the bytes are free. Every
    //   byte held then belongs to a thread that is not waiting, which goes
    //   on and gives its bytes back in the end.
    // - A thread that already holds bytes never waits: the others may be
    //   waiting for exactly those. It takes the bytes, beyond the budget if
    //   need be, so that a job once started finishes its picture; the next
    //   jobs wait until the total is under the budget again. So that this
    //   stays rare, a decoder reserves all its large buffers in one request
    //   and splits that reservation among them.
    // Throws OutOfResources with `what` in its text on failure.
    Reservation Reserve(std::uint64_t bytes, const char* what = "picture");

    // For tests and for a caller that sets the budget once at start.
    void SetCapacity(std::uint64_t capacity);
    std::uint64_t Capacity() const;
    std::uint64_t InUse() const;
    std::uint64_t Peak() const;
    // What the calling thread holds.
    std::uint64_t HeldByThisThread() const;
    void ResetPeak();

  private:
    // A number for the calling thread that no other thread of the process
    // ever gets. Not std::thread::id: a new thread may be given the id of
    // one that has ended, and with it the bytes that thread left for
    // another to take over, so it would count as holding them.
    static std::uint64_t ThisThreadNumber();
    void Give(std::uint64_t bytes, std::uint64_t owner) noexcept;

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::uint64_t capacity_;
    std::uint64_t inUse_ = 0;
    std::uint64_t peak_ = 0;
    std::map<std::uint64_t, std::uint64_t> heldBy_;
};

}  // namespace pictorel
