// The editor's nine effect commands by name, for callers that pick one by
// text (the command line).
#pragma once

#include <span>

#include "editor/EditorModel.h"

namespace pictorel {

struct EditorEffect {
    const char* name;  // sketch, grayscale, spotlight, colorspotlight, bluredges,
                       // tile, emboss, oilpaint, grid
    void (EditorModel::*command)();
};

std::span<const EditorEffect> EditorEffects();

}  // namespace pictorel
