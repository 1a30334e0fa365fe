// pictorel-cli shrink: the automatic run on the command line.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdShrink(const Args& args);

inline constexpr const char* kShrinkUsage =
    "[--folder NAME] [--base DIR] [--into-existing] [--jobs N] PATH...";
inline constexpr const char* kShrinkSummary =
    "reduce pictures to at most 800 pixels and save them as JPEG, as the automatic run does";

}  // namespace pictorel::cli
