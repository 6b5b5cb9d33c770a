#include "ui/pages/SnippetRows.h"

#include "ui/SnippetRowDelegate.h"

#include <QListWidget>
#include <QSignalBlocker>

#include <algorithm>
#include <utility>

namespace halvora::ui::SnippetRows {

namespace {

constexpr int kIdRole = Qt::UserRole + 100;

QVariant unlessEmpty(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

/// The item's data for the row delegate.
std::vector<std::pair<int, QVariant>> dataOf(const Row& row) {
    return {{kIdRole, QString::fromStdString(row.id.text())},
            {SnippetRowDelegate::symbolRole, unlessEmpty(row.symbol)},
            {SnippetRowDelegate::titleRole, row.title},
            {SnippetRowDelegate::codeRole, row.code},
            {SnippetRowDelegate::textRole, unlessEmpty(row.text)},
            {SnippetRowDelegate::accessoryRole, unlessEmpty(row.accessory)}};
}

bool shows(const QListWidgetItem& item, const Row& row) {
    const auto wanted = dataOf(row);
    return std::all_of(wanted.begin(), wanted.end(), [&item](const auto& entry) {
        return item.data(entry.first) == entry.second;
    });
}

}  // namespace

QListWidget* makeList() {
    auto* list = new QListWidget();
    SnippetRowDelegate::Style style;
    style.titleWeight = QFont::Normal;
    style.textLines = 1;
    style.symbolSide = 22;
    list->setItemDelegate(new SnippetRowDelegate(style, list));
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setMouseTracking(true);
    return list;
}

void show(QListWidget& list, const std::vector<Row>& rows,
          const std::optional<util::Uuid>& selected) {
    const QSignalBlocker blocker(list);
    bool same = list.count() == static_cast<int>(rows.size());
    for (int i = 0; same && i < list.count(); ++i) {
        same = shows(*list.item(i), rows[static_cast<std::size_t>(i)]);
    }
    if (!same) {
        list.clear();
        for (const Row& row : rows) {
            // The text is what a screen reader and the list's keyboard
            // search read.
            auto* item = new QListWidgetItem(row.title, &list);
            for (const auto& [role, value] : dataOf(row)) {
                item->setData(role, value);
            }
        }
    }
    list.setCurrentItem(nullptr);
    for (int i = 0; i < list.count(); ++i) {
        if (selected && rows[static_cast<std::size_t>(i)].id == *selected) {
            list.setCurrentRow(i);
            list.scrollToItem(list.item(i));
        }
    }
}

std::optional<util::Uuid> idOf(const QListWidgetItem* item) {
    if (item == nullptr) {
        return std::nullopt;
    }
    return util::Uuid::parse(item->data(kIdRole).toString().toStdString());
}

int fullHeight(const QListWidget& list) {
    int height = 2 * list.frameWidth();
    for (int i = 0; i < list.count(); ++i) {
        height += list.sizeHintForRow(i);
    }
    return height;
}

}  // namespace halvora::ui::SnippetRows
