#include "editor/EditorModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

#include "base/Errors.h"
#include "base/Limits.h"
#include "formats/LoadedPicture.h"
#include "imaging/ResampleBitmap.h"

namespace pictorel {

namespace {

constexpr std::int64_t kScaleOne = 10000;

int CheckedSide(std::int64_t side) {
    if (side <= 0 || side > limits::kMaxBitmapSide) throw OutOfResources("crop size out of range");
    return static_cast<int>(side);
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

void EditorModel::Load() {
    Busy = false;
    CropFrameShown = false;
    Scale = 0;
    WorkViewShown = false;
    ResultShown = false;
    CanSave = false;
    AdjustmentsEnabled = false;
    Brightness = 0;
    if (SourcePath.empty()) return;

    try {
        LoadWorkSquare();
    } catch (...) {
        // Out of memory included: the picture is refused, never half shown.
        Result.reset();
        WorkViewShown = false;
        ResultShown = false;
        CanSave = false;
        AdjustmentsEnabled = false;
        boxes_.ShowError(LoadFailedMessage(SourcePath));
    }

    DirectionIndex = 0;
    DirectionCount = 24;
    DirectionPoints.assign(DirectionCount, Point{});
    DirectionStep = static_cast<double>(6.283184L / 24);
    DrawMarker();
}

void EditorModel::ReleasePictures() {
    WorkSquare = Bitmap();
    WorkView = Bitmap();
    Result.reset();
    MarkerPicture = Bitmap();
}

void EditorModel::LoadWorkSquare() {
    std::optional<PreparedPicture> prepared = std::exchange(Prepared, std::nullopt);
    if (prepared && prepared->path == SourcePath) {
        if (prepared->failed) throw InvalidPicture("prepared picture failed to load");
        ShowPrepared(std::move(*prepared));
        return;
    }
    prepared.reset();
    // The previous pictures go before the new one is decoded, so that a large
    // photo is never held twice.
    WorkView = Bitmap();
    WorkSquare = Bitmap();
    ShowPrepared(PreparePictureOrThrow(SourcePath));
}

void EditorModel::ShowPrepared(PreparedPicture prepared) {
    prepared.workSquare.AdoptBudgetShare();
    prepared.workView.AdoptBudgetShare();
    Scale = prepared.scale;
    WorkSquare = std::move(prepared.workSquare);
    WorkView = std::move(prepared.workView);
    RenderResult();
}

void EditorModel::RenderResult() {
    Busy = true;
    const bool framed = CropFrameShown && CropFrame.width > 0 && CropFrame.height > 0;
    try {
        if (framed) {
            try {
                const std::int64_t raw = Scale;
                const std::int64_t x0 = std::int64_t{CropFrame.left} * raw / kScaleOne;
                const std::int64_t y0 = std::int64_t{CropFrame.top} * raw / kScaleOne;
                const int w = CheckedSide(std::int64_t{CropFrame.width} * raw / kScaleOne);
                const int h = CheckedSide(std::int64_t{CropFrame.height} * raw / kScaleOne);

                // Parts of the frame outside the work square come out white.
                Bitmap crop = Bitmap::Uninitialized(w, h, PixelFormat::pf24bit);
                std::memset(crop.Bits(), 0xFF, crop.SizeInBytes());
                const std::int64_t left = std::max<std::int64_t>(x0, 0);
                const std::int64_t top = std::max<std::int64_t>(y0, 0);
                const std::int64_t right = std::min<std::int64_t>(x0 + w, WorkSquare.Width());
                const std::int64_t bottom = std::min<std::int64_t>(y0 + h, WorkSquare.Height());
                if (left < right && top < bottom) {
                    crop.CopyRect(static_cast<int>(left - x0), static_cast<int>(top - y0),
                                  WorkSquare,
                                  Rect{static_cast<int>(left), static_cast<int>(top),
                                       static_cast<int>(right), static_cast<int>(bottom)});
                }
                Bitmap resampled = ResampleBitmap(crop, kViewSide, kViewSide);
                if (Result && Result->Width() == kViewSide && Result->Height() == kViewSide &&
                    Result->Format() == PixelFormat::pf24bit)
                    Result->Draw(0, 0, resampled);
                else
                    Result = std::move(resampled);
            } catch (...) {
                // A crop that cannot be made removes the frame and keeps the result.
                CropFrameShown = false;
            }
        } else {
            Result = WorkView;
        }
        WorkViewShown = true;
        ResultShown = true;
        CanSave = true;
        AdjustmentsEnabled = true;
    } catch (...) {
        Busy = false;
        throw;
    }
    Busy = false;
}

}  // namespace pictorel
