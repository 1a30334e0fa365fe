// pictorel-cli shrink: the automatic run on the command line.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdShrink(const Args& args);

inline constexpr const char* kShrinkUsage =
    "[--folder NAME] [--base DIR] [--into-existing] [--jobs N] [--check] PATH...";
inline constexpr const char* kShrinkSummary =
    "reduce pictures to at most 800 pixels and save them as JPEG, as the automatic run does;\n"
    "      --check then prints the check before publishing (too dark or bright, flat, blurred,\n"
    "      upright, not reduced, the same picture twice) for each result and writes it to\n"
    "      check.csv beside the results (check-1.csv, ... when taken); findings leave the\n"
    "      exit status as it is";

}  // namespace pictorel::cli
