// BitmapView: an image control that shows a document's Bitmap. A picture of
// the control's size is painted pixel for pixel; any other size is stretched
// to the control. Optionally the pixels of one colour are left out, so that
// the controls beneath show through.
#pragma once

#include <QImage>
#include <functional>
#include <optional>

#include "editor/ui/MouseArea.h"
#include "imaging/Bitmap.h"

namespace pictorel {

// A QImage over a 24-bit Bitmap's memory, without copying; other layouts are
// converted first. The image must not outlive the bitmap.
QImage ImageOf(const Bitmap& bitmap);

class BitmapView : public MouseArea {
    Q_OBJECT
  public:
    // `source` gives the picture to paint, or nullptr for none.
    BitmapView(QWidget* parent, const QString& name, std::function<const Bitmap*()> source);

    // Pixels of this colour are not painted.
    void SetTransparentColor(std::optional<Color> colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void PaintPicture(QPainter& painter) const;

    std::function<const Bitmap*()> source_;
    std::optional<Color> transparent_;
};

}  // namespace pictorel
