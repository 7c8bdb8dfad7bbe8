#include "ui/window/tool_icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <functional>

#include "ui/window/main_window.h"

namespace kestrel::ui {

namespace {

using Drawing = std::function<void(QPainter&)>;

// Draws on a 16 × 16 grid scaled to whatever size the bar asks for.
class StrokeIcon final : public QIconEngine {
public:
    explicit StrokeIcon(Drawing drawing) : drawing_(std::move(drawing)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        const QPalette palette = QApplication::palette();
        const QColor ink = mode == QIcon::Disabled ? palette.color(QPalette::Disabled, QPalette::ButtonText)
                                                   : palette.color(QPalette::ButtonText);
        painter->setPen(QPen(ink, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        drawing_(*painter);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new StrokeIcon(drawing_); }

private:
    Drawing drawing_;
};

QIcon icon(Drawing drawing) { return QIcon(new StrokeIcon(std::move(drawing))); }

// An arc round the centre with an arrow head at its end; clockwise when turning right.
void turnArrow(QPainter& p, bool right, const QString& axis) {
    QPainterPath arc;
    arc.arcMoveTo(2, 3, 12, 10, right ? 200 : -20);
    arc.arcTo(2, 3, 12, 10, right ? 200 : -20, right ? -220 : 220);
    p.drawPath(arc);
    const QPointF end = arc.currentPosition();
    const double side = right ? -1 : 1;
    p.drawLine(end, end + QPointF(side * 3.0, -1.0));
    p.drawLine(end, end + QPointF(side * 0.5, -3.2));
    QFont font = p.font();
    font.setPixelSize(7);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(4, 5, 8, 8), Qt::AlignCenter, axis);
}

void magnifier(QPainter& p, bool plus) {
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
    if (plus) p.drawLine(QPointF(6.5, 4.5), QPointF(6.5, 8.5));
}

const QPolygonF kTriangle{{{2, 13}, {8, 3}, {14, 13}}};

void cross(QPainter& p, QPointF at, double r) {
    p.drawLine(at + QPointF(-r, -r), at + QPointF(r, r));
    p.drawLine(at + QPointF(-r, r), at + QPointF(r, -r));
}

}  // namespace

QIcon toolIcon(int id) {
    using namespace command;
    switch (id) {
        case kRotateYDown: return icon([](QPainter& p) { turnArrow(p, false, "Y"); });
        case kRotateYUp: return icon([](QPainter& p) { turnArrow(p, true, "Y"); });
        case kRotateXDown: return icon([](QPainter& p) { turnArrow(p, false, "X"); });
        case kRotateXUp: return icon([](QPainter& p) { turnArrow(p, true, "X"); });
        case kScaleUp: return icon([](QPainter& p) { magnifier(p, true); });
        case kScaleDown: return icon([](QPainter& p) { magnifier(p, false); });
        case kScaleToFit:
            return icon([](QPainter& p) {
                // Four corners closing in on a box.
                p.drawRect(QRectF(5, 5, 6, 6));
                for (const QPointF c : {QPointF(1.5, 1.5), QPointF(14.5, 1.5), QPointF(1.5, 14.5), QPointF(14.5, 14.5)}) {
                    const double dx = c.x() < 8 ? 3 : -3, dy = c.y() < 8 ? 3 : -3;
                    p.drawLine(c, c + QPointF(dx, 0));
                    p.drawLine(c, c + QPointF(0, dy));
                }
            });
        case kDeleteVertices:
            return icon([](QPainter& p) {
                p.setBrush(p.pen().color());
                p.drawEllipse(QPointF(5, 11), 2, 2);
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(QColor(200, 0, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
                cross(p, QPointF(11, 5), 3);
            });
        case kDeletePolygons:
            return icon([](QPainter& p) {
                p.drawPolygon(kTriangle);
                p.setPen(QPen(QColor(200, 0, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
                cross(p, QPointF(11.5, 4.5), 2.8);
            });
        case kCreatePolygon:
            return icon([](QPainter& p) {
                p.drawPolygon(kTriangle);
                p.setPen(QPen(QColor(0, 140, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(12.5, 1.5), QPointF(12.5, 7.5));
                p.drawLine(QPointF(9.5, 4.5), QPointF(15.5, 4.5));
            });
        case kGroupPolygons:
            return icon([](QPainter& p) {
                p.drawPolygon(QPolygonF{{{1, 13}, {5, 5}, {9, 13}}});
                p.drawPolygon(QPolygonF{{{7, 11}, {11, 3}, {15, 11}}});
                p.setPen(QPen(p.pen().color(), 1, Qt::DotLine));
                p.drawRoundedRect(QRectF(0.5, 1.5, 15, 13), 2, 2);
            });
        case kInvertNormals:
            return icon([](QPainter& p) {
                p.drawLine(QPointF(2, 10), QPointF(14, 10));
                p.drawLine(QPointF(8, 10), QPointF(8, 2));
                p.drawLine(QPointF(8, 2), QPointF(6, 4.5));
                p.drawLine(QPointF(8, 2), QPointF(10, 4.5));
                p.setPen(QPen(p.pen().color(), 1, Qt::DotLine));
                p.drawLine(QPointF(8, 10), QPointF(8, 15));
            });
        case kSetFaceColour:
            return icon([](QPainter& p) {
                const QColor colours[] = {QColor(220, 40, 40), QColor(40, 170, 40), QColor(40, 80, 220),
                                          QColor(230, 200, 40)};
                for (int i = 0; i < 4; ++i)
                    p.fillRect(QRectF(1.5 + (i % 2) * 7, 1.5 + (i / 2) * 7, 6, 6), colours[i]);
            });
        case kTransparent:
            return icon([](QPainter& p) {
                for (int y = 0; y < 4; ++y)
                    for (int x = 0; x < 4; ++x)
                        if ((x + y) % 2) p.fillRect(QRectF(2 + x * 3, 2 + y * 3, 3, 3), QColor(150, 150, 150));
                p.drawRect(QRectF(2, 2, 12, 12));
            });
        case kSolid:
            return icon([](QPainter& p) {
                p.setBrush(p.pen().color());
                p.drawRect(QRectF(2, 2, 12, 12));
            });
        default: return {};
    }
}

}  // namespace kestrel::ui
