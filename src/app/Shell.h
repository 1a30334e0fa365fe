// Opening folders in the file manager and pages in the browser.
#pragma once

#include <string>

namespace pictorel {

class IShell {
  public:
    virtual ~IShell() = default;
    virtual void OpenFolder(const std::string& path) = 0;
    virtual void OpenUrl(const std::string& url) = 0;
};

}  // namespace pictorel
