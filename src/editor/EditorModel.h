// The editor's model: one picture being edited, in picture terms. It holds
// the work square (the photo centred in white at full resolution), its
// 400 x 400 work view, the crop frame over that view, the result that is
// saved, and the compass marker laid over the result. Its state is read
// through the const members and changed only by the named edits; the pointer
// and key rules of the crop frame and the marker live in CropTool and
// MarkerTool, and the window (editor/ui) only shows this state and maps its
// own panels to the views.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "editor/CropFrame.h"
#include "editor/EditHistory.h"
#include "editor/PreparePicture.h"
#include "editor/StraightenCommand.h"
#include "formats/LoadFailure.h"
#include "imaging/AutoAdjust.h"
#include "imaging/Bitmap.h"

namespace pictorel {

// How the editing of one picture ended. The window closes on any value but
// None; the edited run saves on Save, ends on StopAll and moves on otherwise.
enum class EditorExit {
    None,     // still editing
    Save,     // "保存"
    StopAll,  // "残りの全ての画像処理を中止"
    Skip,     // "終了" or Esc
    Closed,   // the window's close box
};

// The nine picture effects the editor can apply to its result.
enum class Effect {
    Sketch,
    Grayscale,
    Spotlight,
    ColorSpotlight,
    BlurEdges,
    Tile,
    Emboss,
    OilPaint,
    Grid,
};

// Directions the compass needle can point to, one step being 15 degrees.
inline constexpr int kMarkerDirections = 24;
// Where the marker sits over the result before the user moves it.
inline constexpr Rect kFirstMarkerArea = Rect::At(175, 175, 50, 50);

class EditorModel {
  public:
    explicit EditorModel(IMessageBoxes& boxes) : boxes_(boxes) {}
    EditorModel(const EditorModel&) = delete;
    EditorModel& operator=(const EditorModel&) = delete;

    // The picture Load opens next, and the same picture already prepared if
    // the caller loaded it ahead: Load takes that one when its path is
    // `path` (its failure told as Load's own), and drops it either way.
    void SetSource(std::string path, std::optional<PreparedPicture> prepared = std::nullopt);
    const std::string& SourcePath() const { return sourcePath_; }

    // Loads the source: fills the work square, the work view and the result.
    // A picture that cannot be loaded is told in a box and leaves no result;
    // the cause is kept for LoadFailureCause. The crop frame is hidden, the
    // brightness and the marker direction reset.
    void Load();
    // Why the last Load failed (the system's reason, the reader's message or
    // the memory budget's refusal); empty after a load that worked.
    const std::string& LoadFailureCause() const { return loadFailureCause_; }

    // Gives back the work square, the work view, the result and the marker
    // picture, so that this thread holds nothing of the memory budget.
    void ReleasePictures();

    // Factor from work-view pixels to work-square pixels, in ten-thousandths
    // (25 x the square's side); 0 while no picture is loaded.
    std::int64_t Scale() const { return scale_; }
    // Brightness step applied to the result, 0 .. 100.
    int Brightness() const { return brightness_; }
    const Bitmap& WorkSquare() const { return workSquare_; }
    const Bitmap& WorkView() const { return workView_; }
    // What the caller saves; nothing after a failed load.
    const std::optional<Bitmap>& Result() const { return result_; }
    const CropFrame& Crop() const { return crop_; }
    bool WorkViewShown() const { return workViewShown_; }
    bool ResultShown() const { return resultShown_; }
    bool CanSave() const { return canSave_; }
    // Brighten, Darken, ResetAdjustments, TurnClockwise and Sharpen act only
    // while this is set (a picture is shown).
    bool AdjustmentsEnabled() const { return adjustmentsEnabled_; }

    // Gives the crop frame a new place or shown state; the result follows
    // at the next RenderResult.
    void SetCropFrame(const CropFrame& frame) { crop_ = frame; }
    // Recomputes the result from the work square and the crop frame (the
    // whole work view when no frame is shown), with the automatic correction
    // and the mosaics. A frame that cannot be cut is hidden and the result
    // kept (the whole view is rendered instead while mosaics are set, so
    // none is ever missing). One step of the undo history.
    void RenderResult();

    // Adjustments of the result.
    void Brighten();
    void Darken();
    void ResetAdjustments();
    // Turns the work square and the work view a quarter clockwise; the
    // frame keeps its place on the view.
    void TurnClockwise();
    void Sharpen();
    void ApplyEffect(Effect effect);
    // Multiplies the result's channels by factor (rounded, clamped).
    void ApplyBrightness(double factor);
    // 垂直補正: makes the photo's verticals upright and parallel, or, pressed
    // again, brings back the picture before (StraightenCommand.cpp).
    StraightenOutcome Straighten();
    bool Straightened() const { return beforeStraighten_.has_value(); }

    // "自動補正": a correction of levels and colour measured once on the
    // photo's part of the work view (so moving the frame does not change
    // it). Like the brightness it belongs to the rendering: the result is
    // rendered afresh with it and the brightness, which drops a sharpening
    // or effect. A second press changes nothing.
    void AutoAdjust();
    const std::optional<AutoCorrection>& AutoCorrectionInUse() const { return autoCorrection_; }

