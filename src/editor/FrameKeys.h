// The editor's keys for the crop frame and the privacy-mosaic rectangles.
#pragma once

#include "editor/CropTool.h"
#include "editor/MosaicTool.h"

namespace pictorel {

// The plain arrows move by a pixel; Shift+Right and Shift+Down grow (the
// rectangle's width or height, the frame's side), Shift+Up and Shift+Left
// shrink; Delete removes the selected rectangle.
enum class FrameKey { Up, Down, Left, Right, GrowRight, GrowDown, ShrinkUp, ShrinkLeft, Delete };

// In the mosaic mode a key acts on the selected rectangle, otherwise on the
// crop frame (Delete then does nothing).
void ApplyFrameKey(FrameKey key, bool mosaicMode, CropTool& crop, MosaicTool& mosaic);

}  // namespace pictorel
