#include "editor/ui/FrameShape.h"

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

void FrameShape::Paint(QPainter& painter) {
    OutlineShape::Paint(painter);
    if (OnPaint) {
        painter.save();
        OnPaint(*this, painter);
        painter.restore();
    }
}

}  // namespace pictorel
