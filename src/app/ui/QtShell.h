// Opens folders in the file manager and web pages in the browser. A folder
// that is not there, or a launcher that cannot be started (none installed),
// is reported in an error box naming the folder or page.
#pragma once

#include <QUrl>
#include <functional>

#include "app/MessageBoxes.h"
#include "app/Shell.h"

namespace pictorel {

inline constexpr const char* kFolderMissingMessage = "フォルダが見つかりません。";
inline constexpr const char* kFolderNotOpenedMessage = "フォルダを開けませんでした。";
inline constexpr const char* kPageNotOpenedMessage = "ページを開けませんでした。";

class QtShell : public IShell {
  public:
    // Starts the desktop's launcher for an address; false when it could not.
    using Launcher = std::function<bool(const QUrl&)>;

    // An empty launcher means the desktop's own (QDesktopServices).
    explicit QtShell(IMessageBoxes& boxes, Launcher launcher = {});

    void OpenFolder(const std::string& path) override;
    void OpenUrl(const std::string& url) override;

  private:
    IMessageBoxes& boxes_;
    Launcher launcher_;
};

}  // namespace pictorel
