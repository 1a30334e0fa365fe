// SettingsFile: the program's settings file. It names the file after the
// executable, encloses values in double quotes on writing (so that blanks at
// either end survive) and removes one pair on reading.
#pragma once

#include <memory>
#include <string>

#include "app/IniFile.h"
#include "base/UserFolders.h"

namespace pictorel {

class SettingsFile {
  public:
    // `executablePath` names the program whose settings these are.
    explicit SettingsFile(std::string executablePath = ExecutablePath());

    const std::string& FileName() const { return fileName_; }
    // A name without a folder lives in the settings folder beside the executable.
    void SetFileName(const std::string& name);

    // End of loading: names the file after the executable when FileName is empty.
    void Loaded();

    // The resolved path of the settings file (empty until a name is set).
    std::string Path() const { return store_ ? store_->Path() : std::string(); }

    // A missing or empty value gives the default.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value);

  private:
    std::string ResolvePath(const std::string& name) const;

    std::string executablePath_;
    std::string fileName_;
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
