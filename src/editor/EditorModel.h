// The editor's model: one picture being edited, in picture terms. It holds
// the work square (the photo centred in white at full resolution), its
// 400 x 400 work view, the crop frame over that view, the result that is
// saved, and the compass marker laid over the result. The edits are named
// for what they do; the pointer and key rules of the crop frame and the
// marker live in CropTool and MarkerTool, and the window (editor/ui) only
// shows this state and maps its own panels to the views.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "editor/PreparePicture.h"
#include "formats/LoadFailure.h"
#include "imaging/Bitmap.h"

namespace pictorel {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// A rectangle by its top-left corner and size.
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

// Side of the work view and of the result in pixels.
inline constexpr int kViewSide = 400;

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

class EditorModel {
  public:
    explicit EditorModel(IMessageBoxes& boxes) : boxes_(boxes) {}
    EditorModel(const EditorModel&) = delete;
    EditorModel& operator=(const EditorModel&) = delete;

    // The picture to edit, set by the caller before Load.
    std::string SourcePath;
    // SourcePath already prepared, if the caller loaded it ahead. Load takes
    // it when its path is SourcePath (its failure told as Load's own), and
    // drops it either way.
    std::optional<PreparedPicture> Prepared;

    // Gives back the work square, the work view, the result and the marker
    // picture, so that this thread holds nothing of the memory budget.
    void ReleasePictures();

    // Loads SourcePath: fills the work square, the work view and the result.
    // A picture that cannot be loaded is told in a box and leaves no result.
    // The crop frame is hidden, the brightness and the marker direction reset.
    void Load();

    // Factor from work-view pixels to work-square pixels, in ten-thousandths
    // (25 x the square's side); 0 while no picture is loaded.
    std::int64_t Scale = 0;
    // Set while the result is being rendered or brightened; pointer input
    // and most edits wait for it.
    bool Busy = false;
    // Brightness step applied to the result, 0 .. 100.
    int Brightness = 0;

    Bitmap WorkSquare;
    Bitmap WorkView;
    // What the caller saves; nothing after a failed load.
    std::optional<Bitmap> Result;

    // The crop frame, in work-view pixels. It stays in view pixels rather
    // than work-square pixels because its key moves, its size limits and the
    // place it keeps from one picture to the next are whole view pixels, and
    // the cut takes each of its edges through Scale separately (truncating):
    // a frame kept in square pixels could not give back those same edges.
    Bounds CropFrame{165, 157, 65, 65};
    bool CropFrameShown = false;

    bool WorkViewShown = false;
    bool ResultShown = false;
    bool CanSave = false;
    // Brighten, Darken, ResetAdjustments, TurnClockwise and Sharpen act only
    // while this is set (a picture is shown).
    bool AdjustmentsEnabled = false;

    // Recomputes the result from the work square and the crop frame (the
    // whole work view when no frame is shown). A frame that cannot be cut
    // is hidden and the result kept.
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

    // The compass marker: shown or not, its place and size over the result
    // (result pixels), and the direction its needle points to.
    bool MarkerShown = false;
    Bounds Marker{175, 175, 50, 50};
    int DirectionIndex = 0;
    int DirectionCount = 24;
    std::vector<Point> DirectionPoints = std::vector<Point>(24);
    double DirectionStep = static_cast<double>(6.283184L / 24);
    // The marker picture, Marker's size; shown without the pixels of
    // MarkerTransparentColor().
    Bitmap MarkerPicture;

    void ShowMarker(bool shown);
    // One step anticlockwise / clockwise (15 degrees).
    void TurnMarkerLeft();
    void TurnMarkerRight();
    // Sets the marker's place and size, the side kept within the limits.
    void SetMarkerBounds(const Bounds& bounds);
    // Draws the marker picture for the current size and direction.
    void DrawMarker();
    // Draws the disc and needle centred on the bitmap, offset by origin.
    void DrawCompass(Bitmap& bitmap, Point origin);
    Color MarkerTransparentColor() const;
    // Draws a shown marker into the result where it is shown.
    void StampMarker();

    // Ending the editing of one picture. Each sets Exit and returns it;
    // Save stamps a shown marker first, and does nothing (returning None)
    // while saving is not possible.
    EditorExit Exit = EditorExit::None;
    EditorExit Save();
    EditorExit StopAll();
    EditorExit Skip();
    EditorExit CloseWindow();

  private:
    void LoadWorkSquare();
    void ShowPrepared(PreparedPicture prepared);

    IMessageBoxes& boxes_;
};

// Where a W x H picture sits inside its L x L work square.
Rect LetterboxRect(int width, int height);

}  // namespace pictorel
