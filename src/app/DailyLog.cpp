#include "app/DailyLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "base/FileIo.h"
#include "base/PathText.h"

namespace pictorel {
namespace {

std::tm LocalTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return local;
}

std::string Format(const char* format, const std::tm& t) {
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &t);
    return std::string(buffer, n);
}

// Appends the bytes in one write call where possible; false on any failure,
// also when the log name holds a named pipe, a device or a folder.
bool AppendToFile(const std::string& path, const std::string& bytes) {
    const int fd = OpenRegularFile(path, O_WRONLY | O_CREAT | O_APPEND);
    if (fd < 0) return false;
    const bool ok = WriteAllBytes(fd, bytes.data(), bytes.size());
    return (::close(fd) == 0) && ok;
}

}  // namespace

DailyLog::DailyLog(IMessageBoxes& boxes, std::string executablePath, Clock now)
    : boxes_(boxes), executablePath_(std::move(executablePath)), now_(std::move(now)) {}

std::string DailyLog::LogFilePath() const {
    return LogFilePathFor(LocalTime(now_()));
}

std::string DailyLog::LogFilePathFor(const std::tm& day) const {
    return SettingsFolder(executablePath_) + "LogFile" + RemoveAll(Format("%Y/%m/%d", day), "/") +
           ".txt";
}

void DailyLog::WriteLog(const std::string& message) {
    if (message.empty()) return;
    const std::tm now = LocalTime(now_());
    // One time reading for both the file name and the stamp, so a line
    // written at midnight lands in the file of its own date.
    const std::string line = Format("%Y/%m/%d %H:%M:%S", now) + " 通常 " + message + "\n";
    if (!AppendToFile(LogFilePathFor(now), line)) boxes_.ShowPlain(kLogWriteWarning);
}

}  // namespace pictorel
