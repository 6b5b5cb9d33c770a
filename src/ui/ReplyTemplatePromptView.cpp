#include "ui/ReplyTemplatePromptView.h"

#include "ui/HalvoraBetaStyle.h"
#include "ui/Typography.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace halvora::ui {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

ReplyTemplatePromptView::ReplyTemplatePromptView(snippets::ReplyTemplatePrompt& prompt,
                                                 QWidget* parent)
    : QWidget(parent), prompt_(&prompt) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 20, 22, 18);
    layout->setSpacing(10);

    auto* heading = new QLabel(qs(prompt.title()));
    heading->setFont(Typography::heading());
    heading->setWordWrap(true);
    layout->addWidget(heading);

    auto* instruction = new QLabel(qs(prompt.instruction()));
    instruction->setFont(Typography::body());
    instruction->setWordWrap(true);
    HalvoraBetaStyle::makeSecondary(*instruction);
    layout->addWidget(instruction);

    auto* fieldsBox = new QWidget();
    auto* fieldsLayout = new QVBoxLayout(fieldsBox);
    fieldsLayout->setContentsMargins(0, 0, 4, 0);
    fieldsLayout->setSpacing(4);
    for (const std::string& field : prompt.fields()) {
        auto* label = new QLabel(qs(snippets::ReplyTemplatePrompt::label(field)));
        label->setFont(Typography::subheadline(QFont::Medium));
        auto* edit = new QLineEdit();
        edit->setFont(Typography::body());
        edit->setPlaceholderText(qs(snippets::ReplyTemplatePrompt::placeholder(field)));
        edit->setText(qs(prompt.value(field)));
        edit->setClearButtonEnabled(false);
        fieldsLayout->addWidget(label);
        fieldsLayout->addWidget(edit);
        fieldsLayout->addSpacing(6);
        edits_.emplace(field, edit);
        connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
            if (prompt_ != nullptr) {
                prompt_->setValue(field, text.toStdString());
                refresh();
            }
        });
    }
    fieldsLayout->addStretch(1);
    auto* scroll = new QScrollArea();
    scroll->setWidget(fieldsBox);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(scroll, 1);

    auto* previewHeading =
        new QLabel(qs(std::string(snippets::ReplyTemplatePrompt::previewHeading)));
    previewHeading->setFont(Typography::subheadline(QFont::DemiBold));
    layout->addWidget(previewHeading);

    preview_ = new QPlainTextEdit();
    preview_->setReadOnly(true);
    preview_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    preview_->setFont(Typography::body());
    preview_->setFixedHeight(snippets::ReplyTemplatePrompt::previewHeight);
    preview_->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(preview_);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    cancel_ = new QPushButton(qs(std::string(snippets::ReplyTemplatePrompt::cancelTitle)));
    cancel_->setAutoDefault(false);
    submit_ = new QPushButton(qs(prompt.submitTitle()));
    submit_->setAutoDefault(false);
    submit_->setDefault(true);
    HalvoraBetaStyle::makeProminent(*submit_);
    buttons->addWidget(cancel_);
    buttons->addWidget(submit_);
    layout->addLayout(buttons);

    // The outcome may destroy the model (and dismiss this view) while it is
    // being reported; nothing touches the model afterwards.
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (prompt_ != nullptr) {
            prompt_->cancel();
        }
    });
    connect(submit_, &QPushButton::clicked, this, [this] {
        if (prompt_ != nullptr) {
            prompt_->submit();
        }
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (prompt_ == nullptr) {
            return;
        }
        for (const auto& [field, edit] : edits_) {
            if (edit == now) {
                prompt_->setFocusedField(field);
            }
        }
    });
    refresh();
}

void ReplyTemplatePromptView::detach() {
    prompt_ = nullptr;
}

void ReplyTemplatePromptView::focusModelField() {
    if (prompt_ == nullptr || !prompt_->focusedField()) {
        return;
    }
    if (QLineEdit* edit = fieldEdit(*prompt_->focusedField())) {
        edit->setFocus(Qt::OtherFocusReason);
    }
}

QLineEdit* ReplyTemplatePromptView::fieldEdit(const std::string& field) const {
    const auto it = edits_.find(field);
    return it == edits_.end() ? nullptr : it->second;
}

void ReplyTemplatePromptView::refresh() {
    if (prompt_ == nullptr) {
        return;
    }
    const QString preview = qs(prompt_->preview());
    if (preview_->toPlainText() != preview) {
        preview_->setPlainText(preview);
    }
    submit_->setEnabled(prompt_->canSubmit());
}

}  // namespace halvora::ui
