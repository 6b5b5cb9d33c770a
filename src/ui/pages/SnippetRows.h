#pragma once

// The snippet lists of the workspace pages (every snippet, the quick
// replies, the QR snippets): one row per snippet, drawn by the snippet row
// delegate.

#include "util/Uuid.h"

#include <QString>

#include <optional>
#include <vector>

class QListWidget;
class QListWidgetItem;

namespace halvora::ui::SnippetRows {

/// What one row shows. An empty text leaves its part out.
struct Row {
    util::Uuid id;
    /// The kind symbol.
    QString symbol = {};
    QString title = {};
    QString code = {};
    QString text = {};
    /// The symbol at the trailing edge ("chevron.right").
    QString accessory = {};
};

/// An empty list whose rows the delegate draws: titles in regular weight,
/// small symbols, one line of text.
QListWidget* makeList();

/// Shows the rows (without announcing selection changes) with the row of
/// `selected` highlighted. A list that already shows these rows is left as
/// it is, so that typing in an editor does not reset its scrolling.
void show(QListWidget& list, const std::vector<Row>& rows,
          const std::optional<util::Uuid>& selected = std::nullopt);

/// The snippet a row stands for.
std::optional<util::Uuid> idOf(const QListWidgetItem* item);

/// The height that shows every row without scrolling.
int fullHeight(const QListWidget& list);

}  // namespace halvora::ui::SnippetRows
