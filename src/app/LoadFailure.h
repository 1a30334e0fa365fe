// The box shown when a picture cannot be loaded, shared by both runs and the
// command line.
#pragma once

#include <string>

namespace pictorel {

inline constexpr const char* kLoadFailedMessage =
    "画像ファイルが壊れているか、サイズが大き過ぎます。";
// That box for one file: the text, then the file's full path on a second line.
std::string LoadFailedMessage(const std::string& path);

}  // namespace pictorel
