#pragma once

#include "workspace/TextToolsViewModel.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace halvora::ui {
namespace PageKit {
class DeferredRefresh;
}

/// The text tools page.
class TextToolsPageView final : public QWidget {
  public:
    TextToolsPageView(platform::UserDefaults& defaults, platform::Pasteboard& pasteboard,
                      const platform::DesktopWords& words, QWidget* parent = nullptr);

    workspace::TextToolsViewModel& model() { return model_; }
    /// Shows the model's state now.
    void refresh();

  protected:
    /// Each opening starts the page empty.
    void showEvent(QShowEvent* event) override;

  private:
    workspace::TextToolsViewModel model_;
    util::Connection connection_;
    PageKit::DeferredRefresh* refresher_ = nullptr;
    QPlainTextEdit* input_ = nullptr;
    QButtonGroup* operations_ = nullptr;
    QPlainTextEdit* result_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* copy_ = nullptr;
};

}  // namespace halvora::ui
