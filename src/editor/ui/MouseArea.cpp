#include "editor/ui/MouseArea.h"

#include <QMouseEvent>
#include <cmath>

namespace pictorel {

QPoint PixelOf(const QMouseEvent* event) {
    const QPointF p = event->position();
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

MouseArea::MouseArea(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    // Nothing is filled: what the control does not paint shows what lies beneath.
    setAttribute(Qt::WA_NoSystemBackground);
}

void MouseArea::mousePressEvent(QMouseEvent* event) {
    const QPoint p = PixelOf(event);
    if (OnMouseDown) OnMouseDown(p.x(), p.y());
    event->accept();
}

void MouseArea::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = PixelOf(event);
    if (OnMouseMove) OnMouseMove(p.x(), p.y());
    event->accept();
}

void MouseArea::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = PixelOf(event);
    if (OnMouseUp) OnMouseUp(p.x(), p.y());
    event->accept();
}

}  // namespace pictorel
