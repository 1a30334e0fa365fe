// The base-folder dialog's logic: the default base folder, filling the edit
// box, browsing, and storing the chosen folder as "RootPath".
#pragma once

#include <string>

#include "app/MessageBoxes.h"
#include "app/SettingsFile.h"
#include "workflow/FolderDialogs.h"

namespace pictorel {

inline constexpr const char* kNoBasePathMessage = "基準パスを指定して下さい";

// The user's pictures folder followed by "Estavel/".
std::string ComputeDefaultRootPath();

// A stored "RootPath" as a folder ending in "/"; empty (as if missing) when
// the text is empty, relative or holds a NUL byte.
std::string UsableRootPath(const std::string& stored);

class BaseFolderDialogModel {
  public:
    BaseFolderDialogModel(SettingsFile& ini, IMessageBoxes& boxes, IFolderBrowser& browser);

    // Fixed when the dialog is created.
    const std::string DefaultRootPath;
    // Text of the edit box.
    std::string FolderText;

    // Fills the edit box; stores the default at once when "RootPath" is
    // missing or unusable.
    void Load();
    // Browse: a chosen folder replaces the edit text, a cancel keeps it.
    void Browse();
    // "決定": 1 when the path was stored and the dialog closes, 0 when it stays open.
    int Confirm();
    // Close command: closes with result 2 and stores nothing.
    int CloseResult() const { return 2; }

  private:
    SettingsFile& ini_;
    IMessageBoxes& boxes_;
    IFolderBrowser& browser_;
};

}  // namespace pictorel
