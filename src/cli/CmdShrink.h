// pictorel-cli shrink: the automatic run on the command line.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdShrink(const Args& args);

inline constexpr const char* kShrinkUsage =
    "[--folder NAME] [--base DIR] [--into-existing] [--jobs N] [--check] PATH...\n"
    "       pictorel-cli shrink [--size NAME] [--max-side N] [--quality Q] [--max-kb K] ...";
// One line: the manual page takes a command's last indented line of --help as
// its summary.
inline constexpr const char* kShrinkSummary =
    "reduce pictures to at most 800 pixels and save them as JPEG, as the automatic run does; "
    "--size NAME takes an output size kept in the settings file (the window's 出力サイズ), "
    "--max-side N (100-10000 pixels), --quality Q (1-100) and --max-kb K (a file-size cap, "
    "10-100000 KB of 1000 bytes) set its parts, and a file lowered to meet the cap is printed "
    "with what was lowered, tab-separated (\"画質 80 → 68\"); "
    "--check then prints the findings of the check before publishing (too dark or bright, flat, "
    "blurred, upright, not reduced, the same picture twice, tilted) and writes check.csv beside "
    "the "
    "results (check-1.csv, ... when taken), findings leaving the exit status as it is";

}  // namespace pictorel::cli
