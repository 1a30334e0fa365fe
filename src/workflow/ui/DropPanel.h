// DropPanel: a panel that accepts files and folders dropped from the file
// manager. FileList holds the local paths of the latest drop, in the order
// they arrived; FileDrop is emitted once it is filled.
#pragma once

#include <string>
#include <vector>

#include "app/ui/Controls.h"

namespace pictorel {

class DropPanel : public Panel {
    Q_OBJECT
  public:
    explicit DropPanel(QWidget* parent, const QString& name);

    std::vector<std::string> FileList;

    // Fills FileList from the local-file URLs of `urls` (others are left out)
    // and emits FileDrop when there was at least one; true in that case.
    bool AcceptDroppedUrls(const QList<QUrl>& urls);

  signals:
    void FileDrop(DropPanel* sender);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

}  // namespace pictorel
