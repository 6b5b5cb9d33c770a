#pragma once

// The text styles of the panels and pages, sized like the desktop text
// styles they stand for (heading, body, subheadline, caption), in pixels so
// that text fits the fixed panel sizes on any font setting.

#include <QFont>

namespace halvora::ui::Typography {

QFont heading();
QFont body();
QFont subheadline(QFont::Weight weight = QFont::Normal);
QFont caption(QFont::Weight weight = QFont::Normal);
QFont caption2(QFont::Weight weight = QFont::Normal);
QFont monospacedCaption();

}  // namespace halvora::ui::Typography
