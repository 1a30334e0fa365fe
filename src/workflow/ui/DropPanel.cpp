#include "workflow/ui/DropPanel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace pictorel {

namespace {

bool HasLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return false;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return true;
    return false;
}

}  // namespace

DropPanel::DropPanel(QWidget* parent, const QString& name) : Panel(parent, name) {
    setAcceptDrops(true);
}

bool DropPanel::AcceptDroppedUrls(const QList<QUrl>& urls) {
    std::vector<std::string> paths;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        QString path = url.toLocalFile();
        // A folder URL may end in "/"; the path of the folder itself is meant.
        while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
        paths.push_back(path.toStdString());
    }
    if (paths.empty()) return false;
    FileList = std::move(paths);
    emit FileDrop(this);
    return true;
}

void DropPanel::dragEnterEvent(QDragEnterEvent* event) {
    if (HasLocalFile(event->mimeData())) event->acceptProposedAction();
}

void DropPanel::dragMoveEvent(QDragMoveEvent* event) {
    if (HasLocalFile(event->mimeData())) event->acceptProposedAction();
}

void DropPanel::dropEvent(QDropEvent* event) {
    if (AcceptDroppedUrls(event->mimeData()->urls())) event->acceptProposedAction();
}

}  // namespace pictorel
