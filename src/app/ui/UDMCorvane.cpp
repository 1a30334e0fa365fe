#include "app/ui/UDMCorvane.h"

#include "app/ui/UFormEX.h"

namespace pictorel {

namespace {
TDMCorvane* g_instance = nullptr;
}

TDMCorvane::TDMCorvane(LogFunction log) : log_(std::move(log)) {
    g_instance = this;
}

TDMCorvane::~TDMCorvane() {
    if (g_instance == this) g_instance = nullptr;
}

TDMCorvane* TDMCorvane::Instance() {
    return g_instance;
}

void TDMCorvane::Add(TFormEX* window) {
    windows_.append(window);
    names_.append(window->objectName());
}

void TDMCorvane::Remove(const TFormEX* window) {
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
