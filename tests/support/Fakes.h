// Scripted fakes of the user-interaction interfaces. Each records every call
// as one line in `calls` (shared, so that the order across fakes is checked)
// and answers from a script given by the test.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "app/Progress.h"
#include "app/Shell.h"

namespace pictorel::test {

using CallLog = std::vector<std::string>;

class FakeMessageBoxes : public IMessageBoxes {
  public:
    explicit FakeMessageBoxes(std::shared_ptr<CallLog> log = std::make_shared<CallLog>())
        : calls(std::move(log)) {}
    void ShowError(const std::string& text) override { calls->push_back("error: " + text); }
    bool Confirm(const std::string& text) override;
    void ConfirmOk(const std::string& text) override { calls->push_back("confirm-ok: " + text); }
    void ShowPlain(const std::string& text) override { calls->push_back("plain: " + text); }

    // Answers for Confirm, in order; an unscripted question fails the test.
    std::deque<bool> answers;
    std::shared_ptr<CallLog> calls;
};

class FakeProgress : public IProgress {
  public:
    explicit FakeProgress(std::shared_ptr<CallLog> log = std::make_shared<CallLog>())
        : calls(std::move(log)) {}
    void StartProgress(int count, bool useGauge) override;
    void StepProgress() override;
    void StopProgress() override {
        calls->push_back("stop-progress");
        visible = false;
    }
    bool Cancelled() const override { return cancelled; }

    bool visible = false;
    bool cancelled = false;
    int steps = 0;
    // When >= 0, Cancelled becomes true after this many steps (Esc during a run).
    int cancelAfterSteps = -1;
    std::shared_ptr<CallLog> calls;
};

class FakeShell : public IShell {
  public:
    explicit FakeShell(std::shared_ptr<CallLog> log = std::make_shared<CallLog>())
        : calls(std::move(log)) {}
    void OpenFolder(const std::string& path) override { calls->push_back("open-folder: " + path); }
    void OpenUrl(const std::string& url) override { calls->push_back("open-url: " + url); }
    std::shared_ptr<CallLog> calls;
};

}  // namespace pictorel::test
