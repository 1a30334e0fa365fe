// pictorel-cli info and convert: decoding exactly as the editor does.
#pragma once

#include "cli/Commands.h"

namespace pictorel::cli {

int CmdInfo(const Args& args);
int CmdConvert(const Args& args);

inline constexpr const char* kInfoUsage = "FILE";
inline constexpr const char* kInfoSummary =
    "decode FILE and print the reader, the picture's size and its bits per pixel";
inline constexpr const char* kConvertUsage = "IN OUT";
inline constexpr const char* kConvertSummary =
    "decode IN as the editor does and write it as 24-bit OUT (.png or .ppm)";

}  // namespace pictorel::cli
