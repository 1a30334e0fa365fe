// Small pieces shared by every window: the panel class, control tags, the
// interface font and the field colour.
#pragma once

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QString>

class QWidget;

namespace pictorel {

// A plain panel (a coloured rectangle that holds other controls). Kept as its
// own class so that EnableChildControls can tell panels from other frames.
class Panel : public QFrame {
    Q_OBJECT
  public:
    explicit Panel(QWidget* parent = nullptr, const QString& name = {});
    void SetColor(const QColor& colour);
    // Text drawn centred on the panel; it stays readable when the panel is disabled.
    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString caption_;
};

// A control's part in the keyboard navigation: an ordinary control, where
// Enter moves the focus on and Up moves it back, or the window's confirming
// button, which Enter presses and Up never lands on. Kept in the dynamic
// property "Tag", an ordinary control when unset.
enum class NavigationRole { Ordinary = 0, ConfirmButton = 1 };
NavigationRole RoleOf(const QWidget* widget);
void SetRole(QWidget* widget, NavigationRole role);

// The interface font at the given character height in pixels.
QFont InterfaceFont(int pixelSize, bool bold = false);

// Background colour of an edit field, memo or combo box.
void SetFieldColor(QWidget* field, const QColor& colour);

// The application title: the executable's file name up to its first dot.
QString ApplicationTitle();

}  // namespace pictorel
