#include "workflow/ui/PublishCheckWindow.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <utility>

namespace pictorel {

namespace {

constexpr int kThumbnailSide = 96;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

// The result as a thumbnail, decoded at its small size straight away; a
// blank square of the same size when the result can no longer be read
// (moved, say), so that every entry's text starts at the same place.
QIcon Thumbnail(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty())
        reader.setScaledSize(size.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (!image.isNull()) return QIcon(QPixmap::fromImage(image));
    QPixmap blank(kThumbnailSide, kThumbnailSide);
    blank.fill(QColor(0xE0, 0xE0, 0xE0));
    return QIcon(blank);
}

QString EntryText(const PhotoCheck& check) {
    QString text = QString::fromStdString(check.photo.source);
    for (const Finding& finding : check.findings)
        text += QStringLiteral("\n・") + QString::fromStdString(finding.text);
    return text;
}

}  // namespace

PublishCheckWindow::PublishCheckWindow(QWidget* parent, const std::string& iniPath,
                                       PublishCheckReport report, IMessageBoxes& boxes)
    : CommonWindow(parent,
                   Options{QStringLiteral("FPublishCheck"), QSize(kWidth, kHeight), iniPath, true}),
      report_(std::move(report)),
      boxes_(boxes) {
    setModal(true);
    SetTitle(QString::fromUtf8(kPublishCheckTitle));
    SetTitleColor(QColor(0xF0, 0xE0, 0x90));

    summaryLabel = new QLabel(QString::fromStdString(CheckSummaryText(report_)), contentPanel);
    summaryLabel->setObjectName(QStringLiteral("summaryLabel"));

    findingList = new QListWidget(contentPanel);
    findingList->setObjectName(QStringLiteral("findingList"));
    findingList->setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    findingList->setWordWrap(true);
    findingList->setSelectionMode(QAbstractItemView::NoSelection);
    findingList->setSpacing(4);
    for (const PhotoCheck& check : report_.photos) {
        if (check.findings.empty()) continue;
        auto* item = new QListWidgetItem(Thumbnail(check.photo.result), EntryText(check));
        item->setToolTip(QString::fromStdString(check.photo.result));
        findingList->addItem(item);
    }
    auto* layout = new QVBoxLayout(contentPanel);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(summaryLabel);
    layout->addWidget(findingList);

    // The window's own close button (閉じる, bottom right) ends it.
    saveButton = new QPushButton(QStringLiteral("check.csv を保存"), bottomPanel);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    saveButton->setGeometry((kWidth - 140) / 2, 8, 140, 27);
    saveButton->setAutoDefault(false);
    SetRole(saveButton, NavigationRole::ConfirmButton);
    connect(saveButton, &QPushButton::clicked, this, &PublishCheckWindow::SaveCsv);

    FinishCreation();
}

void PublishCheckWindow::SaveCsv() {
    try {
        const std::string written = WriteCheckCsv(report_, CheckCsvFolder(report_));
        // Saved once is enough: a second press would only add check-1.csv.
        saveButton->setEnabled(false);
        boxes_.ShowPlain(CheckCsvSavedText(written));
    } catch (const SaveFailure& e) {
        boxes_.ShowError(e.what());
    }
}

}  // namespace pictorel
