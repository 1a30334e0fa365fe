// The window thread's wait for work done on other threads: it sleeps in the
// event loop, keeps the window's events running, and wakes when told.
#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/ui/ProgressWindow.h"

namespace pictorel {
namespace {

using namespace std::chrono_literals;

// Ends a wait that nothing else would end, so that a lost wake fails the
// test instead of hanging it.
class Watchdog {
  public:
    explicit Watchdog(QObject* context) {
        QTimer::singleShot(5000, context, [this] { fired = true; });
    }
    std::atomic<bool> fired{false};
};

TEST(ProgressWait, EventsRunDuringTheWaitAndAWakeFromAnotherThreadEndsIt) {
    ProgressWindow progress;
    Watchdog watchdog(&progress);
    std::atomic<bool> timerRan{false};
    std::atomic<bool> done{false};
    int checks = 0;
    // The worker finishes only after a window event ran during the wait, and
    // nothing but its wake can end the wait then (the watchdog aside).
    QTimer::singleShot(0, &progress, [&] { timerRan = true; });
    std::thread worker([&] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!timerRan && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(20ms);  // the window thread is asleep by now
        done = true;
        progress.WakeWaiter();
    });
    progress.WaitWithEventsRunning([&](std::chrono::milliseconds wait) {
        EXPECT_EQ(wait, 0ms) << "the window thread must not block outside its event loop";
        ++checks;
        return done.load() || watchdog.fired.load();
    });
    worker.join();
    EXPECT_FALSE(watchdog.fired) << "the wake did not end the wait";
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(done);
    // Woken, not polled: a few looks at the condition, not one per slice.
    EXPECT_LE(checks, 5);
}

TEST(ProgressWait, AWakeBeforeTheWaitIsNotLost) {
    ProgressWindow progress;
    Watchdog watchdog(&progress);
    std::thread worker([&] { progress.WakeWaiter(); });
    worker.join();
    int checks = 0;
    // Had the condition been read as false just before the wake, the posted
    // wake still ends the next wait for events.
    progress.WaitWithEventsRunning(
        [&](std::chrono::milliseconds) { return ++checks > 1 || watchdog.fired.load(); });
    EXPECT_FALSE(watchdog.fired) << "the wake was lost";
    EXPECT_EQ(checks, 2);
}

}  // namespace
}  // namespace pictorel
