// The pointer position of a mouse event in whole pixels of the receiving control.
#pragma once

#include <QMouseEvent>
#include <QPoint>
#include <cmath>

namespace pictorel {

inline QPoint PixelOf(const QMouseEvent* event) {
    const QPointF p = event->position();
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

}  // namespace pictorel
