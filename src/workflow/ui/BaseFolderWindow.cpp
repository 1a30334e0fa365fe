#include "workflow/ui/BaseFolderWindow.h"

#include <QShowEvent>

#include "app/ui/UncaughtError.h"

namespace pictorel {

BaseFolderWindow::BaseFolderWindow(SettingsFile& ini, const std::string& iniPath,
                                   IMessageBoxes& boxes, IFolderBrowser& browser)
    : CommonWindow(nullptr,
                   Options{QStringLiteral("FSelectRootPath"), QSize(456, 204), iniPath, true}),
      logic_(ini, boxes, browser) {
    setModal(true);
    SetTitle(QStringLiteral("基準フォルダ選択"));
    SetTitleColor(QColor(0xF0, 0xD0, 0x90));

    hintLabel = new QLabel(
        QStringLiteral("このフォルダの下に新しいフォルダが作成され、画像はそこに保存されます"),
        contentPanel);
    hintLabel->setObjectName(QStringLiteral("hintLabel"));
    hintLabel->adjustSize();
    hintLabel->move(14, 12);

    folderEdit = new QLineEdit(contentPanel);
    folderEdit->setObjectName(QStringLiteral("folderEdit"));
    folderEdit->setGeometry(14, 34, 428, 24);
    SetFieldColor(folderEdit, Qt::white);

    browseButton = new QPushButton(QStringLiteral("変更する"), contentPanel);
    browseButton->setObjectName(QStringLiteral("browseButton"));
    browseButton->setGeometry(456 - 14 - 96, 66, 96, 28);
    browseButton->setAutoDefault(false);
    browseButton->setFocusPolicy(Qt::NoFocus);
    connect(browseButton, &QPushButton::clicked, this, &BaseFolderWindow::Browse);

    okButton = new QPushButton(QStringLiteral("決定"), bottomPanel);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry((456 - 96) / 2, 8, 96, 27);
    okButton->setDefault(true);
    SetRole(okButton, NavigationRole::ConfirmButton);
    connect(okButton, &QPushButton::clicked, this, &BaseFolderWindow::Confirm);

    FinishCreation();
}

void BaseFolderWindow::showEvent(QShowEvent* event) {
    CommonWindow::showEvent(event);
    // Restoring a minimised dialog keeps what the user typed.
    if (event->spontaneous()) return;
    Guarded([this] { logic_.Load(); });
    folderEdit->setText(QString::fromStdString(logic_.FolderText));
    folderEdit->setFocus(Qt::OtherFocusReason);
}

void BaseFolderWindow::Browse() {
    logic_.FolderText = folderEdit->text().toStdString();
    Guarded([this] { logic_.Browse(); });
    folderEdit->setText(QString::fromStdString(logic_.FolderText));
}

void BaseFolderWindow::Confirm() {
    logic_.FolderText = folderEdit->text().toStdString();
    int result = 0;
    Guarded([&] { result = logic_.Confirm(); });
    folderEdit->setText(QString::fromStdString(logic_.FolderText));
    if (result == 1) done(1);
}

void BaseFolderWindow::CloseWindow() {
    done(logic_.CloseResult());
}

}  // namespace pictorel
