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

}  // namespace

// Brightness is applied to a fresh rendering each time, so factors never
// compound and any sharpening or effect before it is discarded.
void EditorModel::Brighten() {
    if (!adjustmentsEnabled_ || brightness_ >= kBrightnessMax) return;
    Remember();
    brightness_ = std::min(brightness_ + kBrightnessStep, kBrightnessMax);
    RenderWithBrightness();
}

void EditorModel::Darken() {
    if (!adjustmentsEnabled_ || brightness_ <= 0) return;
    Remember();
    brightness_ = std::max(brightness_ - kBrightnessStep, 0);
    RenderWithBrightness();
}

void EditorModel::RenderWithBrightness() {
    Render();
    if (brightness_ != 0) ApplyBrightness(BrightnessFactor(brightness_));
}

void EditorModel::ResetAdjustments() {
    if (!adjustmentsEnabled_) return;
    Remember();
    brightness_ = 0;
    Render();
}

// The mosaics turn with the view, so they stay over what they hide; the
// history turns the pictures back instead of keeping copies of them.
void EditorModel::TurnClockwise() {
    if (!adjustmentsEnabled_) return;
    WorkPicturesUndo turnBack;
    turnBack.quarterTurnsBack = 1;
    Remember(std::move(turnBack));
    try {
        // A picture that is not a 24-bit square is turned through a copy,
        // which may not fit: then nothing turned, and the step goes again.
        TurnInPlace(workSquare_);
    } catch (...) {
        history_.Pop();
        throw;
    }
    TurnInPlace(workView_);
    TurnPictureBeforeStraighten();
    for (Rect& rect : mosaics_) rect = TurnViewRectClockwise(rect);
    Render();
}

void EditorModel::TurnPictureBeforeStraighten() {
    if (!beforeStraighten_) return;
    TurnInPlace(beforeStraighten_->workSquare);
    TurnInPlace(beforeStraighten_->workView);
}

void EditorModel::ApplyBrightness(double factor) {
    if (result_) pictorel::ApplyBrightness(*result_, factor);
}

// Sharpens whatever the result shows; repeated presses sharpen again.
void EditorModel::Sharpen() {
    if (!adjustmentsEnabled_ || !result_) return;
    Remember();
    SharpenImage(*result_);
}

EditorExit EditorModel::Save() {
    if (!canSave_) return EditorExit::None;
    StampMarker();
    return exit_ = EditorExit::Save;
}

EditorExit EditorModel::StopAll() {
    return exit_ = EditorExit::StopAll;
}

EditorExit EditorModel::Skip() {
    return exit_ = EditorExit::Skip;
}

EditorExit EditorModel::CloseWindow() {
    return exit_ = EditorExit::Closed;
}

}  // namespace pictorel
