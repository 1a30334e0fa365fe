// The nine effects: each applies one picture effect with fixed arguments to
// the result, directly or on a copy drawn back over it.
#include "editor/EffectCommands.h"

#include <array>

#include "imaging/BitmapEffects.h"

namespace pictorel {

namespace {

// Works on the result itself. A rejected picture stays as it was.
template <typename Apply>
void InPlace(std::optional<Bitmap>& result, Apply apply) {
    if (result) apply(*result);
}

// Works on a copy, which a grey effect may turn into an 8-bit picture; the
// copy is drawn over the result at (0, 0), so the result stays 24-bit.
template <typename Apply>
void OnCopy(std::optional<Bitmap>& result, Apply apply) {
    if (!result) return;
    Bitmap copy = CopyBitmap(*result);
    apply(copy);
    result->Draw(0, 0, copy);
}

constexpr int kSpotlightRadius = 200;
constexpr int kColorSpotlightRadius = 190;
constexpr int kBlurEdgesSpread = 600;
constexpr int kTileSize = 40;
constexpr int kTileJitter = 1;
constexpr int kOilPaintRadius = 3;
constexpr int kGridCell = 3;

}  // namespace

void EditorModel::ApplyEffect(Effect effect) {
    if (result_) Remember();
    switch (effect) {
        case Effect::Sketch:
            return OnCopy(result_, [](Bitmap& b) { SketchBitmap(b, false); });
        case Effect::Grayscale:
            return OnCopy(result_, [](Bitmap& b) { GrayscaleBitmap(b); });
        case Effect::Spotlight:
            return InPlace(result_, [](Bitmap& b) { SpotlightBitmap(b, kSpotlightRadius); });
        case Effect::ColorSpotlight:
            return InPlace(result_,
                           [](Bitmap& b) { ColorSpotlightBitmap(b, kColorSpotlightRadius); });
        case Effect::BlurEdges:
            return InPlace(result_, [](Bitmap& b) { BlurEdgesBitmap(b, kBlurEdgesSpread); });
        case Effect::Tile:
            return InPlace(result_, [](Bitmap& b) { TileBitmap(b, kTileSize, kTileJitter); });
        case Effect::Emboss:
            return OnCopy(result_, [](Bitmap& b) { EmbossBitmap(b, true); });
        case Effect::OilPaint:
            return InPlace(result_, [](Bitmap& b) { OilPaintBitmap(b, kOilPaintRadius); });
        case Effect::Grid:
            return OnCopy(result_, [](Bitmap& b) { GridBitmap(b, kGridCell); });
    }
}

std::span<const EditorEffect> EditorEffects() {
    static constexpr std::array<EditorEffect, 9> effects = {{
        {"sketch", Effect::Sketch},
        {"grayscale", Effect::Grayscale},
        {"spotlight", Effect::Spotlight},
        {"colorspotlight", Effect::ColorSpotlight},
        {"bluredges", Effect::BlurEdges},
        {"tile", Effect::Tile},
        {"emboss", Effect::Emboss},
        {"oilpaint", Effect::OilPaint},
        {"grid", Effect::Grid},
    }};
    return effects;
}

}  // namespace pictorel
