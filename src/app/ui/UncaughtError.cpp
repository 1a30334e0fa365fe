#include "app/ui/UncaughtError.h"

#include <exception>

#include "app/ui/QtMessageBoxes.h"

namespace pictorel {

namespace {
IMessageBoxes* g_boxes = nullptr;
}

IMessageBoxes* SetUncaughtErrorBoxes(IMessageBoxes* boxes) {
    IMessageBoxes* previous = g_boxes;
    g_boxes = boxes;
    return previous;
}

void ReportUncaughtError(const std::string& text) {
    if (g_boxes != nullptr) {
        g_boxes->ShowError(text);
        return;
    }
    QtMessageBoxes boxes;
    boxes.ShowError(text);
}

void Guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        ReportUncaughtError(e.what());
    }
}

PictorelApplication::PictorelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool PictorelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportUncaughtError(e.what());
    } catch (...) {
        ReportUncaughtError("unknown error");
    }
    return false;
}

}  // namespace pictorel
