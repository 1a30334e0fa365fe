#include "app/ProgramSettings.h"

namespace pictorel {

ProgramSettings::ProgramSettings(const std::string& executablePath) : File(executablePath) {
    File.Loaded();
}

}  // namespace pictorel
