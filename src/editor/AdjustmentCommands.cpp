// Adjustment commands of the result view (brighter, darker, undo, rotate,
// sharpen) and the buttons that end the editing of one picture.
#include <algorithm>
#include <utility>

#include "editor/EditorModel.h"
#include "imaging/Adjustments.h"
#include "imaging/BitmapUtils.h"

namespace pictorel {

namespace {

constexpr int kBrightnessStep = 5;
constexpr int kBrightnessMax = 100;

// Result codes read by the edited run.
constexpr int kResultSave = 1;
constexpr int kResultStopAll = 3;
constexpr int kResultClose = -1;
constexpr int kResultCloseBox = 2;

// Replaces a picture by its quarter turn, drawn over it at (0, 0): a square
// is replaced whole and keeps its size.
void TurnInPlace(Bitmap& picture) {
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
void EditorModel::SpeedButton2Click() {
    if (!Panel8Enabled || Busy || Brightness >= kBrightnessMax) return;
    Brightness = std::min(Brightness + kBrightnessStep, kBrightnessMax);
    RenderResult();
    if (Brightness != 0) ApplyBrightness(BrightnessFactor(Brightness));
}

void EditorModel::SpeedButton3Click() {
    if (!Panel8Enabled || Busy || Brightness <= 0) return;
    Brightness = std::max(Brightness - kBrightnessStep, 0);
    RenderResult();
    if (Brightness != 0) ApplyBrightness(BrightnessFactor(Brightness));
}

void EditorModel::SpeedButton4Click() {
    if (!Panel8Enabled || Busy) return;
    Brightness = 0;
    RenderResult();
}

// Turns the work square and the work view a quarter clockwise; the frame
// keeps its place on the view. Deliberately not guarded by Busy.
void EditorModel::SpeedButton6Click() {
    if (!Panel8Enabled) return;
    TurnInPlace(OrgImage);
    TurnInPlace(Image1);
    RenderResult();
}

void EditorModel::ApplyBrightness(double factor) {
    FlagGuard busy(Busy);
    if (Image2) pictorel::ApplyBrightness(*Image2, factor);
}

// Sharpens whatever the result view shows; repeated presses sharpen again.
// Deliberately not guarded by Busy.
void EditorModel::SpeedButton7Click() {
    if (!Panel8Enabled || !Image2) return;
    SharpenImage(*Image2);
}

int EditorModel::BitBtnOKClick() {
    if (!SaveEnabled) return 0;
    StampDirectionMarker();
    return ModalResult = kResultSave;
}

int EditorModel::SpeedButton1Click() {
    return ModalResult = kResultStopAll;
}

int EditorModel::CloseFormExecute() {
    return ModalResult = kResultClose;
}

int EditorModel::CloseBoxClick() {
    return ModalResult = kResultCloseBox;
}

}  // namespace pictorel
