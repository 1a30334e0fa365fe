#include "app/ui/TerminationSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <array>
#include <csignal>
#include <stdexcept>

namespace pictorel {
namespace {

// State the signal handler can reach: a socket pair whose reading end the
// event loop watches, and whether a signal still waits for the loop.
int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalWaiting = 0;

constexpr std::array<int, 3> kTerminationSignals = {SIGTERM, SIGINT, SIGHUP};
struct sigaction previousActions[kTerminationSignals.size()];

extern "C" void OnTerminationSignal(int number) {
    if (signalWaiting) {
        // The event loop did not take the first signal: it is stuck, so the
        // second one ends the program the default way.
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    signalWaiting = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

TerminationSignals::TerminationSignals() {
    if (signalPipe[0] >= 0) throw std::logic_error("termination signals are already handled");
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return;  // the signals keep their default action
    }
    signalWaiting = 0;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        signalWaiting = 0;
        EndProgram();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kTerminationSignals.size(); ++i)
        ::sigaction(kTerminationSignals[i], &action, &previousActions[i]);
}

TerminationSignals::~TerminationSignals() {
    if (signalPipe[0] < 0) return;
    for (std::size_t i = 0; i < kTerminationSignals.size(); ++i)
        ::sigaction(kTerminationSignals[i], &previousActions[i], nullptr);
    notifier_.reset();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void TerminationSignals::EndProgram() {
    received_ = true;
    emit received();
    // exit() ends every event loop of this thread, a modal box's included,
    // and a loop started afterwards returns at once until the main loop
    // ends.
    QCoreApplication::exit(0);
}

}  // namespace pictorel
