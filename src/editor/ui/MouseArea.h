// MouseArea: a control that reports its mouse events with coordinates in
// whole pixels relative to itself. While a button is held the control keeps
// the mouse, so the coordinates may lie outside it.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>

class QMouseEvent;

namespace pictorel {

// The pointer position of a mouse event in whole pixels of the receiving control.
QPoint PixelOf(const QMouseEvent* event);

class MouseArea : public QWidget {
    Q_OBJECT
  public:
    explicit MouseArea(QWidget* parent, const QString& name = {});

    using MouseEvent = std::function<void(int x, int y)>;
    MouseEvent OnMouseDown;
    MouseEvent OnMouseMove;
    MouseEvent OnMouseUp;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace pictorel
