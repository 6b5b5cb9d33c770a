#pragma once

// Small drawn glyphs standing in for the named symbols the views use
// ("qrcode", "photo", "text.bubble", "return", "magnifyingglass",
// "slider.horizontal.3", "textformat", "text.alignleft", "chevron.right",
// "trash", ...), so that rows and buttons look
// the same on every desktop, whatever icon theme it has (or none).

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace halvora::ui {

/// Whether a glyph is drawn for the symbol name.
bool hasSymbol(const QString& name);

/// Draws the symbol inside `rect` with `color`; an unknown name draws nothing.
void drawSymbol(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color);

/// The symbol as a square pixmap of `side` pixels (device-independent).
QPixmap symbolPixmap(const QString& name, int side, const QColor& color);
QIcon symbolIcon(const QString& name, const QColor& color);

}  // namespace halvora::ui
