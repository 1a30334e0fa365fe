// The open-picture dialog: several files, the picture filter matched without
// regard to case, and a preview of the current file with its pixel size.
#pragma once

#include <QImage>
#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace pictorel {

struct PicturePreview {
    QImage image;  // scaled to fit the preview box; null when unreadable
    QString sizeText;
};

// Decodes `path` with the program's own readers (chosen by its extension)
// for the preview box of `boxSide` pixels.
PicturePreview MakePicturePreview(const QString& path, int boxSide);

// The open dialog's filter: "グラフィックファイル (*.bmp *.jpg ...)" over the
// accepted extensions.
QString PictureFilter();

// The chosen files in the order of their names (empty when cancelled),
// starting in `initialFolder`.
std::vector<std::string> RunOpenPictureDialog(QWidget* parent, const QString& initialFolder);

}  // namespace pictorel
