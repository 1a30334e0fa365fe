// pictorel-cli shrink: the automatic run on the command line.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdShrink(const Args& args);

inline constexpr const char* kShrinkUsage =
    "[--folder NAME] [--base DIR] [--into-existing] [--jobs N] PATH...\n"
    "       pictorel-cli shrink [--size NAME] [--max-side N] [--quality Q] [--max-kb K] ...";
inline constexpr const char* kShrinkSummary =
    "reduce pictures to at most 800 pixels and save them as JPEG, as the automatic run does;\n"
    "      --size NAME takes an output size kept in the settings file (the window's 出力サイズ),\n"
    "      --max-side N (100-10000 pixels), --quality Q (1-100) and --max-kb K (a file-size\n"
    "      cap, 10-100000 KB of 1000 bytes) set its parts; a file lowered to meet the cap\n"
    "      is printed with what was lowered, tab-separated (\"画質 80 → 68\")";

}  // namespace pictorel::cli
