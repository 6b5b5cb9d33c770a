#include "ui/Typography.h"

#include <QFontDatabase>

namespace halvora::ui::Typography {

namespace {

QFont sized(int pixels, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

}  // namespace

QFont heading() {
    return sized(20, QFont::Bold);
}

QFont body() {
    return sized(13, QFont::Normal);
}

QFont subheadline(QFont::Weight weight) {
    return sized(12, weight);
}

QFont caption(QFont::Weight weight) {
    return sized(11, weight);
}

QFont caption2(QFont::Weight weight) {
    return sized(10, weight);
}

QFont monospacedCaption() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    return font;
}

}  // namespace halvora::ui::Typography
