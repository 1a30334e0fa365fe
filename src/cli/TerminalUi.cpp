#include "cli/TerminalUi.h"

#include <cstdio>

namespace pictorel::cli {

void TerminalMessageBoxes::ShowError(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

bool TerminalMessageBoxes::Confirm(const std::string& text) {
    if (yesAnswer_) std::fprintf(stderr, "%s\n", text.c_str());
    return yesAnswer_;
}

void TerminalMessageBoxes::ConfirmOk(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

void TerminalMessageBoxes::ShowPlain(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

void TerminalBaseFolderDialog::ShowBaseFolderDialog() {
    std::fprintf(stderr, "(choose a base folder that can be created with --base DIR)\n");
}

}  // namespace pictorel::cli
