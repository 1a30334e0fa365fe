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
// of its size would be. It is drawn straight into the square: a second
// picture of the photo's size would cost its memory and a copy.
Bitmap StraightenedWorkSquare(const Bitmap& square, const Rect& photo, const Lean& lean) {
    const StraightenPlan plan = PlanStraighten(photo.Width(), photo.Height(), lean);
    const int side = std::max(plan.width, plan.height);
    Bitmap result = Bitmap::Uninitialized(side, side, PixelFormat::Bgr24);
    const Rect box = LetterboxRect(plan.width, plan.height);
    const std::size_t stride = result.Stride();
    for (int y = 0; y < side; ++y) {
        std::uint8_t* row = result.ScanLine(y);
        if (y < box.top || y >= box.bottom) {
            std::memset(row, 0xFF, stride);
        } else {
            std::memset(row, 0xFF, 3 * std::size_t(box.left));
            std::memset(row + 3 * std::size_t(box.right), 0xFF,
                        stride - 3 * std::size_t(box.right));
        }
    }
    ApplyStraighten(square, photo, plan, result, box.left, box.top);
    return result;
}

}  // namespace

std::string StraightenNoMemoryText() {
    return "メモリが足りないため垂直補正できません。";
}

StraightenOutcome EditorModel::Straighten() {
    if (!adjustmentsEnabled_) return StraightenOutcome::NothingShown;
    StraightenOutcome outcome = StraightenOutcome::Straightened;
    if (beforeStraighten_) {
        // Switching off moves the corrected pictures into the history step,
        // so undoing brings them back without a second copy.
        PictureBeforeStraighten before = std::move(*beforeStraighten_);
        beforeStraighten_.reset();
        WorkPicturesUndo switchBack;
        switchBack.straightening = WorkPicturesUndo::Straightening::SwitchedOff;
        switchBack.straightenedScale = std::exchange(scale_, before.scale);
        switchBack.workSquare = std::exchange(workSquare_, std::move(before.workSquare));
        switchBack.workView = std::exchange(workView_, std::move(before.workView));
        Remember(std::move(switchBack));
        outcome = StraightenOutcome::Restored;
    } else {
        const Rect photo = PhotoArea(workSquare_);
        const Lean lean = photo.Empty() ? Lean{} : MeasureLean(workSquare_, photo);
        if (!lean.enoughLines) {
            boxes_.ShowPlain(TooFewLinesText());
            return StraightenOutcome::TooFewLines;
        }
        Bitmap square;
        Bitmap view;
        try {
            square = StraightenedWorkSquare(workSquare_, photo, lean);
            view = ResampleBitmap(square, kViewSide, kViewSide);
        } catch (const OutOfResources&) {
            boxes_.ShowError(StraightenNoMemoryText());
            return StraightenOutcome::NoMemory;
        } catch (const std::bad_alloc&) {
            boxes_.ShowError(StraightenNoMemoryText());
            return StraightenOutcome::NoMemory;
        }
        // The pictures before stay with the model while the correction is
        // applied (pressing again or undoing takes them back), so the
        // history step needs no copy of them.
        WorkPicturesUndo switchOn;
        switchOn.straightening = WorkPicturesUndo::Straightening::SwitchedOn;
        Remember(std::move(switchOn));
        beforeStraighten_ =
            PictureBeforeStraighten{std::move(workSquare_), std::move(workView_), scale_};
        scale_ = 25 * std::int64_t{square.Width()};
        workSquare_ = std::move(square);
        workView_ = std::move(view);
    }
    // The frame keeps its place on the view, as after a turn, and the
    // brightness chosen stays.
    RenderWithBrightness();
    return outcome;
}

}  // namespace pictorel
