// pictorel-cli demo: writes a few drawn pictures through the JPEG output.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdDemo(const Args& args);

inline constexpr const char* kDemoUsage = "[FOLDER]";
inline constexpr const char* kDemoSummary =
    "draw a few test pictures and save them as JPEG (quality 80, never overwriting) into FOLDER "
    "or a new temporary folder; prints the written paths";

}  // namespace pictorel::cli
