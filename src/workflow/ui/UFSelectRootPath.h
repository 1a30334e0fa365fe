// TFSelectRootPath: the base-folder dialog. Shows "RootPath", lets the user
// type or browse for another folder and stores it on "決定".
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "app/ui/UFCommon.h"
#include "workflow/FolderDialogs.h"
#include "workflow/UFSelectRootPath.h"

namespace pictorel {

class TFSelectRootPath : public TFCommon, public IBaseFolderDialog {
    Q_OBJECT
  public:
    TFSelectRootPath(TIniGT& ini, const std::string& iniPath, IMessageBoxes& boxes,
                     IFolderBrowser& browser);

    // Modal; the result is not used by the callers.
    void ShowBaseFolderDialog() override { exec(); }
    TSelectRootPathLogic& Logic() { return logic_; }

    QLabel* Label5;
    QLineEdit* EditRootPath;
    QPushButton* SpeedButton17;
    QPushButton* BitBtnOK;

  public slots:
    void SpeedButton17Click();
    void BitBtnOKClick();
    void CloseFormExecute() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TSelectRootPathLogic logic_;
};

}  // namespace pictorel
