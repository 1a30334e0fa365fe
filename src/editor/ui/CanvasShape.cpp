#include "editor/ui/CanvasShape.h"

#include <QMouseEvent>
#include <QPainter>

namespace pictorel {

TShape::TShape(QWidget* parent, const QString& name) : TMouseControl(parent, name) {
    setMouseTracking(true);
}

void TShape::SetPen(const QColor& colour, int width) {
    penColor_ = colour;
    penWidth_ = width;
    update();
}

void TShape::Paint(QPainter& painter) {
    if (penWidth_ <= 0) return;
    QPen pen(penColor_, penWidth_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal half = penWidth_ / 2.0;
    painter.drawRect(QRectF(half, half, width() - penWidth_, height() - penWidth_));
}

void TShape::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Paint(painter);
}

void TCanvasShape::Click() {
    if (OnClick) OnClick(*this);
}

void TCanvasShape::DblClick() {
    if (OnDblClick) OnDblClick(*this);
}

void TCanvasShape::Paint(QPainter& painter) {
    TShape::Paint(painter);
    if (OnPaint) {
        painter.save();
        OnPaint(*this, painter);
        painter.restore();
    }
}

void TCanvasShape::mouseReleaseEvent(QMouseEvent* event) {
    // A left-button release over the control is a click, as for any control.
    // The handlers may have moved or hidden the control, so the test comes first.
    const bool click = event->button() == Qt::LeftButton && rect().contains(PixelOf(event));
    TMouseControl::mouseReleaseEvent(event);
    if (click) Click();
}

void TCanvasShape::mouseDoubleClickEvent(QMouseEvent* event) {
    TMouseControl::mousePressEvent(event);
    DblClick();
}

}  // namespace pictorel
