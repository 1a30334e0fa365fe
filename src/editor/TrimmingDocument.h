// The editor's document: the picture being edited and every piece of state
// the editor window shows. The window (TFTrimming) owns one and forwards its
// events here; the automatic run drives one without any window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "imaging/Bitmap.h"

namespace pictorel {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Position and size of a control inside its parent panel.
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

// The box shown when a picture cannot be loaded.
inline constexpr const char* kLoadFailedMessage =
    "画像ファイルが壊れているか、サイズが大き過ぎます。";

// Side of the work view and of the result view in pixels.
inline constexpr int kViewSide = 400;
// Longest side of a picture written by the automatic run.
inline constexpr int kAutoMaxSide = 800;
// The work view sits at (3, 3) inside Panel1; frame bounds use Panel1 coordinates.
inline constexpr int kViewOffset = 3;

class TTrimmingDocument {
  public:
    explicit TTrimmingDocument(IMessageBoxes& boxes) : boxes_(boxes) {}
    TTrimmingDocument(const TTrimmingDocument&) = delete;
    TTrimmingDocument& operator=(const TTrimmingDocument&) = delete;

    // Inputs, set by the caller before each picture.
    std::string SourcePath;
    bool AutoMode = false;

    // Factor from work-view pixels to work-square pixels, in ten-thousandths.
    std::int64_t Scale = 0;
    bool Busy = false;
    bool Drawing = false;
    bool Moving = false;
    bool KeyMoved = false;
    Point AnchorPoint;
    int Brightness = 0;

    int DirectionIndex = 0;
    int DirectionCount = 24;
    std::vector<Point> DirectionPoints = std::vector<Point>(24);
    double DirectionStep = 0.0;

    // Work square: the source centred in white at full resolution (edited run).
    Bitmap OrgImage;
    // Work view: the square at 400 x 400, or the reduced picture in the automatic run.
    Bitmap Image1;
    // Result view: what the caller saves; nothing after a failed load.
    std::optional<Bitmap> Image2;

    // Crop frame, in Panel1 coordinates.
    Bounds Shape1{168, 160, 65, 65};
    bool Shape1Visible = false;
    // Direction marker and its drag frame, in Panel2 coordinates.
    Bounds ImageDirection{177, 177, 50, 50};
    bool ImageDirectionVisible = false;
    Bounds ShapeDirection{169, 105, 65, 65};
    bool ShapeDirectionVisible = false;

    bool Image1Visible = false;
    bool Image2Visible = false;
    bool SaveEnabled = false;    // "保存"
    bool Panel8Enabled = false;  // Panel8 and its adjustment buttons

    // The load step: decodes SourcePath and fills the work square and both views.
    void FormShow();
    // Recomputes the result view from the work square and the crop frame.
    void RenderResult();
    // Draws the direction marker for the current direction index.
    void DrawDirectionMarker();

    // Crop frame, marker and adjustment commands:

  private:
    void LoadAndScale();

    IMessageBoxes& boxes_;
};

// The automatic run's scale for a longer side L, in ten-thousandths:
// L / 800 rounded half to even when L > 800, else 1.
std::int64_t AutoScaleFor(std::int64_t longerSide);

// Size of the picture the automatic run writes for a W x H source.
// A side never drops below 1 pixel, however thin the picture.
struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};
Size AutoTargetSize(int width, int height);

// Where a W x H picture sits inside its L x L work square.
Rect LetterboxRect(int width, int height);

}  // namespace pictorel
