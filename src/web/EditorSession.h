// One editor for the page: the same EditorModel, CropTool and MarkerTool the
// desktop window drives, fed with the page's events in view pixels. It keeps
// the few rules the window's widgets give by their stacking (which part of a
// view a pointer is over, which one holds a pressed pointer), so that the page
// only forwards events and draws what the session shows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "editor/CropTool.h"
#include "editor/EditorModel.h"
#include "editor/MarkerTool.h"
#include "editor/MosaicTool.h"

namespace pictorel::web {

// A view's pixels as the page draws them: RGBA, rows top down, no padding.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Which view a pointer event is about.
enum class PointerView { Work, Result };

class EditorSession {
  public:
    EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    // Loads a picture as the desktop's editor opens one: the tools drop what
    // the previous picture left half done, the marker is hidden, the crop
    // frame's place carries over. False with Message()/Cause() on failure.
    bool Load(const std::vector<std::uint8_t>& bytes, const std::string& name);

    const EditorModel& Model() const { return model_; }
    // The buttons' edits go to the model directly, as the window's do.
    EditorModel& MutableModel() { return model_; }
    const CropTool& Crop() const { return crop_; }
    const MarkerTool& Marker() const { return marker_; }
    const MosaicTool& Mosaic() const { return mosaic_; }

    // The モザイク toggle: while on, the work view's pointer and the keys
    // draw, move and size mosaic rectangles instead of the crop frame (the
    // frame lets the pointer through to the view). Switching drops what
    // either tool had half done. The mode belongs to the editor, not to a
    // picture: it stays on from one picture to the next.
    void SetMosaicMode(bool on);
    bool MosaicMode() const { return mosaicMode_; }
    const std::string& Message() const { return boxes_.error; }

    // What the desktop's one editor window carries from one picture to the
    // next: the crop frame's place and size (hidden on each new picture) and
    // the marker's place and size. A page that decodes the next picture in a
    // second session hands these over from the session the user just left.
    // The mosaic mode carries over too; the mosaic rectangles do not: they
    // hide faces and plates of one photo and start empty with each picture.
    struct Carried {
        Rect cropArea;
        Rect markerBounds;
        bool mosaicMode = false;
    };
    Carried CarriedOver() const { return {model_.Crop().Area(), model_.Marker(), mosaicMode_}; }
    // Takes them over after Load, as if this session had shown the earlier
    // picture. False, changing nothing, for places no session can hold (a
    // crop frame that is not a square, coordinates beyond any pointer's
    // reach).
    bool AdoptCarried(const Carried& carried);
    const std::string& Cause() const { return model_.LoadFailureCause(); }

    // The 400 x 400 work view; the result with a shown marker drawn over it
    // (without its transparent colour), as the window shows them.
    RgbaPicture WorkView() const;
    RgbaPicture ResultView() const;

    // A pointer at view pixel (x, y): pressed, moved (pressed or hovering)
    // or released. Each goes to the part of the view the desktop window
    // would give it to.
    void PointerDown(PointerView view, Point at);
    void PointerMove(PointerView view, Point at);
    void PointerUp(PointerView view, Point at);
    // The cursor over (x, y) of a view after a hover there: "default",
    // "nwse-resize" or "nesw-resize" (over a mosaic rectangle's corner
    // zones in the mosaic mode as over the crop frame's).
    std::string CursorAt(PointerView view, Point at);

    // Keys: "Up", "Down", "Left", "Right" move a shown crop frame (in the
    // mosaic mode the selected rectangle) a pixel; "GrowRight", "GrowDown",
    // "ShrinkUp", "ShrinkLeft" (Shift with an arrow) change the frame's side
    // a pixel, or the rectangle's width or height; "Grow" / "Shrink" are
    // the frame's side alone. "Delete" removes the selected rectangle in the
    // mosaic mode. False for another name.
    bool Key(const std::string& name);
    void KeysReleased();

    // The JPEG the run saves: the result with a shown marker stamped in;
    // nothing while saving is not possible.
    std::optional<std::vector<std::uint8_t>> Save();

  private:
    // Which part of the window holds the pressed pointer.
    enum class Grab { None, WorkView, CropFrame, MarkerFrame, Mosaic };

    KeptErrorBoxes boxes_;
    EditorModel model_;
    CropTool crop_;
    MarkerTool marker_;
    MosaicTool mosaic_;
    Grab grab_ = Grab::None;
    bool mosaicMode_ = false;
};

}  // namespace pictorel::web
