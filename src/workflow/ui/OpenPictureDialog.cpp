#include "workflow/ui/OpenPictureDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "formats/LoadedPicture.h"
#include "formats/PictureFormats.h"
#include "workflow/FileUtils.h"

namespace pictorel {

namespace {

constexpr int kPreviewSide = 200;

}  // namespace

QString PictureFilter() {
    QStringList patterns;
    for (const std::string_view extension : AcceptedExtensions())
        patterns << QStringLiteral("*.") + QString::fromLatin1(extension.data(), extension.size());
    return QStringLiteral("グラフィックファイル (") + patterns.join(QLatin1Char(' ')) +
           QLatin1Char(')');
}

PicturePreview MakePicturePreview(const QString& path, int boxSide) {
    PicturePreview preview;
    if (path.isEmpty() || !QFileInfo(path).isFile()) return preview;
    try {
        LoadedPicture picture;
        picture.LoadFromFile(path.toStdString());
        if (picture.Empty()) return preview;
        const Bitmap bgr = picture.ToBitmap().ToBgr24();
        const QImage view(bgr.ScanLine(0), bgr.Width(), bgr.Height(),
                          static_cast<qsizetype>(bgr.Stride()), QImage::Format_BGR888);
        preview.image =
            view.scaled(boxSide, boxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        preview.sizeText =
            QStringLiteral("%1 × %2 ピクセル").arg(picture.Width()).arg(picture.Height());
    } catch (const std::exception&) {
        // Not a picture the program reads: no preview.
        preview = PicturePreview();
    }
    return preview;
}

std::vector<std::string> RunOpenPictureDialog(QWidget* parent, const QString& initialFolder) {
    QFileDialog dialog(parent);
    // The widget-based dialog matches the filter without regard to case, so
    // IMG_0001.JPG is listed.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(PictureFilter());
    dialog.setSizeGripEnabled(true);
    if (!initialFolder.isEmpty()) dialog.setDirectory(initialFolder);

    auto* pane = new QWidget(&dialog);
    auto* image = new QLabel(pane);
    image->setFixedSize(kPreviewSide, kPreviewSide);
    image->setAlignment(Qt::AlignCenter);
    image->setFrameShape(QFrame::StyledPanel);
    auto* size = new QLabel(pane);
    size->setAlignment(Qt::AlignCenter);
    auto* column = new QVBoxLayout(pane);
    column->addWidget(image);
    column->addWidget(size);
    column->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    }
    QObject::connect(&dialog, &QFileDialog::currentChanged, pane,
                     [image, size](const QString& path) {
                         const PicturePreview preview = MakePicturePreview(path, kPreviewSide);
                         image->setPixmap(QPixmap::fromImage(preview.image));
                         size->setText(preview.sizeText);
                     });

    dialog.resize(860, 480);

    std::vector<std::string> paths;
    if (dialog.exec() != QDialog::Accepted) return paths;
    for (const QString& file : dialog.selectedFiles()) paths.push_back(file.toStdString());
    // The dialog hands the files over in the order they were clicked; the
    // run takes them in the order of their names, as a folder given whole.
    SortByNaturalName(paths);
    return paths;
}

}  // namespace pictorel
