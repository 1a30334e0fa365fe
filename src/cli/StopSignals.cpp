#include "cli/StopSignals.h"

#include <signal.h>

#include <stdexcept>

namespace pictorel::cli {
namespace {

// A handler can reach only objects of static storage; this one is written
// by the handler alone and read by the command between files.
volatile std::sig_atomic_t receivedSignal = 0;
bool handlersInstalled = false;

extern "C" void OnStopSignal(int number) {
    if (receivedSignal == 0) receivedSignal = number;
}

}  // namespace

StopSignals::StopSignals() {
    if (handlersInstalled) throw std::logic_error("stop signals are already handled");
    receivedSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes go on: the file in hand is finished.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &previous_[i]);
        // A signal the caller ignores (nohup, a background job) stays ignored.
        if (previous_[i].sa_handler == SIG_IGN) ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
    handlersInstalled = installed_ = true;
}

StopSignals::~StopSignals() {
    if (!installed_) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    handlersInstalled = false;
}

int StopSignals::Received() const {
    return receivedSignal;
}

void StopSignals::EndByReceivedSignal() {
    const int number = receivedSignal;
    if (number == 0) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    installed_ = handlersInstalled = false;
    ::signal(number, SIG_DFL);
    ::raise(number);
}

}  // namespace pictorel::cli
