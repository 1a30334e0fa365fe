// KeyboardNavigatingWindow: the window base with the program's keyboard navigation (Enter as
// Tab, Up backwards, Down opens combo lists) and its window-list entry.
#pragma once

#include <QDialog>
#include <QList>

#include "app/ui/Controls.h"

class QKeyEvent;

namespace pictorel {

class KeyboardNavigatingWindow : public QDialog {
    Q_OBJECT
  public:
    // `name` is the window's object name, also its placement key (FMain, FSelectRootPath, ...).
    KeyboardNavigatingWindow(QWidget* parent, const QString& name);
    ~KeyboardNavigatingWindow() override;

    // Clears the focus, then focuses the first qualifying control.
    virtual void FocusFirstControl();
    // Steps through the focusable controls in tab order from `start` (none: the
    // start of the order), skipping buttons. True when a control got
    // the focus.
    virtual bool FocusNextControl(QWidget* start, bool forward);

    // The child-key rules for a key pressed in `focused`; true when consumed.
    bool ChildKey(QWidget* focused, QKeyEvent* event);

  protected:
    // Finishes creation: enters the window list and resets the input method.
    // Called by the derived constructor once the window is built.
    void FinishCreation();
    // Removes the window from the window list (once).
    void LeaveWindowList();
    // Key preview: runs before the child-key rules; true consumes the key.
    virtual bool HandleKey(QKeyEvent* event);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Next (or previous) eligible control from `from` in the window's tab
    // order, skipping the confirming button if asked; `from` itself when the
    // search comes back to it; nullptr when nothing in the window can take focus.
    QWidget* EligibleControl(QWidget* from, bool forward, bool skipConfirmButton) const;
    void AfterMove(QWidget* control) const;

    bool listed_ = false;
};

// The control a focused widget belongs to (the combo box of its line edit).
QWidget* ControlOf(QWidget* focused);
// The role that steers navigation: a control without a name takes its parent's.
NavigationRole NavigationRoleOf(const QWidget* control);

}  // namespace pictorel
