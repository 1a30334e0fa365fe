// The dialogs that the workflow opens: the base-folder dialog and the
// folder-browse dialog. The windows implement them with Qt, tests with fakes,
// the command line on the terminal.
#pragma once

#include <string>

namespace pictorel {

class IBaseFolderDialog {
  public:
    virtual ~IBaseFolderDialog() = default;
    // Shows the base-folder dialog modally; callers ignore its result and
    // read "RootPath" afresh from the settings.
    virtual void ShowBaseFolderDialog() = 0;
};

class IFolderBrowser {
  public:
    virtual ~IFolderBrowser() = default;
    // Lets the user pick a folder, opening at `initial` when it has more than
    // one character. The chosen folder as the dialog gives it; empty when cancelled.
    virtual std::string SelectFolder(const std::string& initial) = 0;
};

}  // namespace pictorel
