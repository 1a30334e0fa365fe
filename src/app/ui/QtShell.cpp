#include "app/ui/QtShell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace pictorel {

// Failures are not reported: a missing folder or page gives no message.
void QtShell::OpenFolder(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void QtShell::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

}  // namespace pictorel
