// The editor's nine effects by name, for callers that pick one by
// text (the command line).
#pragma once

#include <span>

#include "editor/EditorModel.h"

namespace pictorel {

struct EditorEffect {
    const char* name;  // sketch, grayscale, spotlight, colorspotlight, bluredges,
                       // tile, emboss, oilpaint, grid
    Effect effect;
};

std::span<const EditorEffect> EditorEffects();

}  // namespace pictorel
