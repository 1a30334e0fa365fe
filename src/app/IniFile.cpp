#include "app/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/FileIo.h"
#include "base/Limits.h"
#include "base/PathText.h"

namespace pictorel {
namespace {

enum class LoadResult { kMissing, kLoaded, kFailed };

// Reads the whole file. A missing file is no error; an unreadable or
// oversized one is reported as kFailed so that a write never replaces it.
LoadResult LoadFile(const std::string& path, std::string& content) {
    content.clear();
    if (path.empty()) return LoadResult::kMissing;
    // A named pipe, device or folder at the settings name counts as an
    // unreadable file: never waited on, never replaced.
    struct stat st {};
    const int fd = OpenRegularFile(path, O_RDONLY, &st);
    if (fd < 0) return errno == ENOENT ? LoadResult::kMissing : LoadResult::kFailed;
    LoadResult result = LoadResult::kLoaded;
    if (static_cast<std::uint64_t>(st.st_size) > limits::kMaxIniFileBytes) {
        result = LoadResult::kFailed;
    } else {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                result = LoadResult::kFailed;
                break;
            }
            if (n == 0) break;
            content.append(buffer, static_cast<std::size_t>(n));
            if (content.size() > limits::kMaxIniFileBytes) {
                result = LoadResult::kFailed;
                break;
            }
        }
    }
    ::close(fd);
    if (result != LoadResult::kLoaded) content.clear();
    return result;
}

// Lines without their "\n" or "\r\n" end; a UTF-8 byte-order mark is dropped.
std::vector<std::string> SplitLines(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<std::string> lines;
    while (!text.empty()) {
        auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return lines;
}

// Blanks around names and values: spaces and tabs.
std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

// Splits a "key=value" line; nothing for lines without "=".
bool SplitKeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = TrimBlanks(line.substr(0, eq));
    value = line.substr(eq + 1);
    return true;
}

// Where a key lives in the lines of a file.
struct Location {
    std::optional<std::size_t> keyLine;      // the key's own line
    std::optional<std::size_t> insertAfter;  // last non-blank line of its section
};

Location Find(const std::vector<std::string>& lines, std::string_view section,
              std::string_view key) {
    Location loc;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionOf(lines[i])) {
            if (loc.insertAfter) break;  // the first matching section has ended
            inSection = EqualsIgnoreAsciiCase(*name, section);
            if (inSection) loc.insertAfter = i;
            continue;
        }
        if (!inSection) continue;
        if (!TrimBlanks(lines[i]).empty()) loc.insertAfter = i;
        std::string_view k, v;
        if (SplitKeyLine(lines[i], k, v) && EqualsIgnoreAsciiCase(k, key)) {
            loc.keyLine = i;
            return loc;
        }
    }
    return loc;
}

// Cuts a value to at most `max` bytes without splitting a UTF-8 sequence.
std::string CutToBytes(std::string value, std::size_t max) {
    if (value.size() <= max) return value;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) --end;
    value.resize(end);
    return value;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Writes `content` to a new file beside `path`, flushes it to the disk and
// renames it over `path`, so readers see the old or the new file, never a
// half-written one. A symbolic link is followed to the file it names.
bool ReplaceFileAtomically(const std::string& path, const std::string& content) {
    std::string target = path;
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) target = resolved;
    }
    const std::string folder = FolderPart(target);
    const std::string prefix = (folder.empty() ? std::string() : WithTrailingSlash(folder)) + "." +
                               FileNamePart(target) + ".tmp";
    struct stat old {};
    const bool haveOld = ::stat(target.c_str(), &old) == 0;
    if (!haveOld && errno != ENOENT) return false;
    // The rename would replace a file that may not be written (read-only
    // mode, or not writable for this user), or something that is no regular
    // file (a named pipe, a device, a folder): refuse like a direct write would.
    if (haveOld && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 ||
                    ::access(target.c_str(), W_OK) != 0)) {
        return false;
    }

    std::random_device random;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = prefix + std::to_string(random());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = !haveOld || ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && WriteAllBytes(fd, content.data(), content.size());
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dirFd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace

std::string IniWriteErrorText(const std::string& path) {
    return path + " に書き込めません";
}

std::optional<std::string> IniFile::Read(const std::string& section, const std::string& key) const {
    std::string content;
    if (LoadFile(path_, content) != LoadResult::kLoaded) return std::nullopt;
    const auto lines = SplitLines(content);
    const Location loc = Find(lines, TrimBlanks(section), TrimBlanks(key));
    if (!loc.keyLine) return std::nullopt;
    std::string_view k, v;
    SplitKeyLine(lines[*loc.keyLine], k, v);
    v = TrimBlanks(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return CutToBytes(std::string(v), limits::kIniMaxValueBytes);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    return Read(section, key).value_or(defaultValue);
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    const std::string_view sectionName = TrimBlanks(section);
    const std::string_view keyName = TrimBlanks(key);
    if (path_.empty() || keyName.empty() || HasLineBreak(sectionName) ||
        sectionName.find(']') != std::string_view::npos || HasLineBreak(keyName) ||
        keyName.find('=') != std::string_view::npos || HasLineBreak(value)) {
        throw SettingsFileError(IniWriteErrorText(path_));
    }
    std::string content;
    if (LoadFile(path_, content) == LoadResult::kFailed)
        throw SettingsFileError(IniWriteErrorText(path_));
    auto lines = SplitLines(content);
    const std::string keyLine = std::string(keyName) + "=" + value;
    const Location loc = Find(lines, sectionName, keyName);
    if (loc.keyLine) {
        lines[*loc.keyLine] = keyLine;
    } else if (loc.insertAfter) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*loc.insertAfter + 1), keyLine);
    } else {
        std::string header = "[";
        header.append(sectionName).append("]");
        lines.push_back(std::move(header));
        lines.push_back(keyLine);
    }
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    if (!ReplaceFileAtomically(path_, out)) throw SettingsFileError(IniWriteErrorText(path_));
}

}  // namespace pictorel
