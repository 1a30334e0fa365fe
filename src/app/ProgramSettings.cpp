#include "app/ProgramSettings.h"

namespace pictorel {

ProgramSettings::ProgramSettings(const std::string& executablePath) : IniFile(executablePath) {
    IniFile.SetDefaultDir(SettingsLocation::ApplicationFolder);
    IniFile.SetFence(SettingsFence::DoubleQuotes);
    IniFile.Loaded();
}

}  // namespace pictorel
