// The message boxes the core shows. The windows implement this with Qt,
// tests with a scripted fake, the command line on the terminal.
#pragma once

#include <string>

namespace pictorel {

class IMessageBoxes {
  public:
    virtual ~IMessageBoxes() = default;
    // Error box: title "エラー", error icon, button "OK".
    virtual void ShowError(const std::string& text) = 0;
    // Confirmation box with "はい(&Y)" and "いいえ(&N)"; true only for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // Confirmation box with the single button "OK".
    virtual void ConfirmOk(const std::string& text) = 0;
    // Plain box: the application's title, no icon, button "OK".
    virtual void ShowPlain(const std::string& text) = 0;
};

}  // namespace pictorel
