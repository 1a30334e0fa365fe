// The message boxes of the desktop program, with Japanese titles and buttons.
// No window calls QMessageBox directly; everything goes through this class.
#pragma once

#include "app/MessageBoxes.h"

namespace pictorel {

class QtMessageBoxes : public IMessageBoxes {
  public:
    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ConfirmOk(const std::string& text) override;
    void ShowPlain(const std::string& text) override;
};

}  // namespace pictorel
