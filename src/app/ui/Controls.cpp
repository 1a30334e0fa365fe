#include "app/ui/Controls.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace pictorel {

Panel::Panel(QWidget* parent, const QString& name) : QFrame(parent) {
    setObjectName(name);
    setFrameShape(QFrame::NoFrame);
}

void Panel::SetColor(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    setAutoFillBackground(true);
}

void Panel::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void Panel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (caption_.isEmpty()) return;
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, caption_);
}

NavigationRole RoleOf(const QWidget* widget) {
    if (widget == nullptr) return NavigationRole::Ordinary;
    const QVariant tag = widget->property("Tag");
    return tag.isValid() && tag.toInt() == static_cast<int>(NavigationRole::ConfirmButton)
               ? NavigationRole::ConfirmButton
               : NavigationRole::Ordinary;
}

void SetRole(QWidget* widget, NavigationRole role) {
    widget->setProperty("Tag", static_cast<int>(role));
}

QFont InterfaceFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("sans-serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void SetFieldColor(QWidget* field, const QColor& colour) {
    QPalette p = field->palette();
    p.setColor(QPalette::Base, colour);
    field->setPalette(p);
}

QString ApplicationTitle() {
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

}  // namespace pictorel
