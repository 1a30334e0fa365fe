#include "app/ui/ProgressWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
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
    const long double dayMs = 86400000.0L;
    const long double perPercentDays = (elapsedMs / dayMs) / percentDone;
    // To the nearest millisecond, then the minutes and seconds of the hour.
    const long long ms = std::llrint(perPercentDays * dayMs);
    const long long ofDay = ((ms % 86400000LL) + 86400000LL) % 86400000LL;
    const long long minutes = (ofDay / 60000) % 60;
    const long long seconds = (ofDay / 1000) % 60;
    return QString::number(60 * minutes + seconds) + QStringLiteral(" SPP");
}

ProgressWindow::ProgressWindow() : QWidget(nullptr) {
    setObjectName(QStringLiteral("FPleaseWait"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Wait Pｌease....."));
    setFixedSize(408, 116);
    setFont(InterfaceFont(12));

    Label1 = new QLabel(QStringLiteral("しばらくお待ち下さい ・・・・・"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(24, 27);
    Label1->adjustSize();

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setGeometry(36, 56, 338, 34);
    Gauge1->setTextVisible(true);
    Gauge1->setFormat(QStringLiteral("%p%"));
    Gauge1->setAlignment(Qt::AlignCenter);
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    Gauge1->hide();

    LabelPPM = new QLabel(this);
    LabelPPM->setObjectName(QStringLiteral("LabelPPM"));
    LabelPPM->setFont(InterfaceFont(16));
    LabelPPM->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Right edge at x = 371.
    LabelPPM->setGeometry(371 - 200, 90, 200, 16);

    Animate1 = new BusyIndicator(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setGeometry(288, 24, 72, 68);
    Animate1->hide();

    Cancel = new QAction(QStringLiteral("ｷｬﾝｾﾙ(ESC)"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setShortcut(QKeySequence(Qt::Key_Escape));
    Cancel->setShortcutContext(Qt::WindowShortcut);
    connect(Cancel, &QAction::triggered, this, [this] { cancelled_ = true; });
    addAction(Cancel);
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
    startMs_ = QDateTime::currentMSecsSinceEpoch();
}

void ProgressWindow::StepProgress() {
    if (!isVisible()) return;
    if (Gauge1->value() < Gauge1->maximum()) Gauge1->setValue(Gauge1->value() + 1);
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - startMs_;
    if (const auto pace = PaceText(Gauge1->value(), Gauge1->maximum(), elapsed)) {
        LabelPPM->setText(*pace);
    }
    QApplication::processEvents();
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
    Gauge1->setValue(0);
    if (gaugeMode_) {
        Gauge1->setMaximum(stepCount_);
        Gauge1->show();
        Animate1->Stop();
        Animate1->hide();
    } else {
        Gauge1->hide();
        Animate1->show();
        Animate1->Play();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
    startMs_ = QDateTime::currentMSecsSinceEpoch();
}

void ProgressWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    Gauge1->hide();
    Animate1->show();
    Animate1->Stop();
    gaugeMode_ = false;
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    // Esc reaches here when the window manager did not make this window
    // active for the shortcut; it cancels all the same.
    if (event->key() == Qt::Key_Escape) {
        Cancel->trigger();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pictorel
