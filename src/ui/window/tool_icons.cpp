#include "ui/window/tool_icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <cmath>
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

// A few letters filling the grid, for the axis locks.
void letters(QPainter& p, const QString& text) {
    QFont font = p.font();
    font.setPixelSize(text.size() > 2 ? 6 : 8);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
}

void arrowHead(QPainter& p, QPointF tip, QPointF from) {
    const QPointF d = tip - from;
    const double length = std::hypot(d.x(), d.y());
    if (length == 0) return;
    const QPointF u = d / length * 2.5, n(-u.y(), u.x());
    p.drawLine(tip, tip - u + n);
    p.drawLine(tip, tip - u - n);
}

void arrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    arrowHead(p, to, from);
}

// A joint: a small ring, with what the tool does to it.
void joint(QPainter& p, QPointF at) { p.drawEllipse(at, 2.2, 2.2); }

// The edit view tools' pictures.
QIcon viewToolIcon(int id) {
    switch (id) {
        case 32795:  // Pick: the pointer
            return icon([](QPainter& p) {
                p.drawPolygon(QPolygonF{{{4, 2}, {4, 13}, {7, 10}, {9.5, 14.5}, {11, 13.5}, {8.5, 9.5}, {12, 9}}});
            });
        case 32806:  // Magic Wand
            return icon([](QPainter& p) {
                p.drawLine(QPointF(2, 14), QPointF(10, 6));
                for (const QPointF d : {QPointF(0, -3), QPointF(3, 0), QPointF(2, -2), QPointF(-2, -2), QPointF(2, 2)})
                    p.drawLine(QPointF(11.5, 4.5), QPointF(11.5, 4.5) + d);
            });
        case 32790:  // Move: four ways
            return icon([](QPainter& p) {
                const QPointF c(8, 8);
                for (const QPointF d : {QPointF(0, -6), QPointF(0, 6), QPointF(-6, 0), QPointF(6, 0)})
                    arrow(p, c, c + d);
            });
        case 32837:  // Resize: out along the diagonal
            return icon([](QPainter& p) {
                arrow(p, QPointF(8, 8), QPointF(2.5, 2.5));
                arrow(p, QPointF(8, 8), QPointF(13.5, 13.5));
                p.drawRect(QRectF(5.5, 5.5, 5, 5));
            });
        case 32907:  // Stretch: out one way, in the other
            return icon([](QPainter& p) {
                arrow(p, QPointF(6, 8), QPointF(1.5, 8));
                arrow(p, QPointF(10, 8), QPointF(14.5, 8));
                arrow(p, QPointF(8, 1.5), QPointF(8, 5.5));
                arrow(p, QPointF(8, 14.5), QPointF(8, 10.5));
            });
        case 32909:  // Magnet Tool
            return icon([](QPainter& p) {
                QPainterPath u;
                u.moveTo(3, 3);
                u.lineTo(3, 9);
                u.arcTo(3, 4, 10, 10, 180, 180);
                u.lineTo(13, 3);
                p.drawPath(u);
                p.drawLine(QPointF(1.5, 5), QPointF(4.5, 5));
                p.drawLine(QPointF(11.5, 5), QPointF(14.5, 5));
            });
        case 32815:  // Rotate
            return icon([](QPainter& p) { turnArrow(p, true, ""); });
        case 32923:  // weighted rotate
            return icon([](QPainter& p) { turnArrow(p, true, "w"); });
        case 32814:  // Make Bone
            return icon([](QPainter& p) {
                joint(p, QPointF(4, 12));
                joint(p, QPointF(12, 4));
                p.drawLine(QPointF(5.5, 10.5), QPointF(10.5, 5.5));
            });
        case 32869:  // Move Joint
            return icon([](QPainter& p) {
                joint(p, QPointF(6, 10));
                arrow(p, QPointF(8, 8), QPointF(14, 2));
            });
        case 32870:  // Rotate Joint
        case 32901:  // Locked Move Joint
            return icon([id](QPainter& p) {
                joint(p, QPointF(3.5, 12.5));
                p.drawLine(QPointF(5, 11), QPointF(11, 5));
                QPainterPath arc;
                arc.arcMoveTo(-4, 5, 15, 15, 0);
                arc.arcTo(-4, 5, 15, 15, 0, 50);
                p.drawPath(arc);
                if (id == 32901) p.drawRect(QRectF(10.5, 10.5, 4, 4));
            });
        case 32902:  // Measure Angle
            return icon([](QPainter& p) {
                p.drawLine(QPointF(2, 14), QPointF(14, 14));
                p.drawLine(QPointF(2, 14), QPointF(12, 3));
                QPainterPath arc;
                arc.arcMoveTo(-4, 8, 12, 12, 0);
                arc.arcTo(-4, 8, 12, 12, 0, 48);
                p.drawPath(arc);
            });
        case 32852:  // Zoom
            return icon([](QPainter& p) {
                magnifier(p, true);
                p.drawLine(QPointF(11, 3), QPointF(15, 3));
            });
        case 32854:  // Zoom Area
            return icon([](QPainter& p) {
                QPen pen = p.pen();
                pen.setStyle(Qt::DashLine);
                p.setPen(pen);
                p.drawRect(QRectF(1.5, 1.5, 9, 7));
                pen.setStyle(Qt::SolidLine);
                p.setPen(pen);
                p.drawEllipse(QPointF(10, 10), 3, 3);
                p.drawLine(QPointF(12, 12), QPointF(15, 15));
            });
        case 32921:  // Pan
            return icon([](QPainter& p) {
                const QPointF c(8, 8);
                for (const QPointF d : {QPointF(0, -6), QPointF(0, 6), QPointF(-6, 0), QPointF(6, 0)})
                    arrow(p, c + d / 3, c + d);
                p.drawEllipse(c, 1.2, 1.2);
            });
        case 32868:  // Attatch to Bone: a vertex joining the bone
        case 32873:  // Remove Selected: a vertex leaving it
            return icon([id](QPainter& p) {
                joint(p, QPointF(3, 13));
                joint(p, QPointF(13, 3));
                p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 4.5));
                p.drawRect(QRectF(9.5, 10, 3, 3));
                if (id == 32868)
                    arrow(p, QPointF(11, 10), QPointF(8.5, 7.5));
                else
                    arrow(p, QPointF(9, 8), QPointF(12, 11.5) + QPointF(2.5, 2.5));
            });
        case 32863:  // Paint Current Texture To Selected: a brush over a chequer
            return icon([](QPainter& p) {
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 3; ++x)
                        if ((x + y) % 2) p.fillRect(QRectF(1.5 + x * 3, 6.5 + y * 3, 3, 3), QColor(150, 150, 150));
                p.drawRect(QRectF(1.5, 6.5, 9, 9));
                p.drawLine(QPointF(7, 9), QPointF(14, 2));
                p.drawEllipse(QPointF(7, 9), 1.5, 1.5);
            });
        case 32801:
            return icon([](QPainter& p) { letters(p, "XYZ"); });
        case 32796:
            return icon([](QPainter& p) { letters(p, "XY"); });
        case 32799:
            return icon([](QPainter& p) { letters(p, "YZ"); });
        case 32800:
            return icon([](QPainter& p) { letters(p, "ZX"); });
        case 32802:
            return icon([](QPainter& p) { letters(p, "X"); });
        case 32803:
            return icon([](QPainter& p) { letters(p, "Y"); });
        case 32804:
            return icon([](QPainter& p) { letters(p, "Z"); });
        default:
            return {};
    }
}

}  // namespace

