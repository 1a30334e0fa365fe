#include "app/ui/QtFolderBrowser.h"

#include <QApplication>
#include <QFileDialog>

namespace pictorel {

std::string QtFolderBrowser::SelectFolder(const std::string& initial) {
    const QString start = QString::fromStdString(initial);
    const QString chosen = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), QStringLiteral("フォルダを選択してください"),
        start.size() > 1 ? start : QString(), QFileDialog::ShowDirsOnly);
    return chosen.toStdString();
}

}  // namespace pictorel
