// Adjustments of the result (brighter, darker, reset, turn, sharpen) and the
// commands that end the editing of one picture.
#include <algorithm>
#include <utility>

#include "editor/EditorModel.h"
#include "imaging/Adjustments.h"
#include "imaging/BitmapUtils.h"

namespace pictorel {

namespace {

constexpr int kBrightnessStep = 5;
constexpr int kBrightnessMax = 100;

// Replaces a picture by its quarter turn, drawn over it at (0, 0): a square
// is replaced whole and keeps its size (a 24-bit one turned where it is,
// needing no second square's memory).
void TurnInPlace(Bitmap& picture) {
    if (TurnSquareInPlace(picture)) return;
    Bitmap turned = RotateBitmap90(picture);
    if (turned.Width() == picture.Width() && turned.Height() == picture.Height())
        picture = std::move(turned);
    else
        picture.Draw(0, 0, turned);
}

// Sets a flag for the lifetime of the guard, clearing it however it ends.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
};

}  // namespace

// Brightness is applied to a fresh rendering each time, so factors never
// compound and any sharpening or effect before it is discarded.
void EditorModel::Brighten() {
    if (!AdjustmentsEnabled || Busy || Brightness >= kBrightnessMax) return;
    Brightness = std::min(Brightness + kBrightnessStep, kBrightnessMax);
    RenderResult();
    if (Brightness != 0) ApplyBrightness(BrightnessFactor(Brightness));
}

void EditorModel::Darken() {
    if (!AdjustmentsEnabled || Busy || Brightness <= 0) return;
    Brightness = std::max(Brightness - kBrightnessStep, 0);
    RenderResult();
    if (Brightness != 0) ApplyBrightness(BrightnessFactor(Brightness));
}

void EditorModel::ResetAdjustments() {
    if (!AdjustmentsEnabled || Busy) return;
    Brightness = 0;
    RenderResult();
}

// Not guarded by Busy: a turn is whole before the next event arrives.
void EditorModel::TurnClockwise() {
    if (!AdjustmentsEnabled) return;
    TurnInPlace(WorkSquare);
    TurnInPlace(WorkView);
    RenderResult();
}

void EditorModel::ApplyBrightness(double factor) {
    FlagGuard busy(Busy);
    if (Result) pictorel::ApplyBrightness(*Result, factor);
}

// Sharpens whatever the result shows; repeated presses sharpen again. Not
// guarded by Busy, like the turn.
void EditorModel::Sharpen() {
    if (!AdjustmentsEnabled || !Result) return;
    SharpenImage(*Result);
}

EditorExit EditorModel::Save() {
    if (!CanSave) return EditorExit::None;
    StampMarker();
    return Exit = EditorExit::Save;
}

EditorExit EditorModel::StopAll() {
    return Exit = EditorExit::StopAll;
}

EditorExit EditorModel::Skip() {
    return Exit = EditorExit::Skip;
}

EditorExit EditorModel::CloseWindow() {
    return Exit = EditorExit::Closed;
}

}  // namespace pictorel
