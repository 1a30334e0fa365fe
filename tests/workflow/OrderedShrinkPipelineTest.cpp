// The worker pipeline of the automatic run: results in selection order
// whatever order the workers finish in, a bounded distance ahead, and a stop
// that starts nothing more.
#include "base/Errors.h"
#include "formats/LoadFailure.h"
#include "workflow/OrderedShrinkPipeline.h"

#include <gtest/gtest.h>

#include <new>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace pictorel::test {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(std::to_string(i));
    return names;
}

// A step that records the order in which files finish and takes longer for
// earlier files, so later files overtake them.
struct RecordingStep {
    std::mutex mutex;
    std::vector<int> finished;
    std::atomic<int> started{0};

    ShrinkStep Step(int count) {
        return [this, count](const std::string& name) {
            ++started;
            const int index = std::stoi(name);
            std::this_thread::sleep_for(std::chrono::milliseconds(3 * (count - index)));
            ShrunkPhoto photo;
            if (index % 3 == 1)
                photo.failure = std::make_exception_ptr(InvalidPicture("bad " + name, "why"));
            else
                photo.jpeg.assign(static_cast<std::size_t>(index + 1), std::uint8_t(index));
            std::lock_guard lock(mutex);
            finished.push_back(index);
            return photo;
        };
    }
};

TEST(OrderedShrinkPipeline, ResultsComeInSelectionOrderWhenWorkersOvertake) {
    constexpr int kCount = 12;
    RecordingStep recording;
    OrderedShrinkPipeline pipeline(Names(kCount), 4, recording.Step(kCount));
    for (int i = 0; i < kCount; ++i) {
        const ShrunkPhoto photo = pipeline.Take(static_cast<std::size_t>(i));
        if (i % 3 == 1) {
            const PhotoFailure failure = DescribeFailure(photo.failure, std::to_string(i));
            EXPECT_TRUE(failure.unreadable);
            EXPECT_EQ(failure.message, "bad " + std::to_string(i));
            EXPECT_EQ(failure.cause, "why");
            EXPECT_TRUE(photo.jpeg.empty());
        } else {
            EXPECT_EQ(photo.jpeg, std::vector<std::uint8_t>(i + 1, std::uint8_t(i))) << i;
        }
    }
    // The workers really ran side by side: some file finished before an
    // earlier one.
    std::lock_guard lock(recording.mutex);
    ASSERT_EQ(recording.finished.size(), std::size_t{kCount});
    bool overtaken = false;
    for (std::size_t i = 1; i < recording.finished.size(); ++i)
        overtaken = overtaken || recording.finished[i] < recording.finished[i - 1];
    EXPECT_TRUE(overtaken);
}

TEST(OrderedShrinkPipeline, StartsAtMostTwiceTheJobsAheadOfTheNextTaken) {
    std::atomic<int> started{0};
    OrderedShrinkPipeline pipeline(Names(20), 2, [&](const std::string&) {
        ++started;
        return ShrunkPhoto{};
    });
    const auto settle = [&](int expected) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (started < expected && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(30ms);  // time to start one too many
        return started.load();
    };
    // Nothing taken: the workers stop after four files.
    EXPECT_EQ(settle(4), 4);
    pipeline.Take(0);
    pipeline.Take(1);
    EXPECT_EQ(settle(6), 6);
}

TEST(OrderedShrinkPipeline, AStopStartsNothingMoreAndFinishesTheFilesInHand) {
    std::atomic<bool> release{false};
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    OrderedShrinkPipeline pipeline(Names(10), 2, [&](const std::string&) {
        ++started;
        while (!release) std::this_thread::sleep_for(1ms);
        ++finished;
        return ShrunkPhoto{};
    });
    while (started < 2) std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(pipeline.WaitFor(0, 5ms));
    EXPECT_FALSE(pipeline.WaitUntilStopped(5ms));  // both workers still busy
    release = true;
    while (!pipeline.WaitUntilStopped(5ms)) {
    }
    EXPECT_EQ(started.load(), 2);
    EXPECT_EQ(finished.load(), 2);
    // The files in hand can still be taken; a file never started cannot.
    pipeline.Take(0);
    pipeline.Take(1);
    EXPECT_THROW(pipeline.Take(2), std::logic_error);
}

