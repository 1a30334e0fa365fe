// pictorel-cli resize, rotate and effect: the bitmap processing of the editor
// and the automatic run on single files.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdResize(const Args& args);
int CmdRotate(const Args& args);
int CmdEffect(const Args& args);

inline constexpr const char* kResizeUsage = "IN W H OUT";
inline constexpr const char* kResizeSummary =
    "resample IN to W x H pixels as every size change of the program does; OUT is .png or .ppm";
inline constexpr const char* kRotateUsage = "IN OUT";
inline constexpr const char* kRotateSummary = "turn IN a quarter turn clockwise";
inline constexpr const char* kEffectUsage =
    "NAME IN OUT [ARGS...]   NAME: grayscale, emboss [--color], sketch [--stretch],\n"
    "      spotlight [RADIUS=200], colorspotlight [RADIUS=190], bluredges [SPREAD=600],\n"
    "      oilpaint [RADIUS=3], tile [SIZE=40 [JITTER=1]], grid [CELL=3], sharpen,\n"
    "      brighten LEVEL (0-100)";
inline constexpr const char* kEffectSummary =
    "apply one of the editor's effects to IN (as a 24-bit picture) and write OUT";

}  // namespace pictorel::cli
