#pragma once

#include "snippets/SnippetPickerPanel.h"
#include "util/Signal.h"
#include "util/Uuid.h"

#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace halvora::ui {

/// The picker's content: the search field, the result rows (or the empty
/// message), the hint and the "Hủy" and "Dán mẫu" buttons. It follows the
/// model (query, selection, store) and passes typing, arrow keys, Return,
/// clicks and buttons to it.
class SnippetPickerView final : public QWidget {
  public:
    explicit SnippetPickerView(snippets::SnippetPickerPanel& picker, QWidget* parent = nullptr);

    /// The model finished or went away: the view stops talking to it.
    void detach();

    QLineEdit* searchField() const { return search_; }
    QListWidget* resultList() const { return list_; }
    QLabel* emptyLabel() const { return empty_; }
    QPushButton* chooseButton() const { return choose_; }
    QPushButton* cancelButton() const { return cancel_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refresh();

    snippets::SnippetPickerPanel* picker_;
    util::Connection connection_;
    QLineEdit* search_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* empty_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* choose_ = nullptr;
    std::vector<util::Uuid> shownIds_;
};

}  // namespace halvora::ui
