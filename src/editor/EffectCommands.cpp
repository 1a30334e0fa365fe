// The nine effect commands: each applies one picture effect with fixed
// arguments to the result view, directly or on a copy drawn back over it.
#include "editor/EffectCommands.h"

#include <array>

#include "imaging/BitmapEffects.h"

namespace pictorel {

namespace {

// Works on the result view itself. A rejected picture stays as it was.
template <typename Effect>
void InPlace(std::optional<Bitmap>& view, Effect effect) {
    if (view) effect(*view);
}

// Works on a copy, which a grey effect may turn into an 8-bit picture; the
// copy is drawn over the view at (0, 0), so the view stays 24-bit.
template <typename Effect>
void OnCopy(std::optional<Bitmap>& view, Effect effect) {
    if (!view) return;
    Bitmap copy = CopyBitmap(*view);
    effect(copy);
    view->Draw(0, 0, copy);
}

constexpr int kSpotlightRadius = 200;
constexpr int kColorSpotlightRadius = 190;
constexpr int kBlurEdgesSpread = 600;
constexpr int kTileSize = 40;
constexpr int kTileJitter = 1;
constexpr int kOilPaintRadius = 3;
constexpr int kGridCell = 3;

}  // namespace

void EditorModel::SpeedButton8Click() {
    OnCopy(Image2, [](Bitmap& b) { SketchBitmap(b, false); });
}

void EditorModel::SpeedButton9Click() {
    OnCopy(Image2, [](Bitmap& b) { GrayscaleBitmap(b); });
}

void EditorModel::SpeedButton10Click() {
    InPlace(Image2, [](Bitmap& b) { SpotlightBitmap(b, kSpotlightRadius); });
}

void EditorModel::SpeedButton11Click() {
    InPlace(Image2, [](Bitmap& b) { ColorSpotlightBitmap(b, kColorSpotlightRadius); });
}

void EditorModel::SpeedButton12Click() {
    InPlace(Image2, [](Bitmap& b) { BlurEdgesBitmap(b, kBlurEdgesSpread); });
}

void EditorModel::SpeedButton13Click() {
    InPlace(Image2, [](Bitmap& b) { TileBitmap(b, kTileSize, kTileJitter); });
}

void EditorModel::SpeedButton14Click() {
    OnCopy(Image2, [](Bitmap& b) { EmbossBitmap(b, true); });
}

void EditorModel::SpeedButton15Click() {
    InPlace(Image2, [](Bitmap& b) { OilPaintBitmap(b, kOilPaintRadius); });
}

void EditorModel::SpeedButton16Click() {
    OnCopy(Image2, [](Bitmap& b) { GridBitmap(b, kGridCell); });
}

std::span<const EditorEffect> EditorEffects() {
    static constexpr std::array<EditorEffect, 9> effects = {{
        {"sketch", &EditorModel::SpeedButton8Click},
        {"grayscale", &EditorModel::SpeedButton9Click},
        {"spotlight", &EditorModel::SpeedButton10Click},
        {"colorspotlight", &EditorModel::SpeedButton11Click},
        {"bluredges", &EditorModel::SpeedButton12Click},
        {"tile", &EditorModel::SpeedButton13Click},
        {"emboss", &EditorModel::SpeedButton14Click},
        {"oilpaint", &EditorModel::SpeedButton15Click},
        {"grid", &EditorModel::SpeedButton16Click},
    }};
    return effects;
}

}  // namespace pictorel
