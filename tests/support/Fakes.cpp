#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace pictorel::test {

bool FakeMessageBoxes::Confirm(const std::string& text) {
    calls->push_back("confirm: " + text);
    if (answers.empty()) {
        ADD_FAILURE() << "unscripted confirmation: " << text;
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeProgress::StartProgress(int count, bool useGauge) {
    calls->push_back("start-progress " + std::to_string(count) +
                     (useGauge ? " gauge" : " animation"));
    visible = true;
    cancelled = false;
    steps = 0;
}

void FakeProgress::StepProgress() {
    calls->push_back("step-progress");
    if (!visible) return;
    ++steps;
    if (cancelAfterSteps >= 0 && steps >= cancelAfterSteps) cancelled = true;
}

}  // namespace pictorel::test
