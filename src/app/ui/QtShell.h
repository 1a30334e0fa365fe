// Opens folders in the file manager and web pages in the browser.
#pragma once

#include "app/Shell.h"

namespace pictorel {

class QtShell : public IShell {
  public:
    void OpenFolder(const std::string& path) override;
    void OpenUrl(const std::string& url) override;
};

}  // namespace pictorel
