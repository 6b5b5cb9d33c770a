#pragma once

// The two list-and-editor pages: every snippet (SnippetsPageView) and the
// quick replies only (QuickRepliesPageView).

#include "input/KeyboardController.h"
#include "platform/Alerts.h"
#include "platform/DesktopWords.h"
#include "platform/Pasteboard.h"
#include "snippets/PanelHost.h"
#include "snippets/SnippetStore.h"
#include "snippets/WorkspaceNavigation.h"
#include "workspace/QuickRepliesViewModel.h"
#include "workspace/SnippetsViewModel.h"

#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QStackedWidget;
class QVBoxLayout;

namespace halvora::ui {
namespace PageKit {
class DeferredRefresh;
}

class SnippetsPageView final : public QWidget {
  public:
    SnippetsPageView(snippets::SnippetStore& store, const input::KeyboardController& keyboard,
                     snippets::WorkspaceNavigation& navigation, platform::Alerts& alerts,
                     platform::Pasteboard& pasteboard, snippets::PanelHost& panels,
                     const platform::DesktopWords& words, QWidget* parent = nullptr);

    workspace::SnippetsViewModel& model() { return model_; }
    /// The editor shown now; null with the empty detail.
    QWidget* editor() const { return editor_; }
    void refresh();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void chooseImage(const util::Uuid& id);

    snippets::SnippetStore& store_;
    platform::Pasteboard& pasteboard_;
    snippets::PanelHost& panels_;
    const platform::DesktopWords& words_;
    workspace::SnippetsViewModel model_;
    util::Connection connection_;
    PageKit::DeferredRefresh* refresher_ = nullptr;
    QLineEdit* search_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* emptyList_ = nullptr;
    QStackedWidget* detail_ = nullptr;
    QWidget* editor_ = nullptr;
    std::optional<util::Uuid> editorID_;
};

class QuickRepliesPageView final : public QWidget {
  public:
    QuickRepliesPageView(snippets::SnippetStore& store, platform::Alerts& alerts,
                         platform::Pasteboard& pasteboard, snippets::PanelHost& panels,
                         QWidget* parent = nullptr);

    workspace::QuickRepliesViewModel& model() { return model_; }
    QWidget* editor() const { return editor_; }
    void refresh();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    snippets::SnippetStore& store_;
    platform::Pasteboard& pasteboard_;
    snippets::PanelHost& panels_;
    workspace::QuickRepliesViewModel model_;
    util::Connection connection_;
    PageKit::DeferredRefresh* refresher_ = nullptr;
    QLineEdit* search_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* emptyList_ = nullptr;
    QStackedWidget* detail_ = nullptr;
    QWidget* editor_ = nullptr;
    std::optional<util::Uuid> editorID_;
};

}  // namespace halvora::ui
