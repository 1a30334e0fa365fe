// ProgramSettings: owner of the settings file, the first object the program creates.
// It owns File, the program's settings file.
#pragma once

#include <string>

#include "app/SettingsFile.h"

namespace pictorel {

class ProgramSettings {
  public:
    // File: beside the executable (see SettingsFolder), named after it,
    // values fenced with double quotes.
    explicit ProgramSettings(const std::string& executablePath = ExecutablePath());

    SettingsFile File;
};

}  // namespace pictorel
