#include "app/ui/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/ui/Controls.h"

namespace pictorel {

namespace {

const QString kOk = QStringLiteral("OK");

// The window a box belongs to. A visible window kept on top (the progress
// window of a run) comes first: a box beneath it would show no more than its
// title bar and hold the run up until someone found it. Otherwise the modal
// window in use (the editor, a dialog), else the active window.
QWidget* BoxOwner() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
            qobject_cast<QMessageBox*>(window) == nullptr)
            return window;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

}  // namespace

int QtMessageBoxes::Run(int icon, const QString& title, const std::string& text, bool yesNo) {
    if (programEnding_ && programEnding_()) {
        std::fprintf(stderr, "%s: %s\n", title.toStdString().c_str(), text.c_str());
        return 0;
    }
    QWidget* owner = BoxOwner();
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), title, QString::fromStdString(text),
                    QMessageBox::NoButton, owner);
    // Owned by a window kept on top, the box is kept on top as well, since
    // window managers stack such windows in a layer of their own.
    if (owner != nullptr && owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Once shown, the box comes to the front and takes the keyboard, so that
    // Enter or Esc answers it without a click.
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    box.setFont(InterfaceFont(12));
    // Texts carry file names: never read as markup, line breaks kept.
    box.setTextFormat(Qt::PlainText);
    if (yesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? 1 : 0;
    }
    QPushButton* ok = box.addButton(kOk, QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return 1;
}

void QtMessageBoxes::ShowError(const std::string& text) {
    Run(QMessageBox::Critical, QStringLiteral("エラー"), text, false);
}

bool QtMessageBoxes::Confirm(const std::string& text) {
    return Run(QMessageBox::Question, QStringLiteral("確認"), text, true) == 1;
}

void QtMessageBoxes::ConfirmOk(const std::string& text) {
    Run(QMessageBox::Question, QStringLiteral("確認"), text, false);
}

void QtMessageBoxes::ShowPlain(const std::string& text) {
    Run(QMessageBox::NoIcon, ApplicationTitle(), text, false);
}

}  // namespace pictorel
