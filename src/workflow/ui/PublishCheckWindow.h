// PublishCheckWindow: the check before publishing after an automatic run.
// It lists each photo with a finding (a thumbnail of the result, the file
// and its findings) and offers to save check.csv beside the results; the
// window's own close button ends it.
#pragma once

#include <QLabel>
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

    QLabel* summaryLabel;
    QListWidget* findingList;
    QPushButton* saveButton;

  public slots:
    // Writes check.csv (check-1.csv, ... when taken) into the results'
    // folder and tells where; a failure is told in an error box.
    void SaveCsv();

  private:
    const PublishCheckReport report_;
    IMessageBoxes& boxes_;
};

}  // namespace pictorel
