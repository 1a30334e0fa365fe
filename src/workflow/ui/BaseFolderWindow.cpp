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

    Label5 = new QLabel(
        QStringLiteral("このフォルダの下に新しいフォルダが作成され、画像はそこに保存されます"),
        PanelDetail);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->adjustSize();
    Label5->move(14, 12);

    EditRootPath = new QLineEdit(PanelDetail);
    EditRootPath->setObjectName(QStringLiteral("EditRootPath"));
    EditRootPath->setGeometry(14, 34, 428, 24);
    SetFieldColor(EditRootPath, Qt::white);

    SpeedButton17 = new QPushButton(QStringLiteral("変更する"), PanelDetail);
    SpeedButton17->setObjectName(QStringLiteral("SpeedButton17"));
    SpeedButton17->setGeometry(456 - 14 - 96, 66, 96, 28);
    SpeedButton17->setAutoDefault(false);
    SpeedButton17->setFocusPolicy(Qt::NoFocus);
    connect(SpeedButton17, &QPushButton::clicked, this, &BaseFolderWindow::SpeedButton17Click);

    BitBtnOK = new QPushButton(QStringLiteral("決定"), PanelBottom);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setGeometry((456 - 96) / 2, 8, 96, 27);
    BitBtnOK->setDefault(true);
    SetTag(BitBtnOK, 1);
    connect(BitBtnOK, &QPushButton::clicked, this, &BaseFolderWindow::BitBtnOKClick);

    FinishCreation();
}

void BaseFolderWindow::showEvent(QShowEvent* event) {
    CommonWindow::showEvent(event);
    // Restoring a minimised dialog keeps what the user typed.
    if (event->spontaneous()) return;
    Guarded([this] { logic_.FormShow(); });
    EditRootPath->setText(QString::fromStdString(logic_.EditRootPath));
    EditRootPath->setFocus(Qt::OtherFocusReason);
}

void BaseFolderWindow::SpeedButton17Click() {
    logic_.EditRootPath = EditRootPath->text().toStdString();
    Guarded([this] { logic_.SpeedButton17Click(); });
    EditRootPath->setText(QString::fromStdString(logic_.EditRootPath));
}

void BaseFolderWindow::BitBtnOKClick() {
    logic_.EditRootPath = EditRootPath->text().toStdString();
    int result = 0;
    Guarded([&] { result = logic_.BitBtnOKClick(); });
    EditRootPath->setText(QString::fromStdString(logic_.EditRootPath));
    if (result == 1) done(1);
}

void BaseFolderWindow::CloseFormExecute() {
    done(logic_.CloseFormExecute());
}

}  // namespace pictorel
