// The editor's document: the picture being edited and every piece of state
// the editor window shows. The window (EditorWindow) owns one and forwards its
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
// That box for one file: the text, then the file's full path on a second line.
std::string LoadFailedMessage(const std::string& path);

// Side of the work view and of the result view in pixels.
inline constexpr int kViewSide = 400;
// Longest side of a picture written by the automatic run.
inline constexpr int kAutoMaxSide = 800;
// The work view sits at (3, 3) inside Panel1; frame bounds use Panel1 coordinates.
inline constexpr int kViewOffset = 3;

class EditorModel {
  public:
    explicit EditorModel(IMessageBoxes& boxes) : boxes_(boxes) {}
    EditorModel(const EditorModel&) = delete;
    EditorModel& operator=(const EditorModel&) = delete;

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
    double DirectionStep = static_cast<double>(6.283184L / 24);

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

    // Cursor a frame asks for; the window maps it to its platform cursor.
    enum class Cursor { Default, SizeNWSE, SizeNESW };
    Cursor Shape1Cursor = Cursor::Default;
    Cursor ShapeDirectionCursor = Cursor::Default;

    // Crop frame. Image1 events take work-view coordinates, Shape1 events
    // coordinates relative to the frame's current top-left; both may lie
    // outside the control while a button is held.
    void Image1MouseDown(int x, int y);
    void Image1MouseMove(int x, int y);
    void Image1MouseUp(int x, int y);
    void Shape1MouseDown(int x, int y);
    void Shape1MouseMove(int x, int y);
    void Shape1MouseUp(int x, int y);
    // Key actions: arrows move by one pixel; Big1 (Shift+Right, Shift+Down)
    // and Small1 (Shift+Up, Shift+Left) change the side by one pixel.
    void UpExecute();
    void DownExecute();
    void LeftExecute();
    void RightExecute();
    void Big1Execute();
    void Small1Execute();
    // Any key released: re-renders once if key commands changed the frame.
    void FormKeyUp();

    // Direction marker toggle "方角を表示" / "方角を消去" and turn buttons.
    bool SBtnDirectionDown = false;
    std::string SBtnDirectionCaption = "方角を表示";
    // Caption colour; nothing means the system's window-text colour.
    std::optional<Color> SBtnDirectionFontColor;
    bool TurnButtonsVisible = false;
    // The marker picture, ImageDirection's size; shown without the pixels
    // of DirectionTransparentColor().
    Bitmap ImageDirectionPicture;
    // Applies the toggle's state (the caller sets SBtnDirectionDown first).
    void SBtnDirectionClick();
    void SBtnLeftTurnClick();
    void SBtnRightTurnClick();
    // Draws the disc and needle centred on the bitmap, offset by origin.
    void DrawCompass(Bitmap& bitmap, Point origin);
    Color DirectionTransparentColor() const;
    // Sets the marker's place and size, the side kept within the limits.
    void SetDirectionBounds(const Bounds& bounds);
    // Pointer over the marker / over the rest of the result view.
    void ImageDirectionMouseMove();
    void Shape2MouseMove();
    // Marker frame events, coordinates relative to the frame's top-left.
    void ShapeDirectionMouseDown(int x, int y);
    void ShapeDirectionMouseMove(int x, int y);
    void ShapeDirectionMouseUp(int x, int y);
    // Draws a shown marker into the result view where it is shown.
    void StampDirectionMarker();

    // Adjustment commands (Panel8; they act only while it is enabled).
    void SpeedButton2Click();  // brighter
    void SpeedButton3Click();  // darker
    void SpeedButton4Click();  // undo
    void SpeedButton6Click();  // rotate 90 degrees clockwise
    void SpeedButton7Click();  // sharpen
    // Multiplies the result view's channels by factor (rounded, clamped).
    void ApplyBrightness(double factor);

    // Ending the editing of one picture. Each sets ModalResult (the window
    // closes on a non-zero value) and returns it; save does nothing while
    // disabled and returns 0.
    int ModalResult = 0;
    int BitBtnOKClick();      // "保存": stamps a shown marker, 1
    int SpeedButton1Click();  // "残りの全ての画像処理を中止": 3
    int CloseFormExecute();   // "終了" and Esc: -1
    int CloseBoxClick();      // the window's close box: 2

    // The nine effect commands on the result view (their buttons stay hidden).
    void SpeedButton8Click();   // sketch
    void SpeedButton9Click();   // grey scale
    void SpeedButton10Click();  // spotlight
    void SpeedButton11Click();  // colour spotlight
    void SpeedButton12Click();  // blur the edges
    void SpeedButton13Click();  // tile
    void SpeedButton14Click();  // emboss
    void SpeedButton15Click();  // oil painting
    void SpeedButton16Click();  // grid

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
