#include "editor/FrameKeys.h"

namespace pictorel {

void ApplyFrameKey(FrameKey key, bool mosaicMode, CropTool& crop, MosaicTool& mosaic) {
    if (key == FrameKey::Delete) {
        if (mosaicMode) mosaic.RemoveSelected();
        return;
    }
    struct Change {
        int dx, dy;  // a move
        int dw, dh;  // a size change of the rectangle; the frame's side takes dw + dh
    };
    // In FrameKey's order, Up to ShrinkLeft.
    static constexpr Change kChanges[] = {
        {0, -1, 0, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {1, 0, 0, 0},
        {0, 0, 1, 0},  {0, 0, 0, 1}, {0, 0, 0, -1}, {0, 0, -1, 0},
    };
    const Change& change = kChanges[static_cast<int>(key)];
    const bool move = change.dw == 0 && change.dh == 0;
    if (mosaicMode)
        move ? mosaic.NudgeBy(change.dx, change.dy) : mosaic.ResizeBy(change.dw, change.dh);
    else
        move ? crop.NudgeBy(change.dx, change.dy) : crop.ResizeBy(change.dw + change.dh);
}

}  // namespace pictorel
