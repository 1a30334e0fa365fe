#include "editor/FrameGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace pictorel {

FrameGrab GrabFrame(const Rect& f, Point pointer) {
    const Point at = f.Relative(pointer);
    const int w = f.Width(), h = f.Height(), z = kCornerZone;
    if (at.x >= w - z && at.y >= h - z) return {true, {f.left, f.top}};
    if (at.x <= z && at.y <= z) return {true, {f.right, f.bottom}};
    if (at.x >= w - z && at.y <= z) return {true, {f.left, f.bottom}};
    if (at.x <= z && at.y >= h - z) return {true, {f.right, f.top}};
    return {false, at};
}

Rect SquareFromAnchor(Point a, Point p) {
    const int side = std::max(std::abs(a.x - p.x), std::abs(a.y - p.y));
    return Rect::At(p.x < a.x ? a.x - side : a.x, p.y < a.y ? a.y - side : a.y, side, side);
}

FrameDrag StartFrameDrag(const Rect& frame, Point pointer) {
    const FrameGrab grab = GrabFrame(frame, pointer);
    FrameDrag drag;
    drag.anchor = grab.anchor;
    (grab.resize ? drag.resizing : drag.moving) = true;
    return drag;
}

std::optional<Rect> DraggedFrame(const Rect& frame, const FrameDrag& drag, Point pointer) {
    if (drag.resizing) return SquareFromAnchor(drag.anchor, pointer);
    if (drag.moving) return frame.MovedTo({pointer.x - drag.anchor.x, pointer.y - drag.anchor.y});
    return std::nullopt;
}

FrameCursor HoverCursor(const Rect& f, Point pointer) {
    const Point at = f.Relative(pointer);
    const int w = f.Width(), h = f.Height(), z = kCornerZone;
    if ((at.x >= w - z && at.y >= h - z) || (at.x <= z && at.y <= z)) return FrameCursor::SizeNWSE;
    if ((at.x >= w - z && at.y <= z) || (at.x <= z && at.y >= h - z)) return FrameCursor::SizeNESW;
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
