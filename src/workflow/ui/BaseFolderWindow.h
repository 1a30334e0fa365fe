// BaseFolderWindow: the base-folder dialog. Shows "RootPath", lets the user
// type or browse for another folder and stores it on "決定".
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "app/ui/CommonWindow.h"
#include "workflow/BaseFolderDialogModel.h"
#include "workflow/FolderDialogs.h"

namespace pictorel {

class BaseFolderWindow : public CommonWindow, public IBaseFolderDialog {
    Q_OBJECT
  public:
    BaseFolderWindow(SettingsFile& ini, const std::string& iniPath, IMessageBoxes& boxes,
                     IFolderBrowser& browser);

    // Modal; the result is not used by the callers.
    void ShowBaseFolderDialog() override { exec(); }
    BaseFolderDialogModel& Logic() { return logic_; }

    QLabel* hintLabel;
    QLineEdit* folderEdit;
    QPushButton* browseButton;
    QPushButton* okButton;

  public slots:
    void Browse();
    void Confirm();
    void CloseWindow() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    BaseFolderDialogModel logic_;
};

}  // namespace pictorel
