// The message boxes of the desktop program, with Japanese titles and buttons.
// No window calls QMessageBox directly; everything goes through this class.
#pragma once

#include <QString>
#include <functional>

#include "app/MessageBoxes.h"

namespace pictorel {

// While `programEnding` answers true (a termination signal was taken), no
// box is opened: the text goes to the standard error output and a question
// is answered "No", so that nothing waits for an answer on the way out.
class QtMessageBoxes : public IMessageBoxes {
  public:
    explicit QtMessageBoxes(std::function<bool()> programEnding = {})
        : programEnding_(std::move(programEnding)) {}

    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ConfirmOk(const std::string& text) override;
    void ShowPlain(const std::string& text) override;

  private:
    int Run(int icon, const QString& title, const std::string& text, bool yesNo);

    std::function<bool()> programEnding_;
};

}  // namespace pictorel
