// pictorel-cli edit: one picture through the editor's commands, as the edited
// run would save it.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdEdit(const Args& args);

inline constexpr const char* kEditUsage =
    "IN OUT [--crop X,Y,SIDE] [--move DX,DY] [--grow N] [--shrink N] [--rotate] [--brighter] "
    "[--darker] [--undo] [--sharpen] [--effect NAME] [--marker X,Y,SIZE] [--turn-left] "
    "[--turn-right] [--auto-adjust] [--mosaic X,Y,W,H] [--straighten] [--step-back] ...";
inline constexpr const char* kEditSummary =
    "load IN as the editor does, apply the commands in order, save the 400 x 400 result "
    "(OUT .jpg never overwrites; .png/.ppm as 24-bit pixels)\n"
    "      --crop, --move and --mosaic take work-view pixels (the picture squared with white\n"
    "      and shown 400 x 400, as the editor's left view); --undo drops the brightness,\n"
    "      sharpening and effects; --step-back takes back the one command before it";

}  // namespace pictorel::cli
