#pragma once

#include "workspace/CustomerQRViewModel.h"

#include <QWidget>

#include <map>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace halvora::ui {
namespace PageKit {
class DeferredRefresh;
}

/// The QR account page.
class CustomerQRPageView final : public QWidget {
  public:
    /// `onEditSnippet` opens a snippet in the snippets page.
    CustomerQRPageView(snippets::SnippetStore& store, platform::UserDefaults& defaults,
                       workspace::CustomerQRViewModel::EditSnippet onEditSnippet,
                       QWidget* parent = nullptr);

    workspace::CustomerQRViewModel& model() { return model_; }
    void refresh();

  protected:
    /// The settings may have changed elsewhere (an import that replaced
    /// them) while the page was hidden.
    void showEvent(QShowEvent* event) override;

  private:
    void rebuildSnippets();

    workspace::CustomerQRViewModel model_;
    util::Connection connection_;
    PageKit::DeferredRefresh* refresher_ = nullptr;
    QLabel* saveError_ = nullptr;
    QLabel* configured_ = nullptr;
    std::map<std::string, QLineEdit*, std::less<>> fields_;
    QCheckBox* randomMemo_ = nullptr;
    QLabel* randomNote_ = nullptr;
    QWidget* defaultMemoGroup_ = nullptr;
    QLineEdit* defaultMemo_ = nullptr;
    QListWidget* snippets_ = nullptr;
    QLabel* noSnippets_ = nullptr;
    QPushButton* enableVCBQ_ = nullptr;
    QPushButton* details_ = nullptr;
    QWidget* detailsGroup_ = nullptr;
    QLabel* privacy_ = nullptr;
};

}  // namespace halvora::ui
