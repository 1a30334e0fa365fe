#include "app/ui/WindowRegistry.h"

#include "app/ui/KeyboardNavigatingWindow.h"

namespace pictorel {

namespace {
WindowRegistry* g_instance = nullptr;
}

WindowRegistry::WindowRegistry(LogFunction log) : log_(std::move(log)) {
    g_instance = this;
}

WindowRegistry::~WindowRegistry() {
    if (g_instance == this) g_instance = nullptr;
}

WindowRegistry* WindowRegistry::Instance() {
    return g_instance;
}

void WindowRegistry::Add(KeyboardNavigatingWindow* window) {
    windows_.append(window);
    names_.append(window->objectName());
}

void WindowRegistry::Remove(const KeyboardNavigatingWindow* window) {
    try {
        // Names are kept apart from the pointers so that a window already
        // half-destroyed is still matched by the name it was entered with.
        const qsizetype index = names_.indexOf(window->objectName());
        if (index >= 0) {
            names_.removeAt(index);
            windows_.removeAt(index);
        } else if (log_) {
            log_("[SYSTEM ERROR] WindowsListからFormアドレスの削除に失敗");
        }
    } catch (...) {
        if (log_) log_("[SYSTEM ERROR] DMCorvaneにアクセス不可");
    }
}

}  // namespace pictorel
