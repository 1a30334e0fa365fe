// SettingsFile: the program's settings file. It names the file after the
// executable, encloses values in a fence on writing and removes it on reading.
#pragma once

#include <memory>
#include <string>

#include "app/IniFile.h"
#include "base/UserFolders.h"

namespace pictorel {

// Where a file name without a folder lives. UserConfigFolder has no counterpart on
// this platform; it names the user's configuration folder (UserConfigFolder()).
enum class SettingsLocation { ApplicationFolder, UserConfigFolder, None };

// How values are enclosed in the file: double quotes, the half-width corner
// brackets U+FF62/U+FF63, the mode that reads both, or nothing.
enum class SettingsFence { DoubleQuotes, CornerBrackets, QuotesOrBrackets, None };

class SettingsFile {
  public:
    // `executablePath` names the program whose settings these are.
    explicit SettingsFile(std::string executablePath = ExecutablePath());

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name);
    SettingsLocation DefaultDir() const { return defaultDir_; }
    void SetDefaultDir(SettingsLocation dir);
    SettingsFence Fence() const { return fence_; }
    void SetFence(SettingsFence fence) { fence_ = fence; }

    // End of loading: names the file after the executable when FileName is empty.
    void Loaded();

    // The resolved path of the settings file (empty until a name is set).
    std::string Path() const { return store_ ? store_->Path() : std::string(); }

    // Fenced read and write, used by every caller.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value);

    // Unfenced forms; ReadRawString gives the default for an empty value too.
    std::string ReadRawString(const std::string& section, const std::string& ident,
                              const std::string& defaultValue) const;
    void WriteRawString(const std::string& section, const std::string& ident,
                        const std::string& value);

  private:
    std::string ResolvePath(const std::string& name) const;
    std::string Enclose(const std::string& value) const;

    std::string executablePath_;
    std::string fileName_;
    SettingsLocation defaultDir_ = SettingsLocation::ApplicationFolder;
    SettingsFence fence_ = SettingsFence::None;
    std::unique_ptr<IniFile> store_;
};

// The default settings-file name for an executable file name: extension
// replaced by ".ini", ASCII letters lower-cased, the first letter upper-cased
// ("pictorel" -> "Pictorel.ini", "TOOL.EXE" -> "Tool.ini").
std::string DefaultIniFileName(const std::string& executableName);

// The program's settings file: SettingsFolder() + DefaultIniFileName().
// The settings store and the window placements both use this one file.
std::string SettingsFilePath(const std::string& executablePath = ExecutablePath());

}  // namespace pictorel
