#include "ui/Symbols.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace halvora::ui {

namespace {

// Every glyph is drawn on a 24 × 24 grid, scaled to the rectangle.
void drawQrCode(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    for (const QPointF corner : {QPointF(3, 3), QPointF(14, 3), QPointF(3, 14)}) {
        p.drawRect(QRectF(corner, QSizeF(7, 7)));
        p.fillRect(QRectF(corner + QPointF(2.5, 2.5), QSizeF(2, 2)), p.pen().color());
    }
    const QColor c = p.pen().color();
    for (const QPointF cell :
         {QPointF(14, 14), QPointF(18, 14), QPointF(16, 17), QPointF(14, 19), QPointF(19, 19)}) {
        p.fillRect(QRectF(cell, QSizeF(2.5, 2.5)), c);
    }
}

void drawPhoto(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 4.5, 19, 15), 2.5, 2.5);
    p.drawEllipse(QPointF(16.5, 9), 1.8, 1.8);
    QPainterPath hills;
    hills.moveTo(3, 18);
    hills.lineTo(9, 11.5);
    hills.lineTo(13.5, 16);
    hills.lineTo(16, 13.5);
    hills.lineTo(21, 18);
    p.drawPath(hills);
}

void drawTextBubble(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(2.5, 3.5, 19, 13.5), 4, 4);
    p.drawPath(bubble);
    QPainterPath tail;
    tail.moveTo(6.5, 17);
    tail.lineTo(5.5, 21.5);
    tail.lineTo(11, 17);
    p.drawPath(tail);
    p.drawLine(QPointF(6.5, 8.5), QPointF(17.5, 8.5));
    p.drawLine(QPointF(6.5, 12), QPointF(14, 12));
}

void drawReturn(QPainter& p) {
    QPainterPath path;
    path.moveTo(19, 5);
    path.lineTo(19, 14);
    path.lineTo(5, 14);
    p.drawPath(path);
    QPainterPath head;
    head.moveTo(9, 10);
    head.lineTo(5, 14);
    head.lineTo(9, 18);
    p.drawPath(head);
}

void drawMagnifyingGlass(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.drawLine(QPointF(14.8, 14.8), QPointF(20.5, 20.5));
}

void drawSliders(QPainter& p) {
    const QColor c = p.pen().color();
    const double rows[3] = {6, 12, 18};
    const double knobs[3] = {15, 8, 13};
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(3, rows[i]), QPointF(21, rows[i]));
        p.setBrush(c);
        p.drawEllipse(QPointF(knobs[i], rows[i]), 2.2, 2.2);
        p.setBrush(Qt::NoBrush);
    }
}

void drawTextFormat(QPainter& p) {
    QFont font = p.font();
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("Aa"));
}

void drawBadgePlus(QPainter& p) {
    drawTextBubble(p);
    p.drawLine(QPointF(18, 15), QPointF(18, 23));
    p.drawLine(QPointF(14, 19), QPointF(22, 19));
}

void drawInfo(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.drawLine(QPointF(12, 11), QPointF(12, 17));
    p.drawPoint(QPointF(12, 7.5));
}

void drawArchive(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3, 4, 18, 5));
    p.drawRect(QRectF(4.5, 9, 15, 11));
    p.drawLine(QPointF(10, 13), QPointF(14, 13));
}

void drawTextAlignLeft(QPainter& p) {
    const double widths[4] = {16, 11, 16, 8};
    for (int i = 0; i < 4; ++i) {
        const double y = 6 + i * 4;
        p.drawLine(QPointF(4, y), QPointF(4 + widths[i], y));
    }
}

void drawChevronRight(QPainter& p) {
    QPainterPath path;
    path.moveTo(9.5, 5.5);
    path.lineTo(16, 12);
    path.lineTo(9.5, 18.5);
    p.drawPath(path);
}

