// DailyLog: the program's daily log file.
// WriteLog appends a time-stamped line to the day's log file in the settings
// folder. (A copy of each line to an external trace window has no
// counterpart on this platform and is not sent.)
#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <string>

#include "app/MessageBoxes.h"
#include "base/UserFolders.h"

namespace pictorel {

// The warning shown when the log file cannot be written.
inline constexpr const char* kLogWriteWarning =
    "[警告] ハードディスク空き容量が十分か確認してください。";

class DailyLog {
  public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `boxes` shows the disk warning; `executablePath` locates the settings
    // folder; `now` gives the current time (tests pass a fixed one).
    explicit DailyLog(IMessageBoxes& boxes, std::string executablePath = ExecutablePath(),
                      Clock now = std::chrono::system_clock::now);

    // Appends "YYYY/MM/DD HH:MM:SS 通常 <message>\n" to LogFileYYYYMMDD.txt
    // (local time). An empty message writes nothing. When the file cannot be
    // opened or written, shows kLogWriteWarning in a plain box and goes on.
    void WriteLog(const std::string& message);

    // The path of the log file for the current day.
    std::string LogFilePath() const;

  private:
    std::string LogFilePathFor(const std::tm& day) const;

    IMessageBoxes& boxes_;
    std::string executablePath_;
    Clock now_;
};

}  // namespace pictorel
