#pragma once

// The colours the workspace pages and the panels share, each made once on
// first use.

#include <QColor>

namespace halvora::ui::HalvoraBetaStyle {

/// The program's blue: sRGB 0.24, 0.43, 0.84.
const QColor& accent();
/// The window background of the desktop's palette.
const QColor& canvas();
/// The background of controls (lists, text fields) in the desktop's palette.
const QColor& card();
/// The red of buttons that delete or replace the user's data.
const QColor& destructive();

}  // namespace halvora::ui::HalvoraBetaStyle

class QLabel;
class QPushButton;

namespace halvora::ui::HalvoraBetaStyle {

/// The look of a prominent (default) button: the accent filled.
void makeProminent(QPushButton& button);
/// The look of a destructive button: its title (and symbol) in red.
void makeDestructive(QPushButton& button);
/// The secondary text colour on a label.
void makeSecondary(QLabel& label);

}  // namespace halvora::ui::HalvoraBetaStyle
