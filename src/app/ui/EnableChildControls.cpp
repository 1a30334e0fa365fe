#include "app/ui/EnableChildControls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "app/ui/Controls.h"

namespace pictorel {

void EnableChildControls(QWidget* container, bool enable) {
    if (container == nullptr) return;
    container->setEnabled(enable);
    const QColor field = enable ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xC0, 0xC0, 0xC0);
    for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) continue;
        if (qobject_cast<Panel*>(child) != nullptr || qobject_cast<QGroupBox*>(child) != nullptr) {
            EnableChildControls(child, enable);
        } else if (qobject_cast<QLineEdit*>(child) != nullptr ||
                   qobject_cast<QPlainTextEdit*>(child) != nullptr ||
                   qobject_cast<QTextEdit*>(child) != nullptr ||
                   qobject_cast<QComboBox*>(child) != nullptr) {
            // Their enabled state follows the container.
            SetFieldColor(child, field);
        } else if (qobject_cast<QAbstractButton*>(child) != nullptr ||
                   qobject_cast<QLabel*>(child) != nullptr ||
                   child->property("PlainControl").toBool()) {
            child->setEnabled(enable);
        }
    }
}

}  // namespace pictorel
