#include "ui/HalvoraBetaStyle.h"

#include <QApplication>
#include <QPalette>

namespace halvora::ui::HalvoraBetaStyle {

const QColor& accent() {
    static const QColor color = QColor::fromRgbF(0.24f, 0.43f, 0.84f, 1.0f);
    return color;
}

const QColor& canvas() {
    static const QColor color = QApplication::palette().color(QPalette::Window);
    return color;
}

const QColor& card() {
    static const QColor color = QApplication::palette().color(QPalette::Base);
    return color;
}

const QColor& destructive() {
    static const QColor color = QColor::fromRgb(0xc5, 0x22, 0x1f);
    return color;
}

}  // namespace halvora::ui::HalvoraBetaStyle

#include <QLabel>
#include <QPushButton>

namespace halvora::ui::HalvoraBetaStyle {

void makeProminent(QPushButton& button) {
    const QColor pressed = accent().darker(115);
    QColor faded = accent();
    faded.setAlphaF(0.4f);
    button.setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                       "border-radius: 6px; padding: 5px 14px; font-weight: 600; }"
                       "QPushButton:pressed { background: %2; }"
                       "QPushButton:disabled { background: %3; color: rgba(255,255,255,0.85); }")
            .arg(accent().name(), pressed.name(), faded.name(QColor::HexArgb)));
}

void makeDestructive(QPushButton& button) {
    // A style sheet, since some desktop styles draw button titles in their
    // own colour whatever the palette says.
    button.setStyleSheet(QStringLiteral("QPushButton { color: %1; }").arg(destructive().name()));
    button.setProperty("destructive", true);
}

void makeSecondary(QLabel& label) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText,
                     QApplication::palette().color(QPalette::PlaceholderText));
    label.setPalette(palette);
}

}  // namespace halvora::ui::HalvoraBetaStyle
