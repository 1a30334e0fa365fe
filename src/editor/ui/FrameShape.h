// OutlineShape and FrameShape: rectangle-outline controls. OutlineShape paints its
// outline with its pen over a clear brush and reports its mouse events. FrameShape adds the
// OnClick, OnDblClick and OnPaint events, each called after the inherited work.
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

    using NotifyEvent = std::function<void(FrameShape& sender)>;
    using PaintEvent = std::function<void(FrameShape& sender, QPainter& canvas)>;
    NotifyEvent OnClick;
    NotifyEvent OnDblClick;
    // Called after the outline, with a painter on the control's own surface.
    PaintEvent OnPaint;

  protected:
    virtual void Click();
    virtual void DblClick();
    void Paint(QPainter& painter) override;

    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace pictorel
