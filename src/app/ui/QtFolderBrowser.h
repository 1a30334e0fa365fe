// The folder-browse dialog of the desktop program.
#pragma once

#include "workflow/FolderDialogs.h"

namespace pictorel {

class QtFolderBrowser : public IFolderBrowser {
  public:
    // Title "フォルダを選択してください"; opens at `initial` when it has more
    // than one character. Empty when cancelled.
    std::string SelectFolder(const std::string& initial) override;
};

}  // namespace pictorel
