#pragma once

// The two detail editors of a snippet: QuickReplyEditorView for quick
// replies (also on the quick-replies page) and SnippetEditorView for plain,
// image and QR snippets.

#include "platform/Pasteboard.h"
#include "snippets/PanelHost.h"
#include "snippets/SnippetStore.h"
#include "workspace/QuickReplyEditorModel.h"
#include "workspace/SnippetEditorModel.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace halvora::ui {
namespace PageKit {
class DeferredRefresh;
}

class QuickReplyEditorView final : public QWidget {
  public:
    QuickReplyEditorView(snippets::SnippetStore& store, util::Uuid id,
                         platform::Pasteboard& pasteboard, snippets::PanelHost& panels,
                         std::function<void()> onDelete, QWidget* parent = nullptr);

    workspace::QuickReplyEditorModel& model() { return model_; }
    void refresh();
    /// Puts the cursor in the title field, its text selected.
    void focusTitle();

  private:
    workspace::QuickReplyEditorModel model_;
    util::Connection connection_;
    util::Connection storeConnection_;
    PageKit::DeferredRefresh* refresher_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* trigger_ = nullptr;
    QLabel* codeStatus_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* templateLine_ = nullptr;
    QPushButton* trial_ = nullptr;
    QLabel* copied_ = nullptr;
};

class SnippetEditorView final : public QWidget {
  public:
    SnippetEditorView(snippets::SnippetStore& store, util::Uuid id,
                      std::function<void(const util::Uuid&)> onChooseImage,
                      std::function<void()> onDelete, std::function<void()> onOpenQR,
                      const platform::DesktopWords& words, QWidget* parent = nullptr);

    workspace::SnippetEditorModel& model() { return model_; }
    void refresh();
    /// Puts the cursor in the title field, its text selected.
    void focusTitle();

  private:
    workspace::SnippetEditorModel model_;
    util::Connection storeConnection_;
    PageKit::DeferredRefresh* refresher_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* trigger_ = nullptr;
    QComboBox* hotkey_ = nullptr;
    QCheckBox* dynamicQR_ = nullptr;
    QWidget* qrSetup_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QLabel* imageLabel_ = nullptr;
    QLabel* preview_ = nullptr;
    QPushButton* removeImage_ = nullptr;
};

}  // namespace halvora::ui
