// Small pictures of the editor's buttons, drawn at run time.
#pragma once

#include <QIcon>

namespace pictorel {

enum class GlyphKind { Brighter, Darker, TurnLeft, TurnRight, Sharpen, Undo };

// A 16 x 16 picture for a button.
QIcon Glyph(GlyphKind kind);

}  // namespace pictorel
