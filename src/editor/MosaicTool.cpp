#include "editor/MosaicTool.h"

#include <algorithm>
#include <utility>

namespace pictorel {

namespace {

// The rectangle between two opposite corners, in either order.
Rect Between(Point a, Point b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

bool Touches(const Rect& rect, Point p) {
    return p.x >= rect.left && p.x <= rect.right && p.y >= rect.top && p.y <= rect.bottom;
}

}  // namespace

std::optional<std::size_t> MosaicTool::Selected() const {
    if (selected_ && *selected_ < model_.Mosaics().size()) return selected_;
    return std::nullopt;
}

std::optional<std::size_t> MosaicTool::RectangleAt(Point pointer) const {
    const auto& rects = model_.Mosaics();
    for (std::size_t i = rects.size(); i-- > 0;)
        if (Touches(rects[i], pointer)) return i;
    return std::nullopt;
}

void MosaicTool::BeginDrag(Point pointer) {
    if (model_.Scale() == 0) return;
    dragged_ = RectangleAt(pointer);
    if (dragged_) {
        selected_ = dragged_;
        const Rect& rect = model_.Mosaics()[*dragged_];
        drag_ = StartFrameDrag(rect, pointer);
        pending_ = rect;
    } else {
        drag_ = FrameDrag{.resizing = true, .moving = false, .anchor = pointer};
        pending_ = Rect{pointer.x, pointer.y, pointer.x, pointer.y};
    }
}

void MosaicTool::DragTo(Point pointer) {
    if (!drag_.Active() || !pending_) {
        const auto under = RectangleAt(pointer);
        cursor_ = under ? HoverCursor(model_.Mosaics()[*under], pointer) : FrameCursor::Default;
        return;
    }
    cursor_ = FrameCursor::Default;
    if (drag_.resizing)
        pending_ = Between(drag_.anchor, pointer);
    else
        pending_ = pending_->MovedTo({pointer.x - drag_.anchor.x, pointer.y - drag_.anchor.y});
}

void MosaicTool::EndDrag() {
    const std::optional<Rect> done = std::exchange(pending_, std::nullopt);
    const std::optional<std::size_t> dragged = std::exchange(dragged_, std::nullopt);
    const bool active = drag_.Active();
    drag_ = FrameDrag();
    cursor_ = FrameCursor::Default;
    if (!active || !done) return;
    if (dragged) {
        model_.MoveMosaic(*dragged, *done);
    } else if (model_.AddMosaic(*done)) {
        selected_ = model_.Mosaics().size() - 1;
    }
}

Rect MosaicTool::KeyedRectangle() const {
    return pending_ ? *pending_ : model_.Mosaics()[*Selected()];
}

void MosaicTool::NudgeBy(int dx, int dy) {
    if (!Selected() || drag_.Active()) return;
    const Rect rect = KeyedRectangle();
    // The whole rectangle stays over the view: past its edge it would be cut.
    dx = std::clamp(dx, -rect.left, kViewSide - rect.right);
    dy = std::clamp(dy, -rect.top, kViewSide - rect.bottom);
    if (dx == 0 && dy == 0) return;
    pending_ = rect.MovedTo({rect.left + dx, rect.top + dy});
}

void MosaicTool::ResizeBy(int dw, int dh) {
    if (!Selected() || drag_.Active()) return;
    Rect rect = KeyedRectangle();
    const Rect before = rect;
    rect.right = std::clamp(rect.right + dw, rect.left + 1, kViewSide);
    rect.bottom = std::clamp(rect.bottom + dh, rect.top + 1, kViewSide);
    if (rect != before) pending_ = rect;
}

void MosaicTool::KeysReleased() {
    if (drag_.Active() || !pending_) return;
    const Rect done = *std::exchange(pending_, std::nullopt);
    if (const auto selected = Selected()) model_.MoveMosaic(*selected, done);
}

void MosaicTool::RemoveSelected() {
    if (drag_.Active()) return;
    pending_.reset();
    if (const auto selected = Selected()) model_.RemoveMosaic(*selected);
    selected_.reset();
}

void MosaicTool::Reset() {
    drag_ = FrameDrag();
    dragged_.reset();
    selected_.reset();
    pending_.reset();
    cursor_ = FrameCursor::Default;
}

}  // namespace pictorel
