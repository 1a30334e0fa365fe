// Adjustment commands of the result view (brighter, darker, undo, rotate,
// sharpen) and the buttons that end the editing of one picture.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "editor/TrimmingDocument.h"
#include "imaging/BitmapUtils.h"

namespace pictorel {

namespace {

constexpr int kBrightnessStep = 5;
constexpr int kBrightnessMax = 100;

// Result codes read by the edited run.
constexpr int kResultSave = 1;
constexpr int kResultStopAll = 3;
constexpr int kResultClose = -1;
constexpr int kResultCloseBox = 2;

// Replaces a picture by its quarter turn, drawn over it at (0, 0): a square
// is replaced whole and keeps its size.
void TurnInPlace(Bitmap& picture) {
    Bitmap turned = RotateBitmap90(picture);
    if (turned.Width() == picture.Width() && turned.Height() == picture.Height())
        picture = std::move(turned);
    else
        picture.Draw(0, 0, turned);
}

// Sets a flag for the lifetime of the guard, clearing it however it ends.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
};

// Each channel c of a 24-bit picture becomes round(c x factor), halves to
// even, clamped to 0..255.
void BrightenPicture(Bitmap& picture, double factor) {
    std::uint8_t table[256];
    for (int c = 0; c < 256; ++c) {
        const double v = std::nearbyint(c * factor);
        table[c] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
    const std::size_t bytes = static_cast<std::size_t>(picture.Width()) * 3;
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (std::size_t i = 0; i < bytes; ++i) row[i] = table[row[i]];
    }
}

// 3 x 3 sharpening: 24 at the centre, -1 around, divided by 16 truncating
// toward zero, clamped; pixels beyond an edge repeat the edge pixel.
Bitmap SharpenPicture(const Bitmap& view) {
    const Bitmap source = view.ToBgr24();
    const int w = source.Width(), h = source.Height();
    Bitmap out(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* rows[3] = {source.ScanLine(std::max(y - 1, 0)), source.ScanLine(y),
                                       source.ScanLine(std::min(y + 1, h - 1))};
        std::uint8_t* d = out.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            const int cols[3] = {std::max(x - 1, 0), x, std::min(x + 1, w - 1)};
            for (int ch = 0; ch < 3; ++ch) {
                int sum = 0;
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = 0; dx < 3; ++dx) {
                        const int v = rows[dy][cols[dx] * 3 + ch];
                        sum += (dy == 1 && dx == 1) ? 24 * v : -v;
                    }
                d[x * 3 + ch] = static_cast<std::uint8_t>(std::clamp(sum / 16, 0, 255));
            }
        }
    }
    return out;
}

}  // namespace

// Brightness is applied to a fresh rendering each time, so factors never
// compound and any sharpening or effect before it is discarded.
void TTrimmingDocument::SpeedButton2Click() {
    if (!Panel8Enabled || Busy || Brightness >= kBrightnessMax) return;
    Brightness = std::min(Brightness + kBrightnessStep, kBrightnessMax);
    RenderResult();
    if (Brightness != 0) ApplyBrightness(static_cast<double>(Brightness / 100.0L + 1));
}

void TTrimmingDocument::SpeedButton3Click() {
    if (!Panel8Enabled || Busy || Brightness <= 0) return;
    Brightness = std::max(Brightness - kBrightnessStep, 0);
    RenderResult();
    if (Brightness != 0) ApplyBrightness(static_cast<double>(Brightness / 100.0L + 1));
}

void TTrimmingDocument::SpeedButton4Click() {
    if (!Panel8Enabled || Busy) return;
    Brightness = 0;
    RenderResult();
}

// Turns the work square and the work view a quarter clockwise; the frame
// keeps its place on the view. Deliberately not guarded by Busy.
void TTrimmingDocument::SpeedButton6Click() {
    if (!Panel8Enabled) return;
    TurnInPlace(OrgImage);
    TurnInPlace(Image1);
    RenderResult();
}

void TTrimmingDocument::ApplyBrightness(double factor) {
    FlagGuard busy(Busy);
    if (Image2 && Image2->Format() == PixelFormat::pf24bit) BrightenPicture(*Image2, factor);
}

// Sharpens whatever the result view shows; repeated presses sharpen again.
// Deliberately not guarded by Busy.
void TTrimmingDocument::SpeedButton7Click() {
    if (!Panel8Enabled || !Image2) return;
    Image2 = SharpenPicture(*Image2);
}

int TTrimmingDocument::BitBtnOKClick() {
    if (!SaveEnabled) return 0;
    StampDirectionMarker();
    return ModalResult = kResultSave;
}

int TTrimmingDocument::SpeedButton1Click() {
    return ModalResult = kResultStopAll;
}

int TTrimmingDocument::CloseFormExecute() {
    return ModalResult = kResultClose;
}

int TTrimmingDocument::CloseBoxClick() {
    return ModalResult = kResultCloseBox;
}

}  // namespace pictorel
