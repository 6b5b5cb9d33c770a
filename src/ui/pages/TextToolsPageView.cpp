#include "ui/pages/TextToolsPageView.h"

#include "ui/pages/PageKit.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace halvora::ui {

using workspace::TextToolsViewModel;

TextToolsPageView::TextToolsPageView(platform::UserDefaults& defaults,
                                     platform::Pasteboard& pasteboard,
                                     const platform::DesktopWords& words, QWidget* parent)
    : QWidget(parent), model_(defaults, pasteboard, words) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->addWidget(PageKit::title(TextToolsViewModel::title));
    layout->addWidget(PageKit::note(TextToolsViewModel::subtitle));

    auto* inputHeader = new QHBoxLayout();
    inputHeader->addWidget(PageKit::heading(TextToolsViewModel::inputHeading));
    inputHeader->addStretch(1);
    auto* paste = PageKit::button(TextToolsViewModel::pasteTitle);
    paste->setObjectName("paste");
    inputHeader->addWidget(paste);
    layout->addLayout(inputHeader);

    input_ = new QPlainTextEdit();
    input_->setObjectName("input");
    input_->setPlaceholderText(qs(TextToolsViewModel::inputPlaceholder));
    input_->setMinimumHeight(TextToolsViewModel::minimumBoxHeight);
    layout->addWidget(input_);

    auto* picker = new QHBoxLayout();
    picker->addWidget(new QLabel(qs(TextToolsViewModel::pickerTitle)));
    operations_ = new QButtonGroup(this);
    int index = 0;
    for (const engine::TextOperation operation : engine::allTextOperations) {
        auto* choice = new QRadioButton(qs(engine::rawValue(operation)));
        operations_->addButton(choice, index++);
        picker->addWidget(choice);
    }
    picker->addStretch(1);
    layout->addLayout(picker);

    layout->addWidget(PageKit::heading(TextToolsViewModel::resultHeading));
    result_ = new QPlainTextEdit();
    result_->setObjectName("result");
    result_->setReadOnly(true);
    result_->setMinimumHeight(TextToolsViewModel::minimumBoxHeight);
    layout->addWidget(result_);

    auto* footer = new QHBoxLayout();
    message_ = PageKit::note("");
    message_->setObjectName("message");
    footer->addWidget(message_, 1);
    copy_ = PageKit::button(TextToolsViewModel::copyTitle, true);
    copy_->setObjectName("copy");
    footer->addWidget(copy_);
    layout->addLayout(footer);

    refresher_ = new PageKit::DeferredRefresh(this, [this] { refresh(); });
    connection_ = model_.observe([this] { refresher_->request(); });

    connect(paste, &QPushButton::clicked, this, [this] { model_.takeFromClipboard(); });
    connect(copy_, &QPushButton::clicked, this, [this] { model_.copyResult(); });
    connect(input_, &QPlainTextEdit::textChanged, this,
            [this] { model_.setInput(str(input_->toPlainText())); });
    connect(operations_, &QButtonGroup::idClicked, this, [this](int id) {
        model_.setOperation(engine::allTextOperations.at(static_cast<std::size_t>(id)));
    });
    refresh();
}

void TextToolsPageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Opened, not merely brought back from a minimised window: start empty.
    if (!event->spontaneous()) {
        model_.appear();
        refresher_->flush();
    }
}

void TextToolsPageView::refresh() {
    PageKit::syncText(*input_, qs(model_.input()));
    for (std::size_t i = 0; i < engine::allTextOperations.size(); ++i) {
        if (engine::allTextOperations[i] == model_.operation()) {
            operations_->button(static_cast<int>(i))->setChecked(true);
        }
    }
    // The placeholder stands in the box while there is no result.
    result_->setPlaceholderText(qs(TextToolsViewModel::resultPlaceholder));
    PageKit::syncText(*result_, qs(model_.output()));
    message_->setText(qs(model_.message()));
    copy_->setEnabled(model_.canCopy());
}

}  // namespace halvora::ui
