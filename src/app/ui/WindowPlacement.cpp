#include "app/ui/WindowPlacement.h"

#include "app/SettingsKeys.h"

#include <charconv>
#include <cstdio>
#include <optional>

namespace pictorel {

namespace {

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end) return std::nullopt;
    return value;
}

int StateOf(const QWidget* window) {
    if (window->isMinimized()) return 1;
    if (window->isMaximized()) return 2;
    return 0;
}

QRect NormalRect(const QWidget* window) {
    const QRect normal = window->normalGeometry();
    return normal.isValid() ? normal : window->geometry();
}

}  // namespace

void WindowAttachment::Attach(QWidget* window) {
    window_ = window;
}

std::vector<std::string> SplitCommaText(const std::string& text) {
    std::vector<std::string> items;
    std::size_t p = 0;
    const std::size_t n = text.size();
    auto blank = [&](std::size_t i) {
        return i < n && static_cast<unsigned char>(text[i]) >= 1 &&
               static_cast<unsigned char>(text[i]) <= ' ';
    };
    while (blank(p)) ++p;
    while (p < n) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p<n&& static_cast<unsigned char>(text[p])> ' ' && text[p] != ',') ++p;
            item.assign(text, start, p - start);
        }
        items.push_back(item);
        while (blank(p)) ++p;
        if (p < n && text[p] == ',') {
            if (p + 1 == n) items.emplace_back();
            do {
                ++p;
            } while (blank(p));
        }
    }
    return items;
}

std::string FormatBounds(int state, const QRect& normal) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%d,%d,%d,%d,%d,%d,%d,%d,%d", state, -1, -1, -1, -1,
                  normal.left(), normal.top(), normal.left() + normal.width(),
                  normal.top() + normal.height());
    return buffer;
}

void WindowPlacementSaver::StoreBounds() {
    QWidget* window = Window();
    if (window == nullptr) return;
    WriteBoundsText(FormatBounds(StateOf(window), NormalRect(window)));
}

void WindowPlacementSaver::RestoreBounds() {
    QWidget* window = Window();
    if (window == nullptr) return;
    const std::vector<std::string> items = SplitCommaText(ReadBoundsText());
    if (items.size() != 9) return;

    const int state = ParseInt(items[0]).value_or(StateOf(window));
    // Items 2 to 5 are the minimised and maximised positions, which this
    // window system does not keep; they are read past and not applied.
    const QRect current = NormalRect(window);
    const int left = ParseInt(items[5]).value_or(current.left());
    const int top = ParseInt(items[6]).value_or(current.top());
    const int right = ParseInt(items[7]).value_or(current.left() + current.width());
    const int bottom = ParseInt(items[8]).value_or(current.top() + current.height());

    window->setGeometry(left, top, right - left, bottom - top);
    if (ResumeIconic || state != 1) {
        Qt::WindowStates states =
            window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (state == 1) states |= Qt::WindowMinimized;
        if (state == 2) states |= Qt::WindowMaximized;
        // Setting the state of a hidden window does not show it.
        window->setWindowState(states);
    }
}

void WindowPlacementSaver::AttachAndRestore(QWidget* window) {
    Attach(window);
    if (SaveBounds) RestoreBounds();
}

void WindowPlacementSaver::WindowDestroying() {
    if (SaveBounds) StoreBounds();
    Attach(nullptr);
}

WindowPlacementStore::WindowPlacementStore(std::string iniPath) : store_(std::move(iniPath)) {}

std::string WindowPlacementStore::Key() const {
    return Window() != nullptr ? Window()->objectName().toStdString() + kBoundsKeySuffix
                               : std::string(kBoundsKeySuffix);
}

void WindowPlacementStore::WriteBoundsText(const std::string& text) {
    store_.WriteString(kBoundsSection, Key(), text);
}

std::string WindowPlacementStore::ReadBoundsText() {
    return store_.ReadString(kBoundsSection, Key(), "");
}

}  // namespace pictorel
