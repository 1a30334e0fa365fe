#include "imaging/MemoryBudget.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/Errors.h"
#include "imaging/Bitmap.h"

namespace pictorel {
namespace {

TEST(MemoryBudgetTest, JobsWaitForEachOtherAndNeverExceedTheBudget) {
    MemoryBudget budget(100);
    std::vector<std::thread> jobs;
    int finished[3] = {};
    for (int j = 0; j < 3; ++j) {
        jobs.emplace_back([&, j] {
            for (int k = 0; k < 5; ++k) {
                MemoryBudget::Reservation picture = budget.Reserve(60);
                // A second, smaller buffer of the same job never waits.
                MemoryBudget::Reservation rows = budget.Reserve(30);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            finished[j] = 1;
        });
    }
    for (std::thread& t : jobs) t.join();
    EXPECT_EQ(finished[0] + finished[1] + finished[2], 3);
    EXPECT_LE(budget.Peak(), 100u);
    EXPECT_EQ(budget.InUse(), 0u);
}

// A loading thread ends leaving its picture's bytes for another thread to
// take over; the next loading thread may get the same thread id from the
// system, yet it holds nothing: it waits for room instead of being refused
// as if it held the ended thread's bytes.
TEST(MemoryBudgetTest, ANewThreadDoesNotInheritTheBytesOfAnEndedOne) {
    MemoryBudget budget(100);
    for (int round = 0; round < 20; ++round) {
        MemoryBudget::Reservation left;
        std::thread([&] { left = budget.Reserve(80); }).join();
        bool refused = false;
        std::thread next([&] {
            try {
                MemoryBudget::Reservation mine = budget.Reserve(50);
            } catch (const OutOfResources&) {
                refused = true;
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        left.Release();  // the taker gives the bytes back; the waiting thread goes on
        next.join();
        ASSERT_FALSE(refused) << "round " << round;
        EXPECT_EQ(budget.InUse(), 0u);
    }
}

TEST(MemoryBudgetTest, RequestBeyondTheWholeBudgetFailsAtOnce) {
    MemoryBudget budget(100);
    MemoryBudget::Reservation held = budget.Reserve(50);
    EXPECT_THROW(budget.Reserve(101), OutOfResources);
    // Together with what this thread holds it can never fit: no waiting.
    EXPECT_THROW(budget.Reserve(60), OutOfResources);
    held.Release();
    EXPECT_EQ(budget.Reserve(60).Bytes(), 60u);
}

TEST(MemoryBudgetTest, BitmapLargerThanTheProcessBudgetFailsAndBitmapsGiveTheirBytesBack) {
    MemoryBudget& budget = MemoryBudget::Process();
    const std::uint64_t saved = budget.Capacity();
    const std::uint64_t before = budget.InUse();
    budget.SetCapacity(before + 1'000'000);
    try {
        Bitmap(1000, 1000);
        ADD_FAILURE() << "accepted";
    } catch (const OutOfResources& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot load image."), std::string::npos);
    }
    {
        Bitmap small(100, 100);
        Bitmap copy = small;
        EXPECT_EQ(budget.InUse(), before + 2 * small.SizeInBytes());
        Bitmap moved = std::move(copy);
        EXPECT_EQ(budget.InUse(), before + 2 * small.SizeInBytes());
    }
    EXPECT_EQ(budget.InUse(), before);
    {
        // Reserved together with another buffer: the pixels are carved out
        // of the pool, not counted twice.
        MemoryBudget::Reservation pool =
            budget.Reserve(RowStride(100, PixelFormat::Bgr24) * 100 + 1000);
        const Bitmap carved = Bitmap::Uninitialized(100, 100, PixelFormat::Bgr24, pool);
        EXPECT_EQ(pool.Bytes(), 1000u);
        EXPECT_EQ(budget.InUse(), before + carved.SizeInBytes() + 1000);
    }
    EXPECT_EQ(budget.InUse(), before);
    budget.SetCapacity(saved);
}

}  // namespace
}  // namespace pictorel