    // "モザイク": rectangles in work-view pixels (so they stay on the faces
    // and plates whatever the frame cuts), each made coarse blocks in the
    // result. Adding, moving or removing one renders the result afresh with
    // the brightness, as AutoAdjust does. A rectangle is clipped to the work
    // view; one left empty is refused (false).
    const std::vector<Rect>& Mosaics() const { return mosaics_; }
    bool AddMosaic(const Rect& rect);
    bool MoveMosaic(std::size_t index, const Rect& rect);
    void RemoveMosaic(std::size_t index);

    // "元に戻す": takes back the last edit (a brightness step, reset, turn,
    // sharpening, effect, frame change, marker change, automatic correction
    // or mosaic change), giving back exactly the pictures and state before
    // it; false when there is nothing to take back. Loading a picture starts
    // a new history.
    bool Undo();
    bool CanUndo() const { return !history_.Empty(); }
    const EditHistory& History() const { return history_; }

    // The compass marker: shown or not, its place and size over the result
    // (result pixels), and the direction its needle points to.
    bool MarkerShown() const { return markerShown_; }
    const Rect& Marker() const { return marker_; }
    int DirectionIndex() const { return directionIndex_; }
    // The marker picture, Marker's size; shown without the pixels of
    // MarkerTransparentColor().
    const Bitmap& MarkerPicture() const { return markerPicture_; }
    Color MarkerTransparentColor() const;

    void ShowMarker(bool shown);
    // One step anticlockwise / clockwise (15 degrees).
    void TurnMarkerLeft();
    void TurnMarkerRight();
    // Sets the marker's place and size, the side kept within the limits, and
    // draws it.
    void SetMarkerBounds(const Rect& bounds);
    // Places the marker where the editor's previous picture left it, as
    // Load keeps it: not an edit of this picture, so no step to take back.
    void CarryMarkerOver(const Rect& bounds);
    // Draws a shown marker into the result where it is shown.
    void StampMarker();

    // Ending the editing of one picture. Each sets Exit and returns it;
    // Save stamps a shown marker first, and does nothing (returning None)
    // while saving is not possible. ResumeEditing sets it back to None as
    // the window opens again.
    EditorExit Exit() const { return exit_; }
    EditorExit Save();
    EditorExit StopAll();
    EditorExit Skip();
    EditorExit CloseWindow();
    void ResumeEditing() { exit_ = EditorExit::None; }

  private:
    void LoadWorkSquare();
    void ShowPrepared(PreparedPicture prepared);
    void RefuseLoad(std::string cause);
    void DrawMarker();
    void Render();
    bool RenderCut();
    void RenderWithBrightness();
    void ApplyRenderingSettings(Bitmap& result) const;
    // Pushes the state as it is now, before an edit, onto the history.
    void Remember(WorkPicturesUndo workPictures = {});
    void TurnPictureBeforeStraighten();
    void UndoStraightenToggle(WorkPicturesUndo& work);

    // The work square, view and scale before 垂直補正, while it is applied.
    struct PictureBeforeStraighten {
        Bitmap workSquare;
        Bitmap workView;
        std::int64_t scale = 0;
    };

    IMessageBoxes& boxes_;
    std::string sourcePath_;
    std::optional<PreparedPicture> prepared_;
    std::string loadFailureCause_;

    std::int64_t scale_ = 0;
    int brightness_ = 0;
    Bitmap workSquare_;
    Bitmap workView_;
    std::optional<Bitmap> result_;
    CropFrame crop_;
    bool workViewShown_ = false;
    bool resultShown_ = false;
    bool canSave_ = false;
    bool adjustmentsEnabled_ = false;
    std::optional<PictureBeforeStraighten> beforeStraighten_;

    bool markerShown_ = false;
    Rect marker_ = kFirstMarkerArea;
    int directionIndex_ = 0;
    Bitmap markerPicture_;

    std::vector<Rect> mosaics_;
    std::optional<AutoCorrection> autoCorrection_;
    // The frame the result was last rendered from.
    CropFrame renderedCrop_;
    EditHistory history_;

    EditorExit exit_ = EditorExit::None;
};

// Where a rectangle of the work view lands in the result rendered through
// `crop`: the cut scaled to the result's side, edges rounded outwards so the
// whole of the rectangle is covered.
Rect ViewRectInResult(const Rect& viewRect, const CropFrame& crop);

// A rectangle of a kViewSide square after the square's quarter turn
// clockwise.
Rect TurnViewRectClockwise(const Rect& rect);

// Where a W x H picture sits inside its L x L work square.
Rect LetterboxRect(int width, int height);

// Draws the compass disc and the needle pointing to direction `direction`
// (0 .. kMarkerDirections - 1, anticlockwise from up) centred on `bitmap`,
// and gives the needle's possible tips, one per direction.
std::vector<Point> DrawCompass(Bitmap& bitmap, int direction);

}  // namespace pictorel
