// PublishCheckWindow: the check before publishing after an automatic run.
// It lists each photo with a finding (a thumbnail of the result, the file
// and its findings) and offers to save check.csv beside the results.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <string>

#include "app/MessageBoxes.h"
#include "app/ui/CommonWindow.h"
#include "workflow/PublishCheck.h"

namespace pictorel {

class PublishCheckWindow : public CommonWindow {
    Q_OBJECT
  public:
    PublishCheckWindow(QWidget* parent, const std::string& iniPath, PublishCheckReport report,
                       IMessageBoxes& boxes);

    QListWidget* findingList;
    QPushButton* saveButton;
    QPushButton* closeListButton;

  public slots:
    // Writes check.csv (check-1.csv, ... when taken) into the results'
    // folder and tells where; a failure is told in an error box.
    void SaveCsv();

  private:
    const PublishCheckReport report_;
    IMessageBoxes& boxes_;
};

}  // namespace pictorel
