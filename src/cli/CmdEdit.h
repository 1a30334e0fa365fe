// pictorel-cli edit: one picture through the editor's commands, as the edited
// run would save it.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdEdit(const Args& args);

inline constexpr const char* kEditUsage =
    "IN OUT [--crop X,Y,SIDE] [--move DX,DY] [--grow N] [--shrink N] [--rotate] [--brighter] "
    "[--darker] [--undo] [--sharpen] [--effect NAME] [--marker X,Y,SIZE] [--turn-left] "
    "[--turn-right] [--straighten] ...";
inline constexpr const char* kEditSummary =
    "load IN as the editor does, apply the commands in order, save the 400 x 400 result "
    "(OUT .jpg never overwrites; .png/.ppm as 24-bit pixels)";

}  // namespace pictorel::cli
