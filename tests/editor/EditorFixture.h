// A model holding a synthetic picture, as the load step would leave it,
// without going through a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

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

// Opens an L x L work square in the model with the edited run's scale
// (25 x L ten-thousandths), as a picture prepared ahead is opened. A test
// that needs exact view pixels gives the work view itself.
inline void LoadSquare(EditorModel& model, Bitmap square, std::optional<Bitmap> view = {}) {
    const int side = square.Width();
    const std::string path = "square.bmp";
    PreparedPicture prepared;
    prepared.path = path;
    prepared.scale = 25 * std::int64_t{side};
    prepared.workView = view ? std::move(*view) : ResampleBitmap(square, kViewSide, kViewSide);
    prepared.workSquare = std::move(square);
    // Load resets what a new picture resets; the frame's place is kept.
    model.SetSource(path, std::move(prepared));
    model.Load();
}

struct EditorFixtureBase {
    FakeMessageBoxes boxes;
    EditorModel model{boxes};
    CropTool crop{model};
    MarkerTool marker{model};
};

}  // namespace pictorel::test
