// WindowRegistry: the list of the program's windows. It keeps the
// KeyboardNavigatingWindow windows that were created while it existed; removal failures are logged,
// never shown.
#pragma once

#include <QList>
#include <QPointer>
#include <functional>
#include <string>

namespace pictorel {

class KeyboardNavigatingWindow;

class WindowRegistry {
  public:
    using LogFunction = std::function<void(const std::string&)>;

    // `log` receives the two failure lines (WriteLog in the program).
    explicit WindowRegistry(LogFunction log);
    ~WindowRegistry();
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    // The registry while it exists, else nullptr.
    static WindowRegistry* Instance();

    void Add(KeyboardNavigatingWindow* window);
    // Removes the first entry whose component name equals the window's.
    void Remove(const KeyboardNavigatingWindow* window);
    int Count() const { return static_cast<int>(windows_.size()); }

  private:
    QList<QPointer<KeyboardNavigatingWindow>> windows_;
    QList<QString> names_;
    LogFunction log_;
};

}  // namespace pictorel
