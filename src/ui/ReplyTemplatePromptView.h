#pragma once

#include "snippets/ReplyTemplatePrompt.h"

#include <QWidget>

#include <map>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace halvora::ui {

/// The template prompt's content: heading, instruction, one labelled text
/// box per field, the preview, and the "Hủy" and confirm buttons. It draws
/// the model and passes the user's typing and buttons to it.
class ReplyTemplatePromptView final : public QWidget {
  public:
    explicit ReplyTemplatePromptView(snippets::ReplyTemplatePrompt& prompt,
                                     QWidget* parent = nullptr);

    /// The model finished or went away: the view stops talking to it.
    void detach();
    /// Gives the keyboard focus to the model's focused field.
    void focusModelField();

    QLineEdit* fieldEdit(const std::string& field) const;
    QPushButton* submitButton() const { return submit_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPlainTextEdit* previewText() const { return preview_; }

  private:
    void refresh();

    snippets::ReplyTemplatePrompt* prompt_;
    std::map<std::string, QLineEdit*> edits_;
    QPlainTextEdit* preview_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* submit_ = nullptr;
};

}  // namespace halvora::ui
