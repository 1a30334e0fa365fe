#include "app/DailyLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "support/Fakes.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;
using test::FakeMessageBoxes;
using test::ReadText;
using test::TempDir;

// Runs each test in UTC so that fixed instants have known local times.
class WriteLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) oldTz_ = tz;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        if (oldTz_)
            ::setenv("TZ", oldTz_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    // 2026-12-08 01:56:32 UTC and one second before the next midnight.
    static constexpr std::time_t kMorning = 1796694992;
    static constexpr std::time_t kLastSecond = 1796774399;

    DailyLog At(std::time_t& clock) {
        return DailyLog(boxes_, dir_.Str() + "pictorel",
                        [&clock] { return std::chrono::system_clock::from_time_t(clock); });
    }

    TempDir dir_;
    FakeMessageBoxes boxes_;
    std::optional<std::string> oldTz_;
};

TEST_F(WriteLogTest, AppendsStampedLinesToTheFileOfTheDay) {
    std::time_t clock = kMorning;
    DailyLog fn = At(clock);
    fn.WriteLog("[SYSTEM ERROR] WindowsListからFormアドレスの削除に失敗");
    clock = kLastSecond;
    fn.WriteLog("second");
    EXPECT_EQ(ReadText(dir_.Path() / "LogFile20261208.txt"),
              "2026/12/08 01:56:32 通常 [SYSTEM ERROR] WindowsListからFormアドレスの削除に失敗\n"
              "2026/12/08 23:59:59 通常 second\n");
    clock = kLastSecond + 1;
    EXPECT_EQ(fn.LogFilePath(), dir_.Str() + "LogFile20261209.txt");
    fn.WriteLog("  next day  ");
    EXPECT_EQ(ReadText(dir_.Path() / "LogFile20261209.txt"),
              "2026/12/09 00:00:00 通常   next day  \n");
    EXPECT_TRUE(boxes_.calls->empty());
}

TEST_F(WriteLogTest, EmptyMessageWritesNothing) {
    std::time_t clock = kMorning;
    At(clock).WriteLog("");
    EXPECT_FALSE(fs::exists(dir_.Path() / "LogFile20261208.txt"));
    EXPECT_TRUE(boxes_.calls->empty());
}

TEST_F(WriteLogTest, UnwritableLogWarnsOncePerCallAndGoesOn) {
    std::time_t clock = kMorning;
    fs::create_directory(dir_.Path() / "LogFile20261208.txt");  // not a file: cannot be opened
    DailyLog fn = At(clock);
    fn.WriteLog("a");
    fn.WriteLog("b");
    const std::string warning = std::string("plain: ") + kLogWriteWarning;
    EXPECT_EQ(*boxes_.calls, (test::CallLog{warning, warning}));
    EXPECT_EQ(std::string(kLogWriteWarning),
              "[警告] ハードディスク空き容量が十分か確認してください。");
}

}  // namespace
}  // namespace pictorel