QIcon toolIcon(int id) {
    using namespace command;
    switch (id) {
        case kRotateYDown:
            return icon([](QPainter& p) { turnArrow(p, false, "Y"); });
        case kRotateYUp:
            return icon([](QPainter& p) { turnArrow(p, true, "Y"); });
        case kRotateXDown:
            return icon([](QPainter& p) { turnArrow(p, false, "X"); });
        case kRotateXUp:
            return icon([](QPainter& p) { turnArrow(p, true, "X"); });
        case kScaleUp:
            return icon([](QPainter& p) { magnifier(p, true); });
        case kScaleDown:
            return icon([](QPainter& p) { magnifier(p, false); });
        case kScaleToFit:
            return icon([](QPainter& p) {
                // Four corners closing in on a box.
                p.drawRect(QRectF(5, 5, 6, 6));
                for (const QPointF c :
                     {QPointF(1.5, 1.5), QPointF(14.5, 1.5), QPointF(1.5, 14.5), QPointF(14.5, 14.5)}) {
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
                for (int i = 0; i < 4; ++i) p.fillRect(QRectF(1.5 + (i % 2) * 7, 1.5 + (i / 2) * 7, 6, 6), colours[i]);
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
        default:
            return viewToolIcon(id);
    }
}

}  // namespace kestrel::ui
