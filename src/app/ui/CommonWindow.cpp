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

    PanelTop = new Panel(this, QStringLiteral("PanelTop"));
    PanelTop->SetColor(kStripColour);
    PanelTitle = new Panel(PanelTop, QStringLiteral("PanelTitle"));
    PanelTitle->setGeometry(5, 5, 155, 37);
    PanelTitle->setFont(InterfaceFont(15, true));
    PanelBar1 = new Panel(PanelTop, QStringLiteral("PanelBar1"));
    PanelDetail = new Panel(this, QStringLiteral("PanelDetail"));
    PanelBottom = new Panel(this, QStringLiteral("PanelBottom"));
    PanelBottom->SetColor(kStripColour);
    PanelBar2 = new Panel(PanelBottom, QStringLiteral("PanelBar2"));

    CloseForm = new QAction(QStringLiteral("閉じる"), this);
    CloseForm->setObjectName(QStringLiteral("CloseForm"));
    connect(CloseForm, &QAction::triggered, this, [this] { CloseFormExecute(); });
    SpeedButtonClose = new QToolButton(PanelBottom);
    SpeedButtonClose->setObjectName(QStringLiteral("SpeedButtonClose"));
    SpeedButtonClose->setDefaultAction(CloseForm);
    SpeedButtonClose->setAutoRaise(true);
    SpeedButtonClose->setFocusPolicy(Qt::NoFocus);
    LayOut();

    // The placement is restored before the creation handler, which centres
    // only a window without a stored entry.
    KSavePosIni1 = std::make_unique<WindowPlacementStore>(options.iniPath);
    KSavePosIni1->SaveBounds = options.saveBounds;
    KSavePosIni1->Loaded(this);
    FormCreate();
}

CommonWindow::~CommonWindow() {
    LeaveWindowList();
    try {
        KSavePosIni1->FormDestroying();
    } catch (const std::exception& e) {
        ReportUncaughtError(e.what());
    }
}

void CommonWindow::FormCreate() {
    setWindowTitle(ApplicationTitle());
    EnableChildControls(PanelTop, false);
    SetTitleColor(PanelTitle->palette().color(QPalette::Window));
    try {
        if (KSavePosIni1->ReadBoundsText().empty()) {
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
    PanelTitle->SetCaption(caption);
}

void CommonWindow::SetTitleColor(const QColor& colour) {
    PanelTitle->SetColor(colour);
    PanelBar1->SetColor(colour);
    PanelBar2->SetColor(colour);
}

void CommonWindow::CloseFormExecute() {
    close();
}

bool CommonWindow::FormKeyDown(QKeyEvent* event) {
    return event->key() == Qt::Key_F10;
}

void CommonWindow::resizeEvent(QResizeEvent* event) {
    KeyboardNavigatingWindow::resizeEvent(event);
    LayOut();
}

void CommonWindow::LayOut() {
    const int w = width();
    const int h = height();
    PanelTop->setGeometry(0, 0, w, 52);
    PanelBar1->setGeometry(0, 47, w, 5);
    PanelBottom->setGeometry(0, h - 39, w, 39);
    PanelBar2->setGeometry(0, 0, w, 5);
    PanelDetail->setGeometry(0, 52, w, h - 52 - 39);
    // Anchored to the right and bottom edges.
    SpeedButtonClose->setGeometry(w - 72, 10, 67, 25);
}

}  // namespace pictorel
