#include "ui/SnippetRowDelegate.h"

#include "ui/HalvoraBetaStyle.h"
#include "ui/Symbols.h"
#include "ui/Typography.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

namespace halvora::ui {

namespace {

constexpr int kPadding = 8;
constexpr int kGap = 10;
constexpr int kAccessorySide = 16;
constexpr int kLineGap = 2;

QColor secondaryColor() {
    const QPalette palette = QApplication::palette();
    QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    return QColor::fromRgbF(text.redF() * 0.55f + base.redF() * 0.45f,
                            text.greenF() * 0.55f + base.greenF() * 0.45f,
                            text.blueF() * 0.55f + base.blueF() * 0.45f);
}

}  // namespace

int SnippetRowDelegate::textWidth(const QModelIndex& index, int rowWidth) const {
    int width = rowWidth - 2 * kPadding;
    if (index.data(symbolRole).isValid()) {
        width -= style_.symbolSide + kGap;
    }
    // Room for the trailing symbol is kept on every row, so that the text
    // does not move when the highlight does.
    if (!style_.selectedAccessory.isEmpty() || index.data(accessoryRole).isValid()) {
        width -= kGap + kAccessorySide;
    }
    return width;
}

QStringList SnippetRowDelegate::wrappedLines(const QString& text, const QFont& font, int width,
                                             int maxLines) {
    QStringList lines;
    if (text.isEmpty() || width <= 0 || maxLines <= 0) {
        return lines;
    }
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            // The last line takes the rest, elided.
            const QString rest = text.mid(line.textStart());
            lines.append(QFontMetrics(font).elidedText(rest, Qt::ElideRight, width));
            break;
        }
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

QSize SnippetRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const int width = option.rect.width() > 0 ? option.rect.width() : 600;
    int height = kPadding * 2;
    height += QFontMetrics(Typography::subheadline(style_.titleWeight)).height();
    height += kLineGap + QFontMetrics(Typography::monospacedCaption()).height();
    const QVariant text = index.data(textRole);
    if (text.isValid()) {
        const QFont font = Typography::caption();
        const auto lines =
            wrappedLines(text.toString(), font, textWidth(index, width), style_.textLines);
        height += kLineGap + static_cast<int>(lines.size()) * QFontMetrics(font).height();
    }
    if (index.data(symbolRole).isValid()) {
        height = std::max(height, style_.symbolSide + 2 * kPadding);
    }
    return QSize(width, height);
}

void SnippetRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect.adjusted(4, 2, -4, -2);
    const QVariant selectedData = index.data(selectedRole);
    const bool selected = selectedData.isValid() ? selectedData.toBool()
                                                 : option.state.testFlag(QStyle::State_Selected);
    const bool hovered = option.state.testFlag(QStyle::State_MouseOver);
    if (selected || hovered) {
        QColor tint = HalvoraBetaStyle::accent();
        tint.setAlphaF(selected ? 0.16f : 0.06f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(tint);
        painter->drawRoundedRect(row, 7, 7);
    }

    const QColor accent = HalvoraBetaStyle::accent();
    const QColor primary = QApplication::palette().color(QPalette::Text);
    const QColor secondary = secondaryColor();

    int x = row.left() + kPadding;
    const QVariant symbol = index.data(symbolRole);
    if (symbol.isValid()) {
        const QRect symbolRect(x, row.top() + kPadding, style_.symbolSide, style_.symbolSide);
        drawSymbol(*painter, symbolRect, symbol.toString(), accent);
        x = symbolRect.right() + 1 + kGap;
    }
    const int width = textWidth(index, option.rect.width());
    int y = row.top() + kPadding;

    // Title, then the kind label beside it.
    const QFont titleFont = Typography::subheadline(style_.titleWeight);
    const QFont kindFont = Typography::caption2(QFont::Medium);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics kindMetrics(kindFont);
    const QString kind = index.data(kindRole).toString();
    const int kindWidth = kind.isEmpty() ? 0 : kindMetrics.horizontalAdvance(kind) + 8;
    const QString title = titleMetrics.elidedText(index.data(titleRole).toString(), Qt::ElideRight,
                                                  std::max(0, width - kindWidth));
    painter->setFont(titleFont);
    painter->setPen(primary);
    painter->drawText(QPoint(x, y + titleMetrics.ascent()), title);
    if (!kind.isEmpty()) {
        painter->setFont(kindFont);
        painter->setPen(secondary);
        painter->drawText(
            QPoint(x + titleMetrics.horizontalAdvance(title) + 8, y + titleMetrics.ascent()), kind);
    }
    y += titleMetrics.height() + kLineGap;

    const QFont codeFont = Typography::monospacedCaption();
    const QFontMetrics codeMetrics(codeFont);
    painter->setFont(codeFont);
    painter->setPen(secondary);
    painter->drawText(
        QPoint(x, y + codeMetrics.ascent()),
        codeMetrics.elidedText(index.data(codeRole).toString(), Qt::ElideRight, width));
    y += codeMetrics.height() + kLineGap;

    const QVariant text = index.data(textRole);
    if (text.isValid()) {
        const QFont font = Typography::caption();
        const QFontMetrics metrics(font);
        painter->setFont(font);
        for (const QString& line : wrappedLines(text.toString(), font, width, style_.textLines)) {
            painter->drawText(QPoint(x, y + metrics.ascent()), line);
            y += metrics.height();
        }
    }

    QString accessory = index.data(accessoryRole).toString();
    if (accessory.isEmpty() && selected) {
        accessory = style_.selectedAccessory;
    }
    if (!accessory.isEmpty()) {
        const QRect accessoryRect(row.right() - kPadding - kAccessorySide,
                                  row.center().y() - kAccessorySide / 2, kAccessorySide,
                                  kAccessorySide);
        drawSymbol(*painter, accessoryRect, accessory, secondary);
    }
    painter->restore();
}

}  // namespace halvora::ui