TEST(OrderedShrinkPipeline, ResultsAreTakenInOrderOnly) {
    OrderedShrinkPipeline pipeline(Names(3), 1, [](const std::string&) { return ShrunkPhoto{}; });
    EXPECT_THROW(pipeline.Take(1), std::logic_error);
    EXPECT_THROW(pipeline.WaitFor(1, 1ms), std::logic_error);
    pipeline.Take(0);
    EXPECT_THROW(pipeline.Take(0), std::logic_error);
}

TEST(OrderedShrinkPipeline, AThrowingStepIsToldAsALoadFailureWithItsCause) {
    OrderedShrinkPipeline pipeline(Names(3), 2, [](const std::string& name) -> ShrunkPhoto {
        if (name == "0") throw std::runtime_error("boom");
        if (name == "1") throw std::bad_alloc();
        return ShrunkPhoto{{1, 2, 3}};
    });
    const PhotoFailure thrown = DescribeFailure(pipeline.Take(0).failure, "/photos/0");
    EXPECT_TRUE(thrown.unreadable);
    EXPECT_EQ(thrown.message, LoadFailedMessage("/photos/0"));
    EXPECT_EQ(thrown.cause, "boom");
    EXPECT_EQ(DescribeFailure(pipeline.Take(1).failure, "/photos/1").cause, "out of memory");
    const ShrunkPhoto fine = pipeline.Take(2);
    EXPECT_FALSE(fine.failure);
    EXPECT_EQ(fine.jpeg, (std::vector<std::uint8_t>{1, 2, 3}));
}

// The encoder's errors are no load failure: the save box tells them.
TEST(OrderedShrinkPipeline, AnEncoderErrorIsToldAsASaveFailure) {
    const PhotoFailure failure =
        DescribeFailure(std::make_exception_ptr(Error("JPEG encoding failed: x")), "/p/a.png");
    EXPECT_FALSE(failure.unreadable);
    EXPECT_EQ(failure.message, "JPEG encoding failed: x");
    EXPECT_EQ(failure.cause, "");
}

TEST(OrderedShrinkPipeline, EachFinishedFileWakesTheWaiterOnceItsResultIsReady) {
    // A waiter that only wakes on the notice: each notice must find a result
    // ready, and every file, the ones finished after a stop included, sends one.
    std::mutex mutex;
    std::condition_variable noticed;
    int notices = 0;
    std::atomic<bool> release{false};
    std::atomic<int> started{0};
    OrderedShrinkPipeline pipeline(
        Names(6), 2,
        [&](const std::string&) {
            ++started;
            while (!release) std::this_thread::sleep_for(1ms);
            return ShrunkPhoto{};
        },
        [&] {
            std::lock_guard lock(mutex);
            ++notices;
            noticed.notify_all();
        });
    const auto noticesSoFar = [&] {
        std::lock_guard lock(mutex);
        return notices;
    };
    const auto noticeAfter = [&](int count) {
        std::unique_lock lock(mutex);
        return noticed.wait_for(lock, 10s, [&] { return notices > count; });
    };
    while (started < 2) std::this_thread::sleep_for(1ms);
    release = true;
    for (std::size_t i = 0; i < 4; ++i) {
        // As a waiter on an event loop does: note the notices, look, and
        // sleep until the next notice when the result is not there yet.
        for (;;) {
            const int seen = noticesSoFar();
            if (pipeline.WaitFor(i, 0ms)) break;
            ASSERT_TRUE(noticeAfter(seen)) << "file " << i << " finished without a notice";
        }
        pipeline.Take(i);
    }
    EXPECT_TRUE(pipeline.WaitUntilStopped(10s));
    std::lock_guard lock(mutex);
    EXPECT_EQ(notices, started.load());
}

TEST(OrderedShrinkPipeline, ADestroyedPipelineJoinsItsWorkers) {
    std::atomic<int> finished{0};
    {
        OrderedShrinkPipeline pipeline(Names(8), 3, [&](const std::string&) {
            std::this_thread::sleep_for(5ms);
            ++finished;
            return ShrunkPhoto{};
        });
        pipeline.Take(0);
    }
    const int atEnd = finished.load();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(finished.load(), atEnd);
}

}  // namespace
}  // namespace pictorel::test
