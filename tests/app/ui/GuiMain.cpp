// Entry of the window tests: one QApplication for every test, offscreen.
// An error that reaches the top-level report fails the running test instead
// of opening a modal box that nobody would close.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/MessageBoxes.h"
#include "app/ui/UncaughtError.h"

namespace {

class UnexpectedErrorBoxes : public pictorel::IMessageBoxes {
  public:
    void ShowError(const std::string& text) override { ADD_FAILURE() << "error box: " << text; }
    bool Confirm(const std::string& text) override {
        ADD_FAILURE() << "confirmation: " << text;
        return false;
    }
    void ConfirmOk(const std::string& text) override { ADD_FAILURE() << "confirmation: " << text; }
    void ShowPlain(const std::string& text) override { ADD_FAILURE() << "box: " << text; }
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    UnexpectedErrorBoxes unexpected;
    pictorel::SetUncaughtErrorBoxes(&unexpected);
    const int result = RUN_ALL_TESTS();
    pictorel::SetUncaughtErrorBoxes(nullptr);
    return result;
}
