// 垂直補正 on the editor's picture: the correction is measured and applied
// on the work square's photo (not the white around it), and the picture
// before is kept whole so that pressing again brings it back exactly.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "base/Errors.h"
#include "editor/EditorModel.h"
#include "imaging/Adjustments.h"
#include "imaging/ResampleBitmap.h"
#include "imaging/Straighten.h"

namespace pictorel {

namespace {

bool RowIsWhite(const std::uint8_t* row, int width) {
    for (int i = 0; i < 3 * width; ++i)
        if (row[i] != 0xFF) return false;
    return true;
}

// The photo's place in its work square: the smallest rectangle holding
// every pixel that is not white. The letterbox bars are white; so may be a
// strip along the photo's edge, which then counts as bar, and is white in
// the corrected picture as well.
Rect PhotoArea(const Bitmap& square) {
    const int w = square.Width();
    int top = 0;
    int bottom = square.Height();
    while (top < bottom && RowIsWhite(square.ScanLine(top), w)) ++top;
    while (bottom > top && RowIsWhite(square.ScanLine(bottom - 1), w)) --bottom;
    int left = w;
    int right = 0;
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* row = square.ScanLine(y);
        int x = 0;
        while (x < left && row[3 * x] == 0xFF && row[3 * x + 1] == 0xFF && row[3 * x + 2] == 0xFF)
            ++x;
        left = std::min(left, x);
        int end = w;
        while (end > right && row[3 * end - 3] == 0xFF && row[3 * end - 2] == 0xFF &&
               row[3 * end - 1] == 0xFF)
            --end;
        right = std::max(right, end);
    }
    if (top >= bottom || left >= right) return {};
    return {left, top, right, bottom};
}

// The corrected photo centred in a new white work square, as a loaded photo
// of its size would be.
Bitmap IntoWorkSquare(const Bitmap& photo) {
    const int side = std::max(photo.Width(), photo.Height());
    Bitmap square = Bitmap::Uninitialized(side, side, PixelFormat::Bgr24);
    std::memset(square.Bits(), 0xFF, square.SizeInBytes());
    const Rect box = LetterboxRect(photo.Width(), photo.Height());
    square.CopyRect(box.left, box.top, photo, Rect{0, 0, photo.Width(), photo.Height()});
    return square;
}

}  // namespace

std::string StraightenNoMemoryText() {
    return "メモリが足りないため垂直補正できません。";
}

StraightenOutcome EditorModel::Straighten() {
    if (!adjustmentsEnabled_) return StraightenOutcome::NothingShown;
    StraightenOutcome outcome = StraightenOutcome::Straightened;
    if (beforeStraighten_) {
        PictureBeforeStraighten before = std::move(*beforeStraighten_);
        beforeStraighten_.reset();
        workSquare_ = std::move(before.workSquare);
        workView_ = std::move(before.workView);
        scale_ = before.scale;
        outcome = StraightenOutcome::Restored;
    } else {
        const Rect photo = PhotoArea(workSquare_);
        const Lean lean = photo.Empty() ? Lean{} : MeasureLean(workSquare_, photo);
        if (!lean.enoughLines) {
            boxes_.ShowPlain(TooFewLinesText());
            return StraightenOutcome::TooFewLines;
        }
        try {
            Bitmap square = IntoWorkSquare(ApplyStraighten(workSquare_, photo, lean));
            Bitmap view = ResampleBitmap(square, kViewSide, kViewSide);
            const std::int64_t scale = 25 * std::int64_t{square.Width()};
            beforeStraighten_ =
                PictureBeforeStraighten{std::move(workSquare_), std::move(workView_), scale_};
            workSquare_ = std::move(square);
            workView_ = std::move(view);
            scale_ = scale;
        } catch (const OutOfResources&) {
            boxes_.ShowError(StraightenNoMemoryText());
            return StraightenOutcome::NoMemory;
        } catch (const std::bad_alloc&) {
            boxes_.ShowError(StraightenNoMemoryText());
            return StraightenOutcome::NoMemory;
        }
    }
    // The frame keeps its place on the view, as after a turn, and the
    // brightness chosen stays.
    RenderResult();
    if (brightness_ != 0) ApplyBrightness(BrightnessFactor(brightness_));
    return outcome;
}

}  // namespace pictorel
