// The undo history of the editor model and the edits that belong to the
// rendering: the automatic correction and the mosaics.
#include <algorithm>
#include <utility>

#include "editor/EditorModel.h"
#include "imaging/BitmapUtils.h"
#include "imaging/Mosaic.h"

namespace pictorel {

namespace {

int FloorDiv(std::int64_t a, std::int64_t b) {
    return static_cast<int>(a / b - ((a % b != 0) && ((a < 0) != (b < 0))));
}

int CeilDiv(std::int64_t a, std::int64_t b) {
    return -FloorDiv(-a, b);
}

// The inverse of the editor's turn; a picture the square turn refuses is
// turned clockwise three times, which is the same.
void TurnBack(Bitmap& picture) {
    if (TurnSquareInPlace(picture, TurnDirection::CounterClockwise)) return;
    for (int i = 0; i < 3; ++i) {
        Bitmap turned = RotateBitmap90(picture);
        if (turned.Width() == picture.Width() && turned.Height() == picture.Height())
            picture = std::move(turned);
        else
            picture.Draw(0, 0, turned);
    }
}

Rect ClipToView(const Rect& rect) {
    return {std::clamp(rect.left, 0, kViewSide), std::clamp(rect.top, 0, kViewSide),
            std::clamp(rect.right, 0, kViewSide), std::clamp(rect.bottom, 0, kViewSide)};
}

}  // namespace

Rect ViewRectInResult(const Rect& viewRect, const CropFrame& crop) {
    if (!crop.Cuts()) return viewRect;
    const Rect& frame = crop.Area();
    const auto map = [](int v, int origin, int side, bool up) {
        const std::int64_t scaled = std::int64_t{v - origin} * kViewSide;
        return up ? CeilDiv(scaled, side) : FloorDiv(scaled, side);
    };
    return {map(viewRect.left, frame.left, frame.Width(), false),
            map(viewRect.top, frame.top, frame.Height(), false),
            map(viewRect.right, frame.left, frame.Width(), true),
            map(viewRect.bottom, frame.top, frame.Height(), true)};
}

Rect TurnViewRectClockwise(const Rect& rect) {
    // Pixel (x, y) of the square goes to (side - 1 - y, x).
    return {kViewSide - rect.bottom, rect.left, kViewSide - rect.top, rect.right};
}

void EditorModel::Remember(WorkPicturesUndo workPictures) {
    if (!resultShown_) return;
    EditStep step{.before =
                      EditorState{
                          .brightness = brightness_,
                          .crop = renderedCrop_,
                          .result = result_,
                          .markerShown = markerShown_,
                          .marker = marker_,
                          .directionIndex = directionIndex_,
                          .mosaics = mosaics_,
                          .autoCorrection = autoCorrection_,
                      },
                  .workPictures = std::move(workPictures)};
    history_.Push(std::move(step));
}

bool EditorModel::Undo() {
    if (!adjustmentsEnabled_) return false;
    std::optional<EditStep> step = history_.Pop();
    if (!step) return false;
    WorkPicturesUndo& work = step->workPictures;
    for (int i = 0; i < work.quarterTurnsBack; ++i) {
        TurnBack(workSquare_);
        TurnBack(workView_);
        if (beforeStraighten_) {
            TurnBack(beforeStraighten_->workSquare);
            TurnBack(beforeStraighten_->workView);
        }
    }
    UndoStraightenToggle(work);
    if (work.workSquare) workSquare_ = std::move(*work.workSquare);
    if (work.workView) workView_ = std::move(*work.workView);
    EditorState& before = step->before;
    brightness_ = before.brightness;
    crop_ = before.crop;
    renderedCrop_ = before.crop;
    result_ = std::move(before.result);
    markerShown_ = before.markerShown;
    marker_ = before.marker;
    directionIndex_ = before.directionIndex;
    mosaics_ = std::move(before.mosaics);
    autoCorrection_ = std::move(before.autoCorrection);
    DrawMarker();
    return true;
}

// Steps are taken back newest first, so undoing a switch finds the pictures
// exactly as the switch left them.
void EditorModel::UndoStraightenToggle(WorkPicturesUndo& work) {
    using enum WorkPicturesUndo::Straightening;
    if (work.straightening == SwitchedOn && beforeStraighten_) {
        PictureBeforeStraighten before = std::move(*beforeStraighten_);
        beforeStraighten_.reset();
        workSquare_ = std::move(before.workSquare);
        workView_ = std::move(before.workView);
        scale_ = before.scale;
    } else if (work.straightening == SwitchedOff && work.workSquare && work.workView) {
        beforeStraighten_ =
            PictureBeforeStraighten{std::move(workSquare_), std::move(workView_), scale_};
        scale_ = work.straightenedScale;
    }
}

void EditorModel::ApplyRenderingSettings(Bitmap& result) const {
    if (autoCorrection_) ApplyAutoCorrection(result, *autoCorrection_);
    // After the scaling to the result, so every block is one colour in what
    // is saved.
    for (const Rect& rect : mosaics_) ApplyMosaic(result, ViewRectInResult(rect, crop_));
}

void EditorModel::AutoAdjust() {
    if (!adjustmentsEnabled_ || autoCorrection_) return;
    AutoCorrection correction = EstimateAutoCorrection(workView_, AreaInsideWhiteBars(workView_));
    Remember();
    autoCorrection_ = std::move(correction);
    RenderWithBrightness();
}

bool EditorModel::AddMosaic(const Rect& rect) {
    const Rect clipped = ClipToView(rect);
    if (!adjustmentsEnabled_ || clipped.Empty()) return false;
    Remember();
    mosaics_.push_back(clipped);
    RenderWithBrightness();
    return true;
}

bool EditorModel::MoveMosaic(std::size_t index, const Rect& rect) {
    const Rect clipped = ClipToView(rect);
    if (!adjustmentsEnabled_ || index >= mosaics_.size() || clipped.Empty()) return false;
    if (mosaics_[index] == clipped) return true;
    Remember();
    mosaics_[index] = clipped;
    RenderWithBrightness();
    return true;
}

void EditorModel::RemoveMosaic(std::size_t index) {
    if (!adjustmentsEnabled_ || index >= mosaics_.size()) return;
    Remember();
    mosaics_.erase(mosaics_.begin() + static_cast<std::ptrdiff_t>(index));
    RenderWithBrightness();
}

}  // namespace pictorel
