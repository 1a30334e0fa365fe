// The user-interaction interfaces on a terminal: boxes become lines on
// stderr, questions are answered by the command's options.
#pragma once

#include <string>

#include "app/MessageBoxes.h"
#include "workflow/FolderDialogs.h"

namespace pictorel::cli {

class TerminalMessageBoxes : public IMessageBoxes {
  public:
    // `yesAnswer` is what every confirmation answers; a Yes is printed
    // with the question, since it stops the command.
    explicit TerminalMessageBoxes(bool yesAnswer) : yesAnswer_(yesAnswer) {}
    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ConfirmOk(const std::string& text) override;
    void ShowPlain(const std::string& text) override;

  private:
    bool yesAnswer_;
};

// There is no dialog on a terminal: point at the option that sets the base folder.
class TerminalBaseFolderDialog : public IBaseFolderDialog {
  public:
    void ShowBaseFolderDialog() override;
};

}  // namespace pictorel::cli
