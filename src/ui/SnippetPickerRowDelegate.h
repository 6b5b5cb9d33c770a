#pragma once

#include <QStyledItemDelegate>

namespace halvora::ui {

/// Draws one result row of the picker from the item's data: the symbol,
/// the title with the kind label beside it, the code, up to two lines of
/// text, and for the highlighted row a tinted background and the "return"
/// symbol at the trailing edge.
class SnippetPickerRowDelegate final : public QStyledItemDelegate {
  public:
    enum Role {
        symbolRole = Qt::UserRole + 1,
        titleRole,
        kindRole,
        codeRole,
        textRole,  ///< invalid for an empty text
        selectedRole,
    };

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// `text` broken into at most `maxLines` lines of `width` pixels, the
    /// last one elided when the text goes on.
    static QStringList wrappedLines(const QString& text, const QFont& font, int width,
                                    int maxLines);
};

}  // namespace halvora::ui
