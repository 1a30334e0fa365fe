// The top-level error report: an error that nothing else catches is shown
// with its text in an error box, and the program goes on.
#pragma once

#include <QApplication>
#include <string>

namespace pictorel {

class IMessageBoxes;

// The boxes used for the report (the Qt boxes unless a test sets others).
void SetUncaughtErrorBoxes(IMessageBoxes* boxes);
void ReportUncaughtError(const std::string& text);

// The application object: every event handler runs inside the top-level report.
class PictorelApplication : public QApplication {
    Q_OBJECT
  public:
    PictorelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace pictorel
