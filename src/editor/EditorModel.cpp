#include "editor/EditorModel.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "base/Errors.h"
#include "base/Limits.h"
#include "imaging/ResampleBitmap.h"

namespace pictorel {

namespace {

constexpr std::int64_t kScaleOne = 10000;

int CheckedSide(std::int64_t side) {
    if (side <= 0 || side > limits::kMaxBitmapSide) throw OutOfResources("crop size out of range");
    return static_cast<int>(side);
}

// The cause of a failed load as the user is told it: the program's own
// message with the system's or the library's reason after it.
std::string CauseOf(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Error*>(&error); own && !own->Cause().empty())
        return std::string(own->what()) + ": " + own->Cause();
    if (dynamic_cast<const std::bad_alloc*>(&error)) return "not enough memory";
    return error.what();
}

}  // namespace

Rect LetterboxRect(int width, int height) {
    const int side = std::max(width, height);
    if (height < width) {
        const int top = (side - height) / 2;
        return {0, top, side, top + height};
    }
    const int left = (side - width) / 2;
    return {left, 0, left + width, side};
}

void EditorModel::SetSource(std::string path, std::optional<PreparedPicture> prepared) {
    sourcePath_ = std::move(path);
    prepared_ = std::move(prepared);
}

void EditorModel::Load() {
    crop_.Hide();
    history_.Clear();
    mosaics_.clear();
    autoCorrection_.reset();
    scale_ = 0;
    workViewShown_ = false;
    resultShown_ = false;
    canSave_ = false;
    adjustmentsEnabled_ = false;
    brightness_ = 0;
    beforeStraighten_.reset();
    loadFailureCause_.clear();
    if (sourcePath_.empty()) return;

    try {
        LoadWorkSquare();
    } catch (const std::exception& error) {
        // Out of memory included: the picture is refused, never half shown.
        RefuseLoad(CauseOf(error));
    }

    directionIndex_ = 0;
    DrawMarker();
}

void EditorModel::RefuseLoad(std::string cause) {
    result_.reset();
    workViewShown_ = false;
    resultShown_ = false;
    canSave_ = false;
    adjustmentsEnabled_ = false;
    loadFailureCause_ = std::move(cause);
    boxes_.ShowError(LoadFailedMessage(sourcePath_));
}

void EditorModel::ReleasePictures() {
    history_.Clear();
    workSquare_ = Bitmap();
    workView_ = Bitmap();
    result_.reset();
    markerPicture_ = Bitmap();
    beforeStraighten_.reset();
}

void EditorModel::LoadWorkSquare() {
    std::optional<PreparedPicture> prepared = std::exchange(prepared_, std::nullopt);
    if (prepared && prepared->path == sourcePath_) {
        if (prepared->error) std::rethrow_exception(prepared->error);
        ShowPrepared(std::move(*prepared));
        return;
    }
    prepared.reset();
    // The previous pictures go before the new one is decoded, so that a large
    // photo is never held twice.
    workView_ = Bitmap();
    workSquare_ = Bitmap();
    ShowPrepared(PreparePictureOrThrow(sourcePath_));
}

void EditorModel::ShowPrepared(PreparedPicture prepared) {
    prepared.workSquare.AdoptBudgetShare();
    prepared.workView.AdoptBudgetShare();
    scale_ = prepared.scale;
    workSquare_ = std::move(prepared.workSquare);
    workView_ = std::move(prepared.workView);
    Render();
}

void EditorModel::RenderResult() {
    Remember();
    Render();
}

void EditorModel::Render() {
    bool fresh = true;
    if (crop_.Cuts()) {
        fresh = RenderCut();
        // The kept result lacks any mosaic just set: privacy comes before
        // keeping the picture, so the whole view is rendered instead.
        if (!fresh && !mosaics_.empty()) {
            result_ = workView_;
            fresh = true;
        }
    } else {
        result_ = workView_;
    }
    if (fresh && result_) ApplyRenderingSettings(*result_);
    renderedCrop_ = crop_;
    workViewShown_ = true;
    resultShown_ = true;
    canSave_ = true;
    adjustmentsEnabled_ = true;
}

bool EditorModel::RenderCut() {
    try {
        const Rect& frame = crop_.Area();
        const std::int64_t x0 = std::int64_t{frame.left} * scale_ / kScaleOne;
        const std::int64_t y0 = std::int64_t{frame.top} * scale_ / kScaleOne;
        const int w = CheckedSide(std::int64_t{frame.Width()} * scale_ / kScaleOne);
        const int h = CheckedSide(std::int64_t{frame.Height()} * scale_ / kScaleOne);

        // Parts of the frame outside the work square come out white.
        Bitmap crop = Bitmap::Uninitialized(w, h, PixelFormat::Bgr24);
        std::memset(crop.Bits(), 0xFF, crop.SizeInBytes());
        const std::int64_t left = std::max<std::int64_t>(x0, 0);
        const std::int64_t top = std::max<std::int64_t>(y0, 0);
        const std::int64_t right = std::min<std::int64_t>(x0 + w, workSquare_.Width());
        const std::int64_t bottom = std::min<std::int64_t>(y0 + h, workSquare_.Height());
        if (left < right && top < bottom) {
            crop.CopyRect(static_cast<int>(left - x0), static_cast<int>(top - y0), workSquare_,
                          Rect{static_cast<int>(left), static_cast<int>(top),
                               static_cast<int>(right), static_cast<int>(bottom)});
        }
        Bitmap resampled = ResampleBitmap(crop, kViewSide, kViewSide);
        if (result_ && result_->Width() == kViewSide && result_->Height() == kViewSide &&
            result_->Format() == PixelFormat::Bgr24)
            result_->Draw(0, 0, resampled);
        else
            result_ = std::move(resampled);
        return true;
    } catch (const OutOfResources&) {
        // A cut too large for the memory budget or the size limits removes
        // the frame and keeps the result: the user can draw a smaller one.
    } catch (const std::bad_alloc&) {
    }
    crop_.Hide();
    return false;
}

}  // namespace pictorel
