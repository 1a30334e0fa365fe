// The compass marker: a needle laid over the result, shown or hidden, turned
// in 15-degree steps, placed and sized within limits, and stamped into the
// result when saving.
#include <algorithm>
#include <cmath>

#include "base/Limits.h"
#include "editor/EditorModel.h"
#include "imaging/Canvas.h"
#include "imaging/Extended.h"
#include "imaging/ResampleBitmap.h"

namespace pictorel {

namespace {

// Background of the marker drawing; its pixels are left out when shown.
constexpr Color kOlive{128, 128, 0};

int ClampSide(int side) {
    return std::clamp(side, limits::kMinMarkerSide, limits::kMaxMarkerSide);
}

}  // namespace

void EditorModel::ShowMarker(bool shown) {
    if (shown != markerShown_) Remember();
    markerShown_ = shown;
}

void EditorModel::TurnMarkerLeft() {
    Remember();
    if (++directionIndex_ >= kMarkerDirections) directionIndex_ = 0;
    DrawMarker();
}

void EditorModel::TurnMarkerRight() {
    Remember();
    if (--directionIndex_ < 0) directionIndex_ = kMarkerDirections - 1;
    DrawMarker();
}

void EditorModel::SetMarkerBounds(const Rect& bounds) {
    const Rect marker =
        Rect::At(bounds.left, bounds.top, ClampSide(bounds.Width()), ClampSide(bounds.Height()));
    if (marker != marker_) Remember();
    marker_ = marker;
    DrawMarker();
}

void EditorModel::CarryMarkerOver(const Rect& bounds) {
    marker_ =
        Rect::At(bounds.left, bounds.top, ClampSide(bounds.Width()), ClampSide(bounds.Height()));
    DrawMarker();
}

void EditorModel::DrawMarker() {
    const int w = ClampSide(marker_.Width()), h = ClampSide(marker_.Height());
    // Drawn at twice the size and reduced, for smooth edges.
    Bitmap drawing(2 * w, 2 * h);
    drawing.FillRect(Rect{0, 0, 2 * w, 2 * h}, kOlive);
    DrawCompass(drawing, directionIndex_);
    markerPicture_ = ResampleBitmap(drawing, w, h);
}

std::vector<Point> DrawCompass(Bitmap& bitmap, int direction) {
    const int cx = bitmap.Width() / 2, cy = bitmap.Height() / 2;
    const int ringRadius = bitmap.Width() / 2 - 2;
    const int needleRadius = ringRadius - 4;

    // The step is taken through a double on purpose: the needle's tips are
    // rounded from it, and a finer step would move some of them a pixel.
    const double step = static_cast<double>(Extended(6.283184L) / kMarkerDirections);
    const int count = kMarkerDirections;
    std::vector<Point> tips(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Extended theta = i * static_cast<Extended>(step);
        tips[i] = {cx - static_cast<int>(NearbyInt(Sin(theta) * needleRadius)),
                   cy - static_cast<int>(NearbyInt(Cos(theta) * needleRadius))};
    }
    // Tip, and the base corners one step either side of the opposite point.
    const int tip = ((direction % count) + count) % count;
    const int a = (tip + count / 2 - 1) % count;
    const int b = (tip + count / 2 + 1) % count;

    Canvas canvas(bitmap);
    auto needleOutline = [&] {
        canvas.MoveTo(tips[tip].x, tips[tip].y);
        canvas.LineTo(tips[a].x, tips[a].y);
        canvas.LineTo(tips[b].x, tips[b].y);
        canvas.LineTo(tips[tip].x, tips[tip].y);
    };
    // Ring with the background brush, then the white disc inside it.
    canvas.penColor = kBlack;
    canvas.penWidth = 2;
    canvas.brush = kOlive;
    canvas.Ellipse(cx - ringRadius, cy - ringRadius, cx + ringRadius, cy + ringRadius);
    canvas.brush = kWhite;
    canvas.FloodFill(cx, cy, kBlack);
    // Needle: thin outline, black inside, then the outline again at 2 pixels.
    canvas.penWidth = 1;
    needleOutline();
    canvas.brush = kBlack;
    canvas.FloodFill(cx, cy, kBlack);
    canvas.penWidth = 2;
    needleOutline();
    return tips;
}

Color EditorModel::MarkerTransparentColor() const {
    const Bitmap& p = markerPicture_;
    return p.Empty() ? kOlive : p.Pixel(0, p.Height() - 1);
}

void EditorModel::StampMarker() {
    if (!markerShown_ || !result_ || markerPicture_.Empty()) return;
    result_->Draw(marker_.left, marker_.top, markerPicture_, MarkerTransparentColor());
}

}  // namespace pictorel
