// The crop frame: drawn, moved and resized with the mouse, moved and sized
// with the keys; every finished change re-renders the result view.
#include <algorithm>
#include <cstdlib>

#include "editor/EditorModel.h"
#include "editor/FrameGeometry.h"

namespace pictorel {

namespace {

// Panel1 is 407 x 407: the view at 3..402 plus the 3- and 4-pixel borders.
constexpr int kPanel1Side = kViewOffset + kViewSide + 4;
// Key limits of the frame's side.
constexpr int kKeyMinSide = 20;
constexpr int kKeyMaxSide = 400;

}  // namespace

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

bool DragFrame(Bounds& frame, bool drawing, bool moving, Point anchor, int x, int y) {
    if (drawing) {
        frame = SquareFromAnchor(anchor, {x + frame.left, y + frame.top});
    } else if (moving) {
        frame.left += x - anchor.x;
        frame.top += y - anchor.y;
    } else {
        return false;
    }
    return true;
}

EditorModel::Cursor HoverCursor(const Bounds& f, int x, int y) {
    const int w = f.width, h = f.height, z = kCornerZone;
    if ((x >= w - z && y >= h - z) || (x <= z && y <= z)) return EditorModel::Cursor::SizeNWSE;
    if ((x >= w - z && y <= z) || (x <= z && y >= h - z)) return EditorModel::Cursor::SizeNESW;
    return EditorModel::Cursor::Default;
}

FrameMarks FramePaintMarks(int w, int h) {
    const int cx = w / 2, cy = h / 2, z = kCornerZone;
    FrameMarks m;
    m.cross = {FrameLine{{cx, cy - 5}, {cx, cy + 5}}, FrameLine{{cx - 5, cy}, {cx + 5, cy}}};
    m.handles = {Rect{w - z, h - z, w, h}, Rect{0, 0, z, z}, Rect{w - z, 0, w, z},
                 Rect{0, h - z, z, h}};
    return m;
}

// Drawing a new frame on the work view; (x, y) are work-view coordinates.
void EditorModel::Image1MouseDown(int x, int y) {
    if (Busy) return;
    Shape1Visible = false;
    AnchorPoint = {x + kViewOffset, y + kViewOffset};
    Shape1 = {AnchorPoint.x, AnchorPoint.y, 0, 0};
    Drawing = true;
}

void EditorModel::Image1MouseMove(int x, int y) {
    if (Busy || !Drawing) return;
    Shape1Visible = true;
    Shape1 = SquareFromAnchor(AnchorPoint, {x + kViewOffset, y + kViewOffset});
}

void EditorModel::Image1MouseUp(int /*x*/, int /*y*/) {
    if (Busy) return;
    const bool render = Drawing && Scale != 0;
    Drawing = false;
    if (render) RenderResult();
}

// Resizing or moving the frame; (x, y) are relative to the frame's top-left.
void EditorModel::Shape1MouseDown(int x, int y) {
    if (Busy) return;
    const FrameGrab grab = GrabFrame(Shape1, x, y);
    AnchorPoint = grab.anchor;
    (grab.resize ? Drawing : Moving) = true;
}

void EditorModel::Shape1MouseMove(int x, int y) {
    Shape1Cursor = Cursor::Default;
    if (Busy) return;
    if (!DragFrame(Shape1, Drawing, Moving, AnchorPoint, x, y))
        Shape1Cursor = HoverCursor(Shape1, x, y);
}

void EditorModel::Shape1MouseUp(int /*x*/, int /*y*/) {
    Shape1Cursor = Cursor::Default;
    if (Busy) return;
    const bool render = (Moving || Drawing) && Scale != 0;
    Moving = false;
    Drawing = false;
    if (render) RenderResult();
}

// Key commands act on a shown frame only and stop where a single row or
// column of the frame would still lie over the work view.
void EditorModel::UpExecute() {
    if (!Shape1Visible || Shape1.top - 1 + Shape1.height <= kViewOffset) return;
    --Shape1.top;
    KeyMoved = true;
}

void EditorModel::DownExecute() {
    if (!Shape1Visible || Shape1.top + 1 >= kPanel1Side - 4) return;
    ++Shape1.top;
    KeyMoved = true;
}

void EditorModel::LeftExecute() {
    if (!Shape1Visible || Shape1.left - 1 + Shape1.width <= kViewOffset) return;
    --Shape1.left;
    KeyMoved = true;
}

void EditorModel::RightExecute() {
    if (!Shape1Visible || Shape1.left + 1 >= kPanel1Side - 4) return;
    ++Shape1.left;
    KeyMoved = true;
}

void EditorModel::Big1Execute() {
    if (!Shape1Visible || Shape1.width >= kKeyMaxSide) return;
    ++Shape1.width;
    Shape1.height = Shape1.width;
    KeyMoved = true;
}

void EditorModel::Small1Execute() {
    if (!Shape1Visible || Shape1.width <= kKeyMinSide) return;
    --Shape1.width;
    Shape1.height = Shape1.width;
    KeyMoved = true;
}

void EditorModel::FormKeyUp() {
    if (!KeyMoved) return;
    KeyMoved = false;
    RenderResult();
}

}  // namespace pictorel
