#pragma once

#include <QFont>
#include <QString>
#include <QStyledItemDelegate>

namespace halvora::ui {

/// Draws one snippet row from the item's data: the kind symbol, the title
/// (with a kind label beside it), the code below in a small monospaced face,
/// lines of the text, and a symbol at the trailing edge. A role left unset
/// leaves its part out. The highlighted row (the item's `selectedRole`, or
/// the view's own selection) has a tinted background. Serves the picker's
/// results and the workspace pages' lists.
class SnippetRowDelegate final : public QStyledItemDelegate {
  public:
    enum Role {
        symbolRole = Qt::UserRole + 1,
        titleRole,
        kindRole,
        codeRole,
        textRole,  ///< invalid for an empty text
        selectedRole,
        /// A symbol always drawn at the trailing edge ("chevron.right").
        accessoryRole,
    };

    /// How the rows of one list look.
    struct Style {
        QFont::Weight titleWeight = QFont::DemiBold;
        /// Lines of text at most; the last is elided.
        int textLines = 2;
        /// Drawn at the trailing edge of the highlighted row only.
        QString selectedAccessory;
        int symbolSide = 30;
    };

    explicit SnippetRowDelegate(Style style, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), style_(std::move(style)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    const Style& style() const { return style_; }

    /// `text` broken into at most `maxLines` lines of `width` pixels, the
    /// last one elided when the text goes on.
    static QStringList wrappedLines(const QString& text, const QFont& font, int width,
                                    int maxLines);

  private:
    int textWidth(const QModelIndex& index, int rowWidth) const;

    Style style_;
};

}  // namespace halvora::ui
