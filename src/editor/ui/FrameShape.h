// OutlineShape and FrameShape: rectangle-outline controls. OutlineShape paints its
// outline with its pen over a clear brush and reports its mouse events. FrameShape adds the
// OnPaint event, called after the outline to draw the frame's marks over it.
#pragma once

#include <QColor>
#include <functional>

#include "editor/ui/MouseArea.h"

class QPainter;

namespace pictorel {

class OutlineShape : public MouseArea {
    Q_OBJECT
  public:
    explicit OutlineShape(QWidget* parent, const QString& name = {});

    void SetPen(const QColor& colour, int width);
    QColor PenColor() const { return penColor_; }
    int PenWidth() const { return penWidth_; }

  protected:
    // Draws the outline, the pen lying inside the control's bounds.
    virtual void Paint(QPainter& painter);

    void paintEvent(QPaintEvent* event) override;

  private:
    QColor penColor_{Qt::black};
    int penWidth_ = 1;
};

class FrameShape : public OutlineShape {
    Q_OBJECT
  public:
    using OutlineShape::OutlineShape;

    using PaintEvent = std::function<void(FrameShape& sender, QPainter& canvas)>;
    // Called after the outline, with a painter on the control's own surface.
    PaintEvent OnPaint;

  protected:
    void Paint(QPainter& painter) override;
};

}  // namespace pictorel
