#include "app/ui/ProgressWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "app/ui/Controls.h"

namespace pictorel {

namespace {
const QColor kFill(232, 222, 189);
constexpr int kDots = 12;
}  // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(80);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kDots;
        update();
    });
}

void BusyIndicator::Play() {
    timer_.start();
}

void BusyIndicator::Stop() {
    timer_.stop();
    frame_ = 8;
    update();
}

void BusyIndicator::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kFill);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0 - 8;
    for (int i = 0; i < kDots; ++i) {
        const double angle = 2 * M_PI * i / kDots;
        const int age = (frame_ - i + kDots) % kDots;
        QColor dot(80, 80, 80);
        dot.setAlpha(255 - age * 200 / kDots);
        painter.setBrush(dot);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(centre + QPointF(radius * std::cos(angle), radius * std::sin(angle)), 4,
                            4);
    }
}

std::optional<QString> PaceText(int done, int max, qint64 elapsedMs) {
    const long double hundredth = static_cast<long double>(max) / 100;
    if (!(done > hundredth)) return std::nullopt;
    const long double percentDone = done / hundredth;
    // To the nearest millisecond, then whole seconds: a slow run shows its
    // full figure rather than one that starts again at 0 after an hour.
    const long long ms = std::llrint(elapsedMs / percentDone);
    return QString::number(std::max(ms, 0LL) / 1000) + QStringLiteral(" SPP");
}

ProgressWindow::ProgressWindow() : QWidget(nullptr) {
    setObjectName(QStringLiteral("FPleaseWait"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Wait Pｌease....."));
    setFixedSize(408, 116);
    setFont(InterfaceFont(12));

    messageLabel = new QLabel(QStringLiteral("しばらくお待ち下さい ・・・・・"), this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->move(24, 27);
    messageLabel->adjustSize();

    gauge = new QProgressBar(this);
    gauge->setObjectName(QStringLiteral("gauge"));
    gauge->setGeometry(36, 56, 338, 34);
    gauge->setTextVisible(true);
    gauge->setFormat(QStringLiteral("%p%"));
    gauge->setAlignment(Qt::AlignCenter);
    gauge->setRange(0, 100);
    gauge->setValue(0);
    gauge->hide();

    paceLabel = new QLabel(this);
    paceLabel->setObjectName(QStringLiteral("paceLabel"));
    paceLabel->setFont(InterfaceFont(16));
    paceLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Right edge at x = 371.
    paceLabel->setGeometry(371 - 200, 90, 200, 16);

    busyIndicator = new BusyIndicator(this);
    busyIndicator->setObjectName(QStringLiteral("busyIndicator"));
    busyIndicator->setGeometry(288, 24, 72, 68);
    busyIndicator->hide();

    cancelAction = new QAction(QStringLiteral("ｷｬﾝｾﾙ(ESC)"), this);
    cancelAction->setObjectName(QStringLiteral("cancelAction"));
    cancelAction->setShortcut(QKeySequence(Qt::Key_Escape));
    cancelAction->setShortcutContext(Qt::WindowShortcut);
    connect(cancelAction, &QAction::triggered, this, [this] { cancelled_ = true; });
    addAction(cancelAction);
}

void ProgressWindow::StartProgress(int count, bool useGauge) {
    if (count <= 0) {
        gaugeMode_ = false;
    } else {
        stepCount_ = count;
        gaugeMode_ = useGauge;
    }
    if (mainWindow_) mainWindow_->setEnabled(false);
    show();
    raise();
    activateWindow();
    QApplication::processEvents();
    started_ = std::chrono::steady_clock::now();
}

void ProgressWindow::StepProgress() {
    if (!isVisible()) return;
    if (gauge->value() < gauge->maximum()) gauge->setValue(gauge->value() + 1);
    // A monotonic clock: a change of the system time never bends the figure.
    const qint64 elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started_)
                               .count();
    if (const auto pace = PaceText(gauge->value(), gauge->maximum(), elapsed)) {
        paceLabel->setText(*pace);
    }
    QApplication::processEvents();
}

void ProgressWindow::WaitWithEventsRunning(const DoneWithin& done) {
    while (!done(std::chrono::milliseconds(0)))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void ProgressWindow::WakeWaiter() {
    // An empty queued call: its event ends the wait for more events.
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
}

void ProgressWindow::StopProgress() {
    if (!isVisible()) return;
    if (mainWindow_) mainWindow_->setEnabled(true);
    hide();
}

void ProgressWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kFill);
    QPen outline(QColor(128, 128, 128));
    outline.setWidth(8);
    outline.setJoinStyle(Qt::MiterJoin);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(4, 4, -4, -4));
}

void ProgressWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Restoring a minimised window is no new showing: the run goes on as it was.
    if (event->spontaneous()) return;
    cancelled_ = false;
    gauge->setValue(0);
    if (gaugeMode_) {
        gauge->setMaximum(stepCount_);
        gauge->show();
        busyIndicator->Stop();
        busyIndicator->hide();
    } else {
        gauge->hide();
        busyIndicator->show();
        busyIndicator->Play();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
    started_ = std::chrono::steady_clock::now();
}

void ProgressWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    gauge->hide();
    busyIndicator->show();
    busyIndicator->Stop();
    gaugeMode_ = false;
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    // Esc reaches here when the window manager did not make this window
    // active for the shortcut; it cancels all the same.
    if (event->key() == Qt::Key_Escape) {
        cancelAction->trigger();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pictorel
