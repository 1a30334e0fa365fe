// The compass marker: a needle laid over the result, shown or hidden, turned
// in 15-degree steps, placed and sized within limits, and stamped into the
// result when saving.
#include <algorithm>
#include <cmath>

#include "base/Limits.h"
#include "editor/EditorModel.h"
#include "imaging/Canvas.h"
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
    MarkerShown = shown;
}

void EditorModel::TurnMarkerLeft() {
    if (++DirectionIndex >= DirectionCount) DirectionIndex = 0;
    DrawMarker();
}

void EditorModel::TurnMarkerRight() {
    if (--DirectionIndex < 0) DirectionIndex = DirectionCount - 1;
    DrawMarker();
}

void EditorModel::SetMarkerBounds(const Bounds& bounds) {
    Marker = {bounds.left, bounds.top, ClampSide(bounds.width), ClampSide(bounds.height)};
}

void EditorModel::DrawMarker() {
    const int w = ClampSide(Marker.width), h = ClampSide(Marker.height);
    // Drawn at twice the size and reduced, for smooth edges.
    Bitmap drawing(2 * w, 2 * h);
    drawing.FillRect(Rect{0, 0, 2 * w, 2 * h}, kOlive);
    DrawCompass(drawing, Point{0, 0});
    MarkerPicture = ResampleBitmap(drawing, w, h);
}

void EditorModel::DrawCompass(Bitmap& bitmap, Point origin) {
    const int cx = bitmap.Width() / 2 + origin.x, cy = bitmap.Height() / 2 + origin.y;
    const int ringRadius = bitmap.Width() / 2 - 2;
    const int needleRadius = ringRadius - 4;

    const int count = std::max(DirectionCount, 1);
    DirectionPoints.assign(static_cast<std::size_t>(count), Point{});
    for (int i = 0; i < count; ++i) {
        const long double theta = i * static_cast<long double>(DirectionStep);
        DirectionPoints[i] = {
            cx - static_cast<int>(std::nearbyint(std::sin(theta) * needleRadius)),
            cy - static_cast<int>(std::nearbyint(std::cos(theta) * needleRadius))};
    }
    // Tip, and the base corners one step either side of the opposite point.
    const int tip = ((DirectionIndex % count) + count) % count;
    const int a = (tip + count / 2 - 1) % count;
    const int b = (tip + count / 2 + 1) % count;

    Canvas canvas(bitmap);
    auto needleOutline = [&] {
        canvas.MoveTo(DirectionPoints[tip].x, DirectionPoints[tip].y);
        canvas.LineTo(DirectionPoints[a].x, DirectionPoints[a].y);
        canvas.LineTo(DirectionPoints[b].x, DirectionPoints[b].y);
        canvas.LineTo(DirectionPoints[tip].x, DirectionPoints[tip].y);
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
}

Color EditorModel::MarkerTransparentColor() const {
    const Bitmap& p = MarkerPicture;
    return p.Empty() ? kOlive : p.Pixel(0, p.Height() - 1);
}

void EditorModel::StampMarker() {
    if (!MarkerShown || !Result || MarkerPicture.Empty()) return;
    Result->Draw(Marker.left, Marker.top, MarkerPicture, MarkerTransparentColor());
}

}  // namespace pictorel
