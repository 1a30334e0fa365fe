#include "app/ProgramSettings.h"

namespace pictorel {

ProgramSettings::ProgramSettings(const std::string& executablePath) : File(executablePath) {
    File.SetDefaultDir(SettingsLocation::ApplicationFolder);
    File.SetFence(SettingsFence::DoubleQuotes);
    File.Loaded();
}

}  // namespace pictorel
