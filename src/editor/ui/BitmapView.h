// TBitmapView: an image control that shows a document's Bitmap. A picture of
// the control's size is painted pixel for pixel; any other size is stretched
// to the control. Optionally the pixels of one colour are left out, so that
// the controls beneath show through. Mouse events are reported with
// coordinates relative to the control (outside it while a button is held).
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

#include "imaging/Bitmap.h"

namespace pictorel {

// A QImage over a 24-bit Bitmap's memory, without copying; other layouts are
// converted first. The image must not outlive the bitmap.
QImage ImageOf(const Bitmap& bitmap);

class TBitmapView : public QWidget {
    Q_OBJECT
  public:
    // `source` gives the picture to paint, or nullptr for none.
    TBitmapView(QWidget* parent, const QString& name, std::function<const Bitmap*()> source);

    // Pixels of this colour are not painted.
    void SetTransparentColor(std::optional<Color> colour);

    using MouseEvent = std::function<void(int x, int y)>;
    MouseEvent OnMouseDown;
    MouseEvent OnMouseMove;
    MouseEvent OnMouseUp;

    // What the control shows, as painted (for tests and screenshots).
    QImage Rendered() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void PaintPicture(QPainter& painter) const;

    std::function<const Bitmap*()> source_;
    std::optional<Color> transparent_;
};

}  // namespace pictorel
