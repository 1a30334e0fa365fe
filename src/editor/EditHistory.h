// The editor's undo history: one step per edit, each holding what the edit
// changed, newest last. A step keeps the model's small state whole (the
// 400 x 400 result among it) and says how the large work pictures come back:
// untouched, turned back by quarter turns (exact, and needing no copy), or
// from copies kept for an edit that replaced them some other way.
//
// Memory is bounded: at most kMaxSteps steps and kMaxBytes of pictures; the
// oldest steps fall off first, while the newest one is always kept, so the
// last edit can be undone even when its copies alone pass the bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "editor/CropFrame.h"
#include "imaging/AutoAdjust.h"
#include "imaging/Bitmap.h"

namespace pictorel {

// The editor's state apart from the work pictures, as an edit found it.
struct EditorState {
    int brightness = 0;
    // The crop frame the result was rendered from.
    CropFrame crop;
    std::optional<Bitmap> result;
    bool markerShown = false;
    Rect marker;
    int directionIndex = 0;
    // Mosaic rectangles in work-view pixels.
    std::vector<Rect> mosaics;
    std::optional<AutoCorrection> autoCorrection;
};

// How an edit's work square and work view are brought back.
struct WorkPicturesUndo {
    // Quarter turns anticlockwise that undo the edit's clockwise turns.
    int quarterTurnsBack = 0;
    // Copies of both pictures as the edit found them, for any other change.
    std::optional<Bitmap> workSquare;
    std::optional<Bitmap> workView;
    // 垂直補正 switched on or off by the edit. The editor keeps the pictures
    // from before the correction while it is applied, so switching on needs
    // no copies here: undoing it takes those back. Switching off keeps the
    // corrected pictures in workSquare/workView, with their scale.
    enum class Straightening { Unchanged, SwitchedOn, SwitchedOff };
    Straightening straightening = Straightening::Unchanged;
    std::int64_t straightenedScale = 0;
};

struct EditStep {
    EditorState before;
    WorkPicturesUndo workPictures;
    // Bytes of the pictures the step holds.
    std::uint64_t Bytes() const;
};

class EditHistory {
  public:
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{256} << 20;

    void Push(EditStep step);
    // The newest step, taken off; nothing when the history is empty.
    std::optional<EditStep> Pop();
    void Clear();

    bool Empty() const { return steps_.empty(); }
    std::size_t Size() const { return steps_.size(); }
    std::uint64_t Bytes() const { return bytes_; }

  private:
    std::deque<EditStep> steps_;
    std::uint64_t bytes_ = 0;
};

}  // namespace pictorel
