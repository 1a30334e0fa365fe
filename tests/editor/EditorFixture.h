// A model holding a synthetic picture, as the load step would leave it,
// without going through a file.
#pragma once

#include <cstdint>

#include "editor/CropTool.h"
#include "editor/EditorModel.h"
#include "editor/MarkerTool.h"
#include "imaging/ResampleBitmap.h"
#include "support/Fakes.h"

namespace pictorel::test {

// A colour that differs for every pixel of a picture up to 4096 wide.
inline Color PatternColor(int x, int y) {
    return Color{static_cast<std::uint8_t>(x * 7 + y * 3), static_cast<std::uint8_t>(y * 5 + 11),
                 static_cast<std::uint8_t>((x / 16) * 13 + (y / 16) * 29)};
}

inline Bitmap PatternSquare(int side) {
    Bitmap b(side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) b.SetPixel(x, y, PatternColor(x, y));
    return b;
}

// Puts an L x L work square into the model with the edited run's scale
// (25 x L ten-thousandths) and renders, as the end of the load step does.
inline void LoadSquare(EditorModel& doc, Bitmap square) {
    const int side = square.Width();
    doc.WorkSquare = std::move(square);
    doc.WorkView = ResampleBitmap(doc.WorkSquare, kViewSide, kViewSide);
    doc.Scale = 25 * std::int64_t{side};
    doc.CropFrameShown = false;
    doc.RenderResult();
}

struct EditorFixtureBase {
    FakeMessageBoxes boxes;
    EditorModel doc{boxes};
    CropTool crop{doc};
    MarkerTool marker{doc};
};

}  // namespace pictorel::test
