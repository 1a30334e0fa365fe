// TDMCorvane: the window-list data module. It keeps the TFormEX windows that
// were created while it existed; removal failures are logged, never shown.
#pragma once

#include <QList>
#include <QPointer>
#include <functional>
#include <string>

namespace pictorel {

class TFormEX;

class TDMCorvane {
  public:
    using LogFunction = std::function<void(const std::string&)>;

    // `log` receives the two failure lines (WriteLog in the program).
    explicit TDMCorvane(LogFunction log);
    ~TDMCorvane();
    TDMCorvane(const TDMCorvane&) = delete;
    TDMCorvane& operator=(const TDMCorvane&) = delete;

    // The module while it exists ("the application owns DMCorvane"), else nullptr.
    static TDMCorvane* Instance();

    void Add(TFormEX* window);
    // Removes the first entry whose component name equals the window's.
    void Remove(const TFormEX* window);
    int Count() const { return static_cast<int>(windows_.size()); }

  private:
    QList<QPointer<TFormEX>> windows_;
    QList<QString> names_;
    LogFunction log_;
};

}  // namespace pictorel
