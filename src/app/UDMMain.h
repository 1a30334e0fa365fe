// TDMMain: the settings data module, the first object the program creates.
// It owns IniFile, the program's settings file.
#pragma once

#include <string>

#include "app/IniGT.h"

namespace pictorel {

class TDMMain {
  public:
    // IniFile: beside the executable (see SettingsFolder), named after it,
    // values fenced with double quotes.
    explicit TDMMain(const std::string& executablePath = ExecutablePath());

    TIniGT IniFile;
};

}  // namespace pictorel