void drawTwoBubbles(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    QPainterPath front;
    front.addRoundedRect(QRectF(2.5, 3, 13, 10), 3.5, 3.5);
    QPainterPath frontTail;
    frontTail.moveTo(5.5, 13);
    frontTail.lineTo(4.5, 16.5);
    frontTail.lineTo(9, 13);
    // The bubble behind shows only outside the one in front.
    QPainterPath outside;
    outside.addRect(QRectF(0, 0, 24, 24));
    QPainterPath shadow;
    shadow.addRoundedRect(QRectF(1, 1.5, 16, 13), 4.5, 4.5);
    p.save();
    p.setClipPath(outside.subtracted(shadow));
    QPainterPath back;
    back.addRoundedRect(QRectF(9, 8.5, 12.5, 9.5), 3.5, 3.5);
    back.moveTo(18.5, 18);
    back.lineTo(19.5, 21.5);
    back.lineTo(15, 18);
    p.drawPath(back);
    p.restore();
    p.drawPath(front);
    p.drawPath(frontTail);
}

void drawTrash(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));
    p.drawLine(QPointF(9.5, 6.5), QPointF(10, 3.5));
    p.drawLine(QPointF(10, 3.5), QPointF(14, 3.5));
    p.drawLine(QPointF(14, 3.5), QPointF(14.5, 6.5));
    QPainterPath can;
    can.moveTo(6, 6.5);
    can.lineTo(7.2, 20.5);
    can.lineTo(16.8, 20.5);
    can.lineTo(18, 6.5);
    p.drawPath(can);
    p.drawLine(QPointF(10, 10), QPointF(10.3, 17));
    p.drawLine(QPointF(14, 10), QPointF(13.7, 17));
}

}  // namespace

bool hasSymbol(const QString& name) {
    static const QStringList names = {
        QStringLiteral("qrcode"),          QStringLiteral("photo"),
        QStringLiteral("text.bubble"),     QStringLiteral("return"),
        QStringLiteral("magnifyingglass"), QStringLiteral("slider.horizontal.3"),
        QStringLiteral("textformat"),      QStringLiteral("text.badge.plus"),
        QStringLiteral("info.circle"),     QStringLiteral("archivebox"),
        QStringLiteral("text.alignleft"),  QStringLiteral("chevron.right"),
        QStringLiteral("trash"),           QStringLiteral("bubble.left.and.bubble.right"),
    };
    return names.contains(name);
}

void drawSymbol(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color) {
    if (!hasSymbol(name)) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(rect.width(), rect.height());
    painter.translate(rect.center() - QPointF(side / 2, side / 2));
    painter.scale(side / 24.0, side / 24.0);
    QPen pen(color, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    if (name == QLatin1String("qrcode")) {
        drawQrCode(painter);
    } else if (name == QLatin1String("photo")) {
        drawPhoto(painter);
    } else if (name == QLatin1String("text.bubble")) {
        drawTextBubble(painter);
    } else if (name == QLatin1String("return")) {
        drawReturn(painter);
    } else if (name == QLatin1String("magnifyingglass")) {
        drawMagnifyingGlass(painter);
    } else if (name == QLatin1String("slider.horizontal.3")) {
        drawSliders(painter);
    } else if (name == QLatin1String("textformat")) {
        drawTextFormat(painter);
    } else if (name == QLatin1String("text.badge.plus")) {
        drawBadgePlus(painter);
    } else if (name == QLatin1String("info.circle")) {
        drawInfo(painter);
    } else if (name == QLatin1String("archivebox")) {
        drawArchive(painter);
    } else if (name == QLatin1String("text.alignleft")) {
        drawTextAlignLeft(painter);
    } else if (name == QLatin1String("chevron.right")) {
        drawChevronRight(painter);
    } else if (name == QLatin1String("trash")) {
        drawTrash(painter);
    } else if (name == QLatin1String("bubble.left.and.bubble.right")) {
        drawTwoBubbles(painter);
    }
    painter.restore();
}

QPixmap symbolPixmap(const QString& name, int side, const QColor& color) {
    const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(static_cast<int>(std::ceil(side * ratio)),
                   static_cast<int>(std::ceil(side * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawSymbol(painter, QRectF(0, 0, side, side), name, color);
    return pixmap;
}

QIcon symbolIcon(const QString& name, const QColor& color) {
    QIcon icon;
    for (const int side : {16, 24, 32, 48}) {
        icon.addPixmap(symbolPixmap(name, side, color));
    }
    return icon;
}

}  // namespace halvora::ui
