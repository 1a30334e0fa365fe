// ProgramSettings: the settings data module, the first object the program creates.
// It owns IniFile, the program's settings file.
#pragma once

#include <string>

#include "app/SettingsFile.h"

namespace pictorel {

class ProgramSettings {
  public:
    // IniFile: beside the executable (see SettingsFolder), named after it,
    // values fenced with double quotes.
    explicit ProgramSettings(const std::string& executablePath = ExecutablePath());

    SettingsFile IniFile;
};

}  // namespace pictorel
