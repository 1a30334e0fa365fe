// pictorel-cli shrink: the automatic run on the command line.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdShrink(const Args& args);

inline constexpr const char* kShrinkUsage =
    "[--folder NAME] [--base DIR] [--into-existing] [--jobs N] [--check] PATH...";
// One line: the manual page takes a command's last indented line of --help as
// its summary.
inline constexpr const char* kShrinkSummary =
    "reduce pictures to at most 800 pixels and save them as JPEG, as the automatic run does; "
    "--check then prints the findings of the check before publishing (too dark or bright, flat, "
    "blurred, upright, not reduced, the same picture twice) and writes check.csv beside the "
    "results (check-1.csv, ... when taken), findings leaving the exit status as it is";

}  // namespace pictorel::cli
