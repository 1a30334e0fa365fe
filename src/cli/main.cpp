// pictorel-cli: the program's core on the command line.
#include <cstdio>
#include <exception>
#include <span>
#include <string>

#include "base/Errors.h"
#include "cli/CmdDemo.h"
#include "cli/CmdEdit.h"
#include "cli/CmdFormats.h"
#include "cli/CmdImaging.h"
#include "cli/CmdShrink.h"
#include "cli/Commands.h"

namespace pictorel::cli {

// Each command lives in its own file; list it here.
const Command kCommands[] = {
    {"shrink", CmdShrink, kShrinkUsage, kShrinkSummary},
    {"info", CmdInfo, kInfoUsage, kInfoSummary},
    {"convert", CmdConvert, kConvertUsage, kConvertSummary},
    {"demo", CmdDemo, kDemoUsage, kDemoSummary},
    {"edit", CmdEdit, kEditUsage, kEditSummary},
    {"resize", CmdResize, kResizeUsage, kResizeSummary},
    {"rotate", CmdRotate, kRotateUsage, kRotateSummary},
    {"effect", CmdEffect, kEffectUsage, kEffectSummary},
    {nullptr, nullptr, nullptr, nullptr},
};

namespace {

void PrintHelp() {
    std::printf(
        "pictorel-cli %s: shrink and edit photographs for publishing\n\n"
        "Usage: pictorel-cli COMMAND [ARGS...]\n"
        "       pictorel-cli --help | --version\n\nCommands:\n",
        PICTOREL_VERSION);
    for (const Command& c : kCommands) {
        if (!c.name) continue;
        std::printf("  %s %s\n      %s\n", c.name, c.usage, c.summary);
    }
}

// Whether the command's arguments ask for its usage: --help or -h before
// any "--" (after it they are paths).
bool AsksForHelp(const Args& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--help" || arg == "-h") return true;
    }
    return false;
}

void PrintCommandHelp(const Command& command) {
    std::printf("Usage: pictorel-cli %s %s\n  %s\n", command.name, command.usage, command.summary);
}

}  // namespace
}  // namespace pictorel::cli

int main(int argc, char** argv) {
    using namespace pictorel::cli;
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        PrintHelp();
        return argc < 2 ? 2 : 0;
    }
    const std::string name = argv[1];
    if (name == "--version") {
        std::printf("pictorel-cli %s\n", PICTOREL_VERSION);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (!c.name || name != c.name) continue;
        const Args args(argv + 2, argv + argc);
        if (AsksForHelp(args)) {
            PrintCommandHelp(c);
            return 0;
        }
        try {
            return c.run(args);
        } catch (const pictorel::Error& e) {
            // The program's text, then its cause on a line of its own.
            std::fprintf(stderr, "%s\n", e.what());
            if (!e.Cause().empty()) std::fprintf(stderr, "  %s\n", e.Cause().c_str());
            return 1;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "pictorel-cli: unknown command '%s' (see --help)\n", name.c_str());
    return 2;
}
