// The direction marker: a compass needle laid over the result view, shown by
// a toggle, turned in 15-degree steps, dragged and sized through its frame,
// and stamped into the result when saving.
#include <algorithm>
#include <cmath>

#include "base/Limits.h"
#include "editor/EditorModel.h"
#include "editor/FrameGeometry.h"
#include "imaging/BitmapUtils.h"
#include "imaging/Canvas.h"

namespace pictorel {

namespace {

// Background of the marker drawing; its pixels are left out when shown.
constexpr Color kOlive{128, 128, 0};
constexpr Color kMaroon{128, 0, 0};
// The result view lies at (2, 2) inside Panel2.
constexpr int kImage2Offset = 2;

int ClampSide(int side) {
    return std::clamp(side, limits::kMinMarkerSide, limits::kMaxMarkerSide);
}

// Puts the visibility of the marker back however the drawing ends.
class VisibilityRestorer {
  public:
    explicit VisibilityRestorer(bool& visible) : visible_(visible), saved_(visible) {}
    ~VisibilityRestorer() { visible_ = saved_; }
    VisibilityRestorer(const VisibilityRestorer&) = delete;
    VisibilityRestorer& operator=(const VisibilityRestorer&) = delete;

  private:
    bool& visible_;
    bool saved_;
};

}  // namespace

void EditorModel::SBtnDirectionClick() {
    ImageDirectionVisible = SBtnDirectionDown;
    TurnButtonsVisible = SBtnDirectionDown;
    if (SBtnDirectionDown) {
        SBtnDirectionCaption = "方角を消去";
        SBtnDirectionFontColor = kMaroon;
    } else {
        SBtnDirectionCaption = "方角を表示";
        SBtnDirectionFontColor.reset();
    }
}

void EditorModel::SBtnLeftTurnClick() {
    if (++DirectionIndex >= DirectionCount) DirectionIndex = 0;
    DrawDirectionMarker();
}

void EditorModel::SBtnRightTurnClick() {
    if (--DirectionIndex < 0) DirectionIndex = DirectionCount - 1;
    DrawDirectionMarker();
}

void EditorModel::SetDirectionBounds(const Bounds& bounds) {
    ImageDirection = {bounds.left, bounds.top, ClampSide(bounds.width), ClampSide(bounds.height)};
}

void EditorModel::DrawDirectionMarker() {
    VisibilityRestorer restore(ImageDirectionVisible);
    ImageDirectionVisible = false;
    const int w = ClampSide(ImageDirection.width), h = ClampSide(ImageDirection.height);
    // Drawn at twice the size and reduced, for smooth edges.
    Bitmap drawing(2 * w, 2 * h);
    drawing.FillRect(Rect{0, 0, 2 * w, 2 * h}, kOlive);
    DrawCompass(drawing, Point{0, 0});
    ImageDirectionPicture = ResampleBitmap(drawing, w, h);
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

Color EditorModel::DirectionTransparentColor() const {
    const Bitmap& p = ImageDirectionPicture;
    return p.Empty() ? kOlive : p.Pixel(0, p.Height() - 1);
}

void EditorModel::ImageDirectionMouseMove() {
    if (!ImageDirectionVisible) return;
    ShapeDirection = ImageDirection;
    ShapeDirectionVisible = true;
}

void EditorModel::Shape2MouseMove() {
    ShapeDirectionVisible = false;
}

// Dragging the marker's frame; (x, y) are relative to the frame's top-left.
void EditorModel::ShapeDirectionMouseDown(int x, int y) {
    if (Busy) return;
    const FrameGrab grab = GrabFrame(ShapeDirection, x, y);
    AnchorPoint = grab.anchor;
    (grab.resize ? Drawing : Moving) = true;
}

void EditorModel::ShapeDirectionMouseMove(int x, int y) {
    ShapeDirectionCursor = Cursor::Default;
    if (Busy || DragFrame(ShapeDirection, Drawing, Moving, AnchorPoint, x, y)) return;
    ShapeDirectionCursor = HoverCursor(ShapeDirection, x, y);
    if (x < 0 || x > ShapeDirection.width || y < 0 || y > ShapeDirection.height)
        ShapeDirectionVisible = false;
}

void EditorModel::ShapeDirectionMouseUp(int /*x*/, int /*y*/) {
    ShapeDirectionCursor = Cursor::Default;
    if (Busy) return;
    Drawing = false;
    Moving = false;
    SetDirectionBounds(ShapeDirection);
    DrawDirectionMarker();
    ShapeDirectionVisible = false;
}

void EditorModel::StampDirectionMarker() {
    if (!SBtnDirectionDown || !Image2 || ImageDirectionPicture.Empty()) return;
    Image2->Draw(ImageDirection.left - kImage2Offset, ImageDirection.top - kImage2Offset,
                 ImageDirectionPicture, DirectionTransparentColor());
}

}  // namespace pictorel
