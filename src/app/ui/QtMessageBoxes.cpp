#include "app/ui/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "app/ui/Controls.h"

namespace pictorel {

namespace {

const QString kOk = QStringLiteral("OK");

}  // namespace

int QtMessageBoxes::Run(int icon, const QString& title, const std::string& text, bool yesNo) {
    if (programEnding_ && programEnding_()) {
        std::fprintf(stderr, "%s: %s\n", title.toStdString().c_str(), text.c_str());
        return 0;
    }
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), title, QString::fromStdString(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
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
