// SIGTERM (logout, shutdown), SIGINT and SIGHUP end the desktop program
// through its event loop, so every window still stores its placement on the
// way out. Every running event loop ends, also the nested loop of a modal
// box or window, so a box waiting for an answer cannot keep the program
// alive. A second signal that arrives before the event loop took the first
// ends the program at once, the way the signal does by default.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace pictorel {

class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    // Installs the handlers; one object at a time. The destructor restores
    // the handlers that were there before.
    TerminationSignals();
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // True once a termination signal was taken: the program is ending and
    // must not wait for anyone.
    bool Received() const { return received_; }

    // What a taken signal does: marks the program as ending and ends every
    // running event loop, the main one and any nested one.
    void EndProgram();

  signals:
    void received();

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
    bool received_ = false;
};

}  // namespace pictorel
