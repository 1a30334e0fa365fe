// SIGINT, SIGTERM and SIGHUP during a command that writes files: instead of
// ending the process part way through a file, the signal is noted, the
// command finishes or drops the file in hand, removes what it made for it,
// and then ends the way the signal ends a program by default, so the shell
// sees the usual status (130 for Ctrl+C, 143 for kill).
#pragma once

#include <array>
#include <csignal>

namespace pictorel::cli {

class StopSignals {
  public:
    // Installs the handlers; one object at a time. The destructor restores
    // the handlers that were there before.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The number of the first signal taken, 0 while none was.
    int Received() const;

    // Restores the handlers and ends the process by the signal taken (as
    // it would have ended without these handlers); returns when none was.
    void EndByReceivedSignal();

  private:
    static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, kSignals.size()> previous_{};
    bool installed_ = false;
};

}  // namespace pictorel::cli
