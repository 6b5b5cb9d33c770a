#include "ui/SnippetPickerRowDelegate.h"

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
constexpr int kSymbolSide = 30;
constexpr int kGap = 10;
constexpr int kReturnSide = 16;
constexpr int kLineGap = 2;

QColor secondaryColor() {
    const QPalette palette = QApplication::palette();
    QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    return QColor::fromRgbF(text.redF() * 0.55f + base.redF() * 0.45f,
                            text.greenF() * 0.55f + base.greenF() * 0.45f,
                            text.blueF() * 0.55f + base.blueF() * 0.45f);
}

int textWidth(int rowWidth) {
    return rowWidth - 2 * kPadding - kSymbolSide - kGap - kGap - kReturnSide;
}

}  // namespace

QStringList SnippetPickerRowDelegate::wrappedLines(const QString& text, const QFont& font,
                                                   int width, int maxLines) {
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

QSize SnippetPickerRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    const int width = option.rect.width() > 0 ? option.rect.width() : 600;
    int height = kPadding * 2;
    height += QFontMetrics(Typography::subheadline(QFont::DemiBold)).height();
    height += kLineGap + QFontMetrics(Typography::monospacedCaption()).height();
    const QVariant text = index.data(textRole);
    if (text.isValid()) {
        const QFont font = Typography::caption();
        const auto lines = wrappedLines(text.toString(), font, textWidth(width), 2);
        height += kLineGap + static_cast<int>(lines.size()) * QFontMetrics(font).height();
    }
    return QSize(width, std::max(height, kSymbolSide + 2 * kPadding));
}

void SnippetPickerRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect.adjusted(4, 2, -4, -2);
    const bool selected = index.data(selectedRole).toBool();
    if (selected) {
        QColor tint = HalvoraBetaStyle::accent();
        tint.setAlphaF(0.16f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(tint);
        painter->drawRoundedRect(row, 7, 7);
    }

    const QColor accent = HalvoraBetaStyle::accent();
    const QColor primary = QApplication::palette().color(QPalette::Text);
    const QColor secondary = secondaryColor();

    const QRect symbolRect(row.left() + kPadding, row.top() + kPadding, kSymbolSide, kSymbolSide);
    drawSymbol(*painter, symbolRect, index.data(symbolRole).toString(), accent);

    int x = symbolRect.right() + 1 + kGap;
    const int width = textWidth(option.rect.width());
    int y = row.top() + kPadding;

    // Title, then the kind label beside it.
    const QFont titleFont = Typography::subheadline(QFont::DemiBold);
    const QFont kindFont = Typography::caption2(QFont::Medium);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics kindMetrics(kindFont);
    const QString kind = index.data(kindRole).toString();
    const int kindWidth = kindMetrics.horizontalAdvance(kind);
    const QString title = titleMetrics.elidedText(index.data(titleRole).toString(), Qt::ElideRight,
                                                  std::max(0, width - kindWidth - 8));
    painter->setFont(titleFont);
    painter->setPen(primary);
    painter->drawText(QPoint(x, y + titleMetrics.ascent()), title);
    painter->setFont(kindFont);
    painter->setPen(secondary);
    painter->drawText(
        QPoint(x + titleMetrics.horizontalAdvance(title) + 8, y + titleMetrics.ascent()), kind);
    y += titleMetrics.height() + kLineGap;

    const QFont codeFont = Typography::monospacedCaption();
    const QFontMetrics codeMetrics(codeFont);
    painter->setFont(codeFont);
    painter->drawText(
        QPoint(x, y + codeMetrics.ascent()),
        codeMetrics.elidedText(index.data(codeRole).toString(), Qt::ElideRight, width));
    y += codeMetrics.height() + kLineGap;

    const QVariant text = index.data(textRole);
    if (text.isValid()) {
        const QFont font = Typography::caption();
        const QFontMetrics metrics(font);
        painter->setFont(font);
        for (const QString& line : wrappedLines(text.toString(), font, width, 2)) {
            painter->drawText(QPoint(x, y + metrics.ascent()), line);
            y += metrics.height();
        }
    }

    if (selected) {
        const QRect returnRect(row.right() - kPadding - kReturnSide,
                               row.center().y() - kReturnSide / 2, kReturnSide, kReturnSide);
        drawSymbol(*painter, returnRect, QStringLiteral("return"), secondary);
    }
    painter->restore();
}

}  // namespace halvora::ui
