// A named pipe or another non-regular file where the settings file or the
// day's log should be: refused at once like an unreadable file, never
// waited on and never replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "app/DailyLog.h"
#include "app/ProgramSettings.h"
#include "app/SettingsFile.h"
#include "base/Errors.h"
#include "base/FileIo.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;
using test::FakeMessageBoxes;
using test::TempDir;

// Runs `call` with a time limit. A call that blocks on the pipe fails the
// test and is then released by opening the pipe's other end, so that a
// regression shows as a failure instead of a hanging test run.
void RunWithoutWaitingOn(const fs::path& fifo, const std::function<void()>& call) {
    auto running = std::async(std::launch::async, call);
    if (running.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "blocked on the named pipe " << fifo;
        while (running.wait_for(std::chrono::milliseconds(100)) == std::future_status::timeout) {
            const int other = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (other >= 0) ::close(other);
        }
    }
    running.get();
}

fs::path MakeFifo(const TempDir& dir, const std::string& name) {
    const fs::path path = dir.Path() / name;
    EXPECT_EQ(::mkfifo(path.c_str(), 0666), 0);
    return path;
}

TEST(NonRegularFilesTest, APipeAsSettingsFileReadsAsMissingAndRefusesWrites) {
    TempDir dir;
    const fs::path fifo = MakeFifo(dir, "Pictorel.ini");
    ProgramSettings settings(dir.Str() + "pictorel");
    SettingsFile& ini = settings.File;
    ASSERT_EQ(ini.Path(), fifo.string());
    RunWithoutWaitingOn(fifo, [&] {
        EXPECT_EQ(ini.ReadString("Path", "RootPath", "default"), "default");
        try {
            ini.WriteString("Path", "RootPath", "/a/");
            ADD_FAILURE() << "no error raised";
        } catch (const SettingsFileError& e) {
            EXPECT_EQ(std::string(e.what()), fifo.string() + " に書き込めません");
        }
    });
    // The rename of the atomic write did not put a file in the pipe's place.
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(NonRegularFilesTest, APipeAsTheDaysLogWarnsAndStaysAPipe) {
    TempDir dir;
    FakeMessageBoxes boxes;
    DailyLog log(boxes, dir.Str() + "pictorel");
    const fs::path fifo = MakeFifo(dir, fs::path(log.LogFilePath()).filename().string());
    // Also with a reader at the other end, the pipe is not written to.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    RunWithoutWaitingOn(fifo, [&] { log.WriteLog("started"); });
    char byte;
    EXPECT_EQ(::read(reader, &byte, 1), 0);
    ::close(reader);
    RunWithoutWaitingOn(fifo, [&] { log.WriteLog("again"); });
    const std::string warning = std::string("plain: ") + kLogWriteWarning;
    EXPECT_EQ(*boxes.calls, (test::CallLog{warning, warning}));
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(NonRegularFilesTest, OnlyRegularFilesOpenAndTheyOpenBlocking) {
    TempDir dir;
    const fs::path fifo = MakeFifo(dir, "pipe");
    fs::create_directory(dir.Path() / "folder");
    RunWithoutWaitingOn(fifo, [&] {
        for (const fs::path& path : {fifo, dir.Path() / "folder", fs::path("/dev/null")}) {
            errno = 0;
            EXPECT_EQ(OpenRegularFile(path.string(), O_RDONLY), -1) << path;
            EXPECT_EQ(errno, EINVAL) << path;
        }
    });
    errno = 0;
    EXPECT_EQ(OpenRegularFile(dir.Str() + "missing", O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);

    struct stat info {};
    const int fd = OpenRegularFile(dir.Str() + "new", O_WRONLY | O_CREAT, &info);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);
}

}  // namespace
}  // namespace pictorel
