// ProgressWindow: the small always-on-top progress window of a batch run, with
// a gauge and the pace figure, or a busy indicator when no count is known.
#pragma once

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <optional>

#include "app/Progress.h"

namespace pictorel {

// An indeterminate busy indicator (a ring of dots going round).
class BusyIndicator : public QWidget {
    Q_OBJECT
  public:
    explicit BusyIndicator(QWidget* parent);
    void Play();
    void Stop();
    bool Playing() const { return timer_.isActive(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QTimer timer_;
    int frame_ = 8;
};

// The pace label text after `done` of `max` steps taken `elapsedMs`
// milliseconds: the average whole seconds per percent followed by " SPP";
// nothing while done <= max / 100.
std::optional<QString> PaceText(int done, int max, qint64 elapsedMs);

class ProgressWindow : public QWidget, public IProgress {
    Q_OBJECT
  public:
    ProgressWindow();

    // The window disabled while the progress window shows.
    void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }

    void StartProgress(int count, bool useGauge) override;
    void StepProgress() override;
    void StopProgress() override;
    bool Cancelled() const override { return cancelled_; }
    // Sleeps in the event loop (repaints, Esc) between checks of `done`;
    // WakeWaiter posts an event, so a wake from another thread is never lost
    // even when it comes before the loop starts waiting.
    void WaitWithEventsRunning(const DoneWithin& done) override;
    void WakeWaiter() override;

    QLabel* messageLabel;
    QProgressBar* gauge;
    QLabel* paceLabel;
    BusyIndicator* busyIndicator;
    QAction* cancelAction;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Only StopProgress ends the showing: closed from outside, the main
    // window would stay disabled.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int stepCount_ = 100;
    bool gaugeMode_ = false;
    bool cancelled_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    QPointer<QWidget> mainWindow_;
};

}  // namespace pictorel
