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

// The boxes of a front end with no one to answer them (the command line's
// and the page's editor): questions are answered "no", the last error is
// kept for the caller to tell.
class KeptErrorBoxes : public IMessageBoxes {
  public:
    void ShowError(const std::string& text) override { error = text; }
    bool Confirm(const std::string&) override { return false; }
    void ConfirmOk(const std::string&) override {}
    void ShowPlain(const std::string&) override {}
    std::string error;
};

}  // namespace pictorel
