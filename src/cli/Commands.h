// The commands of pictorel-cli. Each takes the arguments after its name and
// returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace pictorel::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    int (*run)(const Args& args);
    const char* usage;    // one line: arguments
    const char* summary;  // one line: what it does
};

}  // namespace pictorel::cli
