// The top-level error report: an error that nothing else catches is shown
// with its text in an error box, and the program goes on.
#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace pictorel {

class IMessageBoxes;

// The boxes used for the report (the Qt boxes while none are set); returns
// the boxes set before.
IMessageBoxes* SetUncaughtErrorBoxes(IMessageBoxes* boxes);
void ReportUncaughtError(const std::string& text);

// Runs an event handler's work; an error that escapes it is reported here,
// before it could unwind through the window system's frames.
void Guarded(const std::function<void()>& work);

// The application object: every event handler runs inside the top-level report.
class PictorelApplication : public QApplication {
    Q_OBJECT
  public:
    PictorelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace pictorel
