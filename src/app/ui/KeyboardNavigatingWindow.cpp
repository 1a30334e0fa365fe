#include "app/ui/KeyboardNavigatingWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <algorithm>

#include "app/ui/Controls.h"
#include "app/ui/WindowRegistry.h"

namespace pictorel {

namespace {

bool IsMemo(const QWidget* w) {
    return qobject_cast<const QPlainTextEdit*>(w) != nullptr ||
           qobject_cast<const QTextEdit*>(w) != nullptr;
}

void SelectAllOfMemo(QWidget* w) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) plain->selectAll();
    if (auto* rich = qobject_cast<QTextEdit*>(w)) rich->selectAll();
}

bool IsDroppedDown(const QComboBox* combo) {
    return combo->view() != nullptr && combo->view()->isVisible();
}

bool CanTakeTabFocus(const QWidget* w, const QWidget* window) {
    return w->window() == window && w->focusProxy() == nullptr && w->isEnabled() &&
           w->isVisible() && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

int ChainLength(const QWidget* window) {
    int n = 0;
    for (QWidget* w = window->nextInFocusChain(); w != nullptr && w != window;
         w = w->nextInFocusChain()) {
        ++n;
    }
    return n;
}

}  // namespace

QWidget* ControlOf(QWidget* focused) {
    if (focused == nullptr) return nullptr;
    QWidget* parent = focused->parentWidget();
    if (auto* combo = qobject_cast<QComboBox*>(parent);
        combo && static_cast<QWidget*>(combo->lineEdit()) == focused) {
        return combo;
    }
    if (qobject_cast<QAbstractSpinBox*>(parent) != nullptr) return parent;
    return focused;
}

NavigationRole NavigationRoleOf(const QWidget* control) {
    const QWidget* w = control;
    while (w != nullptr && w->objectName().isEmpty() && w->parentWidget() != nullptr &&
           !w->isWindow()) {
        w = w->parentWidget();
    }
    return RoleOf(w);
}

KeyboardNavigatingWindow::KeyboardNavigatingWindow(QWidget* parent, const QString& name)
    : QDialog(parent) {
    setObjectName(name);
    qApp->installEventFilter(this);
}

KeyboardNavigatingWindow::~KeyboardNavigatingWindow() {
    LeaveWindowList();
}

void KeyboardNavigatingWindow::FinishCreation() {
    if (WindowRegistry* list = WindowRegistry::Instance()) {
        list->Add(this);
        listed_ = true;
    }
    // Text entry starts without a pending input-method composition.
    QGuiApplication::inputMethod()->reset();
}

void KeyboardNavigatingWindow::LeaveWindowList() {
    if (!listed_) return;
    listed_ = false;
    if (WindowRegistry* list = WindowRegistry::Instance()) list->Remove(this);
}

void KeyboardNavigatingWindow::FocusFirstControl() {
    if (QWidget* focused = focusWidget()) focused->clearFocus();
    FocusNextControl(nullptr, true);
}

bool KeyboardNavigatingWindow::FocusNextControl(QWidget* start, bool forward) {
    QWidget* const onEntry = focusWidget();
    const int limit = std::max(1, ChainLength(this));
    QWidget* w = start != nullptr ? start : this;
    QWidget* result = nullptr;
    for (int step = 0; step < limit; ++step) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w == nullptr) break;
        if (w == this) continue;
        if (!CanTakeTabFocus(w, this)) continue;
        if (qobject_cast<QAbstractButton*>(w) != nullptr) continue;
        result = w;
        break;
    }
    if (result == nullptr) result = onEntry;
    if (result == nullptr || !result->isEnabled() || !result->isVisible()) return false;
    result->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

QWidget* KeyboardNavigatingWindow::EligibleControl(QWidget* from, bool forward,
                                                   bool skipConfirmButton) const {
    const int limit = ChainLength(this);
    QWidget* firstEligible = nullptr;
    QWidget* w = from;
    for (int step = 0; step < limit; ++step) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w == nullptr || w == from) break;
        if (w == this || !CanTakeTabFocus(w, this)) continue;
        if (firstEligible == nullptr) firstEligible = w;
        if (!skipConfirmButton || NavigationRoleOf(w) != NavigationRole::ConfirmButton) return w;
    }
    // Every other control was skipped: the focus stays where it was, unless
    // nothing at all can take it.
    if (firstEligible == nullptr && !CanTakeTabFocus(from, this)) return nullptr;
    return from;
}

void KeyboardNavigatingWindow::AfterMove(QWidget* control) const {
    if (IsMemo(control)) {
        SelectAllOfMemo(control);
    } else if (qobject_cast<QCheckBox*>(control) != nullptr) {
        QGuiApplication::inputMethod()->reset();
    }
}

bool KeyboardNavigatingWindow::ChildKey(QWidget* focused, QKeyEvent* event) {
    QWidget* control = ControlOf(focused);
    const bool confirmButton =
        control != nullptr && NavigationRoleOf(control) == NavigationRole::ConfirmButton;
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    auto* combo = qobject_cast<QComboBox*>(control);

    auto move = [&](bool forward, bool skipConfirmButton) {
        QWidget* target = EligibleControl(control, forward, skipConfirmButton);
        if (target == nullptr) return false;
        SelectAllOfMemo(control);
        if (target != control) {
            target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        }
        AfterMove(target);
        return true;
    };

    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // On the confirming button Enter presses it, as on any button.
            if (control == nullptr || confirmButton) return false;
            return move(true, false);
        case Qt::Key_Up:
            if (control == nullptr) return false;
            if (combo != nullptr && IsDroppedDown(combo)) return false;
            return move(false, true);
        case Qt::Key_Down:
            if (combo != nullptr) {
                if (IsDroppedDown(combo)) return false;
                combo->showPopup();
                return true;
            }
            return false;
        case Qt::Key_Delete:
            return ctrl;
        case Qt::Key_J:
        case Qt::Key_M:
            return ctrl && IsMemo(control);
        case Qt::Key_Asterisk:
        case Qt::Key_Minus:
            return ctrl && (event->modifiers() & Qt::KeypadModifier) != 0 && IsMemo(control);
        default:
            return false;
    }
}

bool KeyboardNavigatingWindow::HandleKey(QKeyEvent* /*event*/) {
    return false;
}

bool KeyboardNavigatingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this) return false;
    // Only the first delivery (to the focused control) counts, not the
    // propagation of an ignored key to its parents.
    QWidget* focused = QApplication::focusWidget();
    if (focused != nullptr && widget != focused) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (HandleKey(key)) return true;
    if (widget == this) return false;
    return ChildKey(widget, key);
}

void KeyboardNavigatingWindow::keyPressEvent(QKeyEvent* event) {
    // Esc does not close the program's windows; those that use it bind an action.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace pictorel
