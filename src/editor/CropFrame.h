// The crop frame over the work view: a square the user draws, drags and
// nudges, in work-view pixels. It stays in view pixels rather than
// work-square pixels because its key moves, its size limits and the place it
// keeps from one picture to the next are whole view pixels, and the cut takes
// each of its edges through the model's scale separately (truncating): a
// frame kept in square pixels could not give back those same edges.
#pragma once

#include "imaging/Geometry.h"

namespace pictorel {

// Side of the work view and of the result in pixels.
inline constexpr int kViewSide = 400;

class CropFrame {
  public:
    // Where the frame sits before the user first draws one.
    static constexpr Rect kFirstArea = Rect::At(165, 157, 65, 65);

    const Rect& Area() const { return area_; }
    bool Shown() const { return shown_; }
    // Shown with a size to cut: otherwise the whole view is the result.
    bool Cuts() const { return shown_ && !area_.Empty(); }

    // Hides the frame and shrinks it to nothing at `corner`, where drawing a
    // new one starts.
    void StartAt(Point corner);
    // Shows the frame over `area`.
    void Show(const Rect& area);
    void Hide() { shown_ = false; }
    // Keeps the frame's shown state and gives it `area` (a drag's step).
    void Place(const Rect& area) { area_ = area; }

    // One arrow-key step of one pixel; refused (false) while hidden or where
    // not a single row or column of the frame would still lie over the view.
    bool Step(int dx, int dy);
    // One Shift+arrow step growing (+1) or shrinking (-1) the side, kept
    // square, between 20 and 400; false when refused.
    bool StepSide(int delta);

    friend bool operator==(const CropFrame&, const CropFrame&) = default;

  private:
    Rect area_ = kFirstArea;
    bool shown_ = false;
};

}  // namespace pictorel
