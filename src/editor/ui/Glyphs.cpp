#include "editor/ui/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace pictorel {

namespace {

constexpr int kSide = 16;

// A three-quarter circle ending in an arrow head, turning clockwise or not.
void DrawTurnArrow(QPainter& p, bool clockwise) {
    const QRectF box(3, 3, 10, 10);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(Qt::NoBrush);
    // Qt's angles run counter-clockwise from three o'clock, in 1/16 degree.
    p.drawArc(box, (clockwise ? 180 : 0) * 16, (clockwise ? -270 : 270) * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    const QPolygonF head =
        clockwise ? QPolygonF({{8, 0}, {8, 6}, {12, 3}}) : QPolygonF({{8, 0}, {8, 6}, {4, 3}});
    p.drawPolygon(head);
}

void DrawSun(QPainter& p, const QColor& fill) {
    p.setPen(QPen(QColor(96, 64, 0), 1));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8, 8);
        p.rotate(45.0 * i);
        p.drawLine(QPointF(0, -5), QPointF(0, -7));
        p.restore();
    }
    p.setBrush(fill);
    p.drawEllipse(QPointF(8, 8), 3.5, 3.5);
}

}  // namespace

QIcon Glyph(GlyphKind kind) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
        case GlyphKind::Brighter:
            DrawSun(p, QColor(255, 220, 0));
            break;
        case GlyphKind::Darker:
            DrawSun(p, QColor(80, 80, 80));
            break;
        case GlyphKind::TurnLeft:
            DrawTurnArrow(p, false);
            break;
        case GlyphKind::TurnRight:
            DrawTurnArrow(p, true);
            break;
        case GlyphKind::Sharpen:
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawPolygon(QPolygonF({{8, 1}, {14, 14}, {2, 14}}));
            break;
        case GlyphKind::Undo: {
            QPainterPath path;
            path.moveTo(4, 7);
            path.cubicTo(8, 2, 15, 5, 12, 13);
            p.setPen(QPen(QColor(0, 0, 128), 2));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 128));
            p.drawPolygon(QPolygonF({{1, 8}, {7, 3}, {7, 10}}));
            break;
        }
    }
    p.end();
    return QIcon(pixmap);
}

}  // namespace pictorel
