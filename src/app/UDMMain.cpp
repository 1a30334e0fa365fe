#include "app/UDMMain.h"

namespace pictorel {

TDMMain::TDMMain(const std::string& executablePath) : IniFile(executablePath) {
    IniFile.SetDefaultDir(TIniGTDefaultDir::ddApplication);
    IniFile.SetFence(TIniGTFence::fnDoubleQuote);
    IniFile.Loaded();
}

}  // namespace pictorel
