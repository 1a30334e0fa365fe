// 垂直補正 in the editor: what pressing the button did.
#pragma once

#include <string>

namespace pictorel {

enum class StraightenOutcome {
    Straightened,  // the corrected picture is shown
    Restored,      // the picture before the correction is shown again
    TooFewLines,   // nothing changed: too few lines agree (TooFewLinesText)
    NoMemory,      // nothing changed: the corrected picture did not fit
    NothingShown,  // no picture is loaded
};

// What the user is told when the corrected picture does not fit in memory.
std::string StraightenNoMemoryText();

}  // namespace pictorel
