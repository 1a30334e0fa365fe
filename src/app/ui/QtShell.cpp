#include "app/ui/QtShell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QString>

namespace pictorel {

QtShell::QtShell(IMessageBoxes& boxes, Launcher launcher)
    : boxes_(boxes), launcher_(std::move(launcher)) {
    if (!launcher_) launcher_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

void QtShell::OpenFolder(const std::string& path) {
    const QString folder = QString::fromStdString(path);
    if (!QFileInfo(folder).isDir()) {
        boxes_.ShowError(std::string(kFolderMissingMessage) + "\n" + path);
        return;
    }
    if (!launcher_(QUrl::fromLocalFile(folder)))
        boxes_.ShowError(std::string(kFolderNotOpenedMessage) + "\n" + path);
}

void QtShell::OpenUrl(const std::string& url) {
    const QUrl address(QString::fromStdString(url));
    if (launcher_(address)) return;
    // A local page is named by its file, so the user can open it by hand.
    const std::string shown = address.isLocalFile() ? address.toLocalFile().toStdString() : url;
    boxes_.ShowError(std::string(kPageNotOpenedMessage) + "\n" + shown);
}

}  // namespace pictorel
