#include "editor/ui/FrameShape.h"

#include <QMouseEvent>
#include <QPainter>

namespace pictorel {

OutlineShape::OutlineShape(QWidget* parent, const QString& name) : MouseArea(parent, name) {
    setMouseTracking(true);
}

void OutlineShape::SetPen(const QColor& colour, int width) {
    penColor_ = colour;
    penWidth_ = width;
    update();
}

void OutlineShape::Paint(QPainter& painter) {
    if (penWidth_ <= 0) return;
    QPen pen(penColor_, penWidth_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal half = penWidth_ / 2.0;
    painter.drawRect(QRectF(half, half, width() - penWidth_, height() - penWidth_));
}

void OutlineShape::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Paint(painter);
}

void FrameShape::Click() {
    if (OnClick) OnClick(*this);
}

void FrameShape::DblClick() {
    if (OnDblClick) OnDblClick(*this);
}

void FrameShape::Paint(QPainter& painter) {
    OutlineShape::Paint(painter);
    if (OnPaint) {
        painter.save();
        OnPaint(*this, painter);
        painter.restore();
    }
}

void FrameShape::mouseReleaseEvent(QMouseEvent* event) {
    // A left-button release over the control is a click, as for any control.
    // The handlers may have moved or hidden the control, so the test comes first.
    const bool click = event->button() == Qt::LeftButton && rect().contains(PixelOf(event));
    MouseArea::mouseReleaseEvent(event);
    if (click) Click();
}

void FrameShape::mouseDoubleClickEvent(QMouseEvent* event) {
    MouseArea::mousePressEvent(event);
    DblClick();
}

}  // namespace pictorel
