#include "editor/FrameGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace pictorel {

FrameGrab GrabFrame(const Bounds& f, int x, int y) {
    const int w = f.width, h = f.height, z = kCornerZone;
    if (x >= w - z && y >= h - z) return {true, {f.left, f.top}};
    if (x <= z && y <= z) return {true, {f.left + w, f.top + h}};
    if (x >= w - z && y <= z) return {true, {f.left, f.top + h}};
    if (x <= z && y >= h - z) return {true, {f.left + w, f.top}};
    return {false, {x, y}};
}

Bounds SquareFromAnchor(Point a, Point p) {
    const int side = std::max(std::abs(a.x - p.x), std::abs(a.y - p.y));
    return {p.x < a.x ? a.x - side : a.x, p.y < a.y ? a.y - side : a.y, side, side};
}

bool DragFrame(Bounds& frame, const FrameDrag& drag, int x, int y) {
    if (drag.resizing) {
        frame = SquareFromAnchor(drag.anchor, {x + frame.left, y + frame.top});
    } else if (drag.moving) {
        frame.left += x - drag.anchor.x;
        frame.top += y - drag.anchor.y;
    } else {
        return false;
    }
    return true;
}

FrameCursor HoverCursor(const Bounds& f, int x, int y) {
    const int w = f.width, h = f.height, z = kCornerZone;
    if ((x >= w - z && y >= h - z) || (x <= z && y <= z)) return FrameCursor::SizeNWSE;
    if ((x >= w - z && y <= z) || (x <= z && y >= h - z)) return FrameCursor::SizeNESW;
    return FrameCursor::Default;
}

FrameMarks FramePaintMarks(int w, int h) {
    const int cx = w / 2, cy = h / 2, z = kCornerZone;
    FrameMarks m;
    m.cross = {FrameLine{{cx, cy - 5}, {cx, cy + 5}}, FrameLine{{cx - 5, cy}, {cx + 5, cy}}};
    m.handles = {Rect{w - z, h - z, w, h}, Rect{0, 0, z, z}, Rect{w - z, 0, w, z},
                 Rect{0, h - z, z, h}};
    return m;
}

}  // namespace pictorel
