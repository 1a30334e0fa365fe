// The INI store: a text file of "[section]" headers and "key=value" lines.
// Names match without regard to ASCII case; reads trim blanks, drop one pair
// of enclosing quotes and return at most kIniMaxValueBytes bytes; every write
// rewrites the file at once, atomically.
#pragma once

#include <optional>
#include <string>

namespace pictorel {

class IniFile {
  public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    // The stored value, or nothing when the file, section or key is missing
    // (an unreadable file counts as missing).
    std::optional<std::string> Read(const std::string& section, const std::string& key) const;

    // The stored value (possibly empty), or `defaultValue` when it is missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;

    // Creates the file, section and key as needed and replaces an existing
    // value. Throws SettingsFileError "<path> に書き込めません" when the file cannot
    // be written, and also for names or values that would break the line
    // structure (line breaks, "=" in a key, "]" in a section).
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

  private:
    std::string path_;
};

// The message of a failed settings write.
std::string IniWriteErrorText(const std::string& path);

}  // namespace pictorel
