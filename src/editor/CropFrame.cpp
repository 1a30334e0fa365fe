#include "editor/CropFrame.h"

namespace pictorel {

namespace {

// Key limits of the frame's side.
constexpr int kKeyMinSide = 20;
constexpr int kKeyMaxSide = 400;

}  // namespace

void CropFrame::StartAt(Point corner) {
    shown_ = false;
    area_ = Rect::At(corner.x, corner.y, 0, 0);
}

void CropFrame::Show(const Rect& area) {
    area_ = area;
    shown_ = true;
}

bool CropFrame::Step(int dx, int dy) {
    if (!shown_) return false;
    if (dx < 0 && area_.right - 1 <= 0) return false;
    if (dx > 0 && area_.left + 1 >= kViewSide) return false;
    if (dy < 0 && area_.bottom - 1 <= 0) return false;
    if (dy > 0 && area_.top + 1 >= kViewSide) return false;
    area_ = area_.MovedTo({area_.left + dx, area_.top + dy});
    return true;
}

bool CropFrame::StepSide(int delta) {
    if (!shown_) return false;
    const int side = area_.Width();
    if (delta > 0 ? side >= kKeyMaxSide : side <= kKeyMinSide) return false;
    const int grown = side + (delta > 0 ? 1 : -1);
    area_ = Rect::At(area_.left, area_.top, grown, grown);
    return true;
}

}  // namespace pictorel
