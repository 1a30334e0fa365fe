#include "app/ui/CommonWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "app/ui/EnableChildControls.h"
#include "app/ui/UncaughtError.h"

namespace pictorel {

namespace {
const QColor kStripColour(0xE0, 0xE0, 0xE0);
}

CommonWindow::CommonWindow(QWidget* parent, const Options& options)
    : KeyboardNavigatingWindow(parent, options.name) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(InterfaceFont(12));
    setFixedSize(options.clientSize);

    topPanel = new Panel(this, QStringLiteral("topPanel"));
    topPanel->SetColor(kStripColour);
    titlePanel = new Panel(topPanel, QStringLiteral("titlePanel"));
    titlePanel->setGeometry(5, 5, 155, 37);
    titlePanel->setFont(InterfaceFont(15, true));
    upperBar = new Panel(topPanel, QStringLiteral("upperBar"));
    contentPanel = new Panel(this, QStringLiteral("contentPanel"));
    bottomPanel = new Panel(this, QStringLiteral("bottomPanel"));
    bottomPanel->SetColor(kStripColour);
    lowerBar = new Panel(bottomPanel, QStringLiteral("lowerBar"));

    closeAction = new QAction(QStringLiteral("閉じる"), this);
    closeAction->setObjectName(QStringLiteral("closeAction"));
    connect(closeAction, &QAction::triggered, this, [this] { CloseWindow(); });
    closeButton = new QToolButton(bottomPanel);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setDefaultAction(closeAction);
    closeButton->setAutoRaise(true);
    closeButton->setFocusPolicy(Qt::NoFocus);
    LayOut();

    // The placement is restored before the creation handler, which centres
    // only a window without a stored entry.
    placementStore = std::make_unique<WindowPlacementStore>(options.iniPath);
    placementStore->SaveBounds = options.saveBounds;
    placementStore->AttachAndRestore(this);
    BuildFrame();
}

CommonWindow::~CommonWindow() {
    LeaveWindowList();
    try {
        placementStore->WindowDestroying();
    } catch (const std::exception& e) {
        ReportUncaughtError(e.what());
    }
}

void CommonWindow::BuildFrame() {
    setWindowTitle(ApplicationTitle());
    EnableChildControls(topPanel, false);
    SetTitleColor(titlePanel->palette().color(QPalette::Window));
    try {
        if (placementStore->ReadBoundsText().empty()) {
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->geometry();
                move(area.left() + (area.width() - width()) / 2,
                     area.top() + (area.height() - height()) / 2);
            }
        }
    } catch (...) {
        // The window keeps its position.
    }
}

void CommonWindow::SetTitle(const QString& caption) {
    titlePanel->SetCaption(caption);
}

void CommonWindow::SetTitleColor(const QColor& colour) {
    titlePanel->SetColor(colour);
    upperBar->SetColor(colour);
    lowerBar->SetColor(colour);
}

void CommonWindow::CloseWindow() {
    close();
}

bool CommonWindow::HandleKey(QKeyEvent* event) {
    return event->key() == Qt::Key_F10;
}

void CommonWindow::resizeEvent(QResizeEvent* event) {
    KeyboardNavigatingWindow::resizeEvent(event);
    LayOut();
}

void CommonWindow::LayOut() {
    const int w = width();
    const int h = height();
    topPanel->setGeometry(0, 0, w, 52);
    upperBar->setGeometry(0, 47, w, 5);
    bottomPanel->setGeometry(0, h - 39, w, 39);
    lowerBar->setGeometry(0, 0, w, 5);
    contentPanel->setGeometry(0, 52, w, h - 52 - 39);
    // Anchored to the right and bottom edges.
    closeButton->setGeometry(w - 72, 10, 67, 25);
}

}  // namespace pictorel
