#include "ui/pages/EditorViews.h"

#include "ui/HalvoraBetaStyle.h"
#include "ui/Symbols.h"
#include "ui/pages/PageKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvora::ui {

using workspace::CodeStatus;
using workspace::QuickReplyEditorModel;
using workspace::SnippetEditorModel;

namespace {

void focusAndSelect(QLineEdit& field) {
    field.setFocus(Qt::OtherFocusReason);
    field.selectAll();
}

QPushButton* deleteButton(std::string_view title, std::string_view symbol) {
    auto* button = PageKit::button(title);
    button->setObjectName("delete");
    button->setIcon(symbolIcon(qs(symbol), HalvoraBetaStyle::destructive()));
    HalvoraBetaStyle::makeDestructive(*button);
    // Return in an editor's fields never reaches it.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

// ------------------------------------------------------------ quick replies

QuickReplyEditorView::QuickReplyEditorView(snippets::SnippetStore& store, util::Uuid id,
                                           platform::Pasteboard& pasteboard,
                                           snippets::PanelHost& panels,
                                           std::function<void()> onDelete, QWidget* parent)
    : QWidget(parent), model_(store, id, pasteboard, panels) {
    auto* layout = new QVBoxLayout(this);
    auto* header = new QHBoxLayout();
    header->addStretch(1);
    auto* remove =
        deleteButton(QuickReplyEditorModel::deleteTitle, QuickReplyEditorModel::deleteSymbol);
    header->addWidget(remove);
    layout->addLayout(header);
    connect(remove, &QPushButton::clicked, this, [onDelete = std::move(onDelete)] {
        if (onDelete) {
            onDelete();
        }
    });

    layout->addWidget(PageKit::heading(QuickReplyEditorModel::titleLabel));
    title_ = new QLineEdit();
    title_->setObjectName("title");
    title_->setPlaceholderText(qs(QuickReplyEditorModel::titlePlaceholder));
    layout->addWidget(title_);
    connect(title_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setTitle(str(text)); });

    layout->addWidget(PageKit::heading(QuickReplyEditorModel::triggerLabel));
    trigger_ = new QLineEdit();
    trigger_->setObjectName("trigger");
    trigger_->setPlaceholderText(qs(QuickReplyEditorModel::triggerPlaceholder));
    layout->addWidget(trigger_);
    connect(trigger_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setTrigger(str(text)); });
    codeStatus_ = new QLabel();
    codeStatus_->setObjectName("codeStatus");
    codeStatus_->setWordWrap(true);
    layout->addWidget(codeStatus_);

    layout->addWidget(PageKit::heading(QuickReplyEditorModel::contentHeading));
    layout->addWidget(PageKit::note(QuickReplyEditorModel::contentNote));
    auto* textHeader = new QHBoxLayout();
    textHeader->addWidget(new QLabel(qs(QuickReplyEditorModel::textLabel)));
    textHeader->addStretch(1);
    count_ = PageKit::note("");
    count_->setObjectName("count");
    textHeader->addWidget(count_);
    layout->addLayout(textHeader);
    text_ = new QPlainTextEdit();
    text_->setObjectName("text");
    layout->addWidget(text_, 1);
    connect(text_, &QPlainTextEdit::textChanged, this, [this] {
        const std::string text = str(text_->toPlainText());
        if (model_.reply() && model_.reply()->text != text) {
            model_.setText(text);
        }
    });

    auto* templateRow = new QHBoxLayout();
    templateLine_ = PageKit::note("");
    templateLine_->setObjectName("templateLine");
    templateRow->addWidget(templateLine_, 1);
    trial_ = PageKit::button(QuickReplyEditorModel::trialTitle);
    trial_->setObjectName("trial");
    templateRow->addWidget(trial_);
    layout->addLayout(templateRow);
    connect(trial_, &QPushButton::clicked, this, [this] { model_.startTrial(); });
    copied_ = PageKit::note(QuickReplyEditorModel::copiedNote);
    copied_->setObjectName("copied");
    layout->addWidget(copied_);

    refresher_ = new PageKit::DeferredRefresh(this, [this] { refresh(); });
    connection_ = model_.observe([this] { refresher_->request(); });
    storeConnection_ = store.observe([this] { refresher_->request(); });
    refresh();
}

void QuickReplyEditorView::focusTitle() {
    focusAndSelect(*title_);
}

void QuickReplyEditorView::refresh() {
    const snippets::Snippet* reply = model_.reply();
    if (reply == nullptr) {
        setEnabled(false);
        return;
    }
    PageKit::syncText(*title_, qs(reply->title));
    PageKit::syncText(*trigger_, qs(reply->trigger));
    PageKit::syncText(*text_, qs(reply->text));
    const CodeStatus status = model_.codeStatus();
    codeStatus_->setText(status.kind == CodeStatus::Kind::valid
                             ? qs(status.text)
                             : QStringLiteral("⚠ ") + qs(status.text));
    codeStatus_->setStyleSheet(
        status.kind == CodeStatus::Kind::valid ? QString() : QStringLiteral("color: #b06000;"));
    count_->setText(qs(model_.characterCount()));
    templateLine_->setText(qs(model_.templateLine()));
    trial_->setVisible(model_.canTry());
    copied_->setVisible(model_.previewCopied());
}

// ------------------------------------------------------------------ snippets

SnippetEditorView::SnippetEditorView(snippets::SnippetStore& store, util::Uuid id,
                                     std::function<void(const util::Uuid&)> onChooseImage,
                                     std::function<void()> onDelete, std::function<void()> onOpenQR,
                                     const platform::DesktopWords& words, QWidget* parent)
    : QWidget(parent), model_(store, id, words) {
    auto* layout = new QVBoxLayout(this);
    auto* header = new QHBoxLayout();
    auto* headings = new QVBoxLayout();
    headings->addWidget(PageKit::heading(SnippetEditorModel::header));
    headings->addWidget(PageKit::note(SnippetEditorModel::autosaveNote));
    header->addLayout(headings, 1);
    auto* remove = deleteButton(SnippetEditorModel::deleteTitle, SnippetEditorModel::deleteSymbol);
    header->addWidget(remove);
    layout->addLayout(header);
    connect(remove, &QPushButton::clicked, this, [onDelete = std::move(onDelete)] {
        if (onDelete) {
            onDelete();
        }
    });

    layout->addWidget(PageKit::heading(SnippetEditorModel::titleLabel));
    title_ = new QLineEdit();
    title_->setObjectName("title");
    title_->setPlaceholderText(qs(SnippetEditorModel::titlePlaceholder));
    layout->addWidget(title_);
    connect(title_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setTitle(str(text)); });

    layout->addWidget(PageKit::heading(SnippetEditorModel::triggerLabel));
    trigger_ = new QLineEdit();
    trigger_->setObjectName("trigger");
    trigger_->setPlaceholderText(qs(SnippetEditorModel::triggerPlaceholder));
    layout->addWidget(trigger_);
    layout->addWidget(PageKit::note(SnippetEditorModel::triggerNote));
    connect(trigger_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setTrigger(str(text)); });

    layout->addWidget(PageKit::heading(SnippetEditorModel::hotkeyLabel));
    hotkey_ = new QComboBox();
    hotkey_->setObjectName("hotkey");
    for (const workspace::HotkeyChoice& choice : model_.hotkeyChoices()) {
        hotkey_->addItem(qs(choice.title));
    }
    layout->addWidget(hotkey_, 0, Qt::AlignLeft);
    connect(hotkey_, &QComboBox::activated, this, [this](int index) {
        model_.setHotkeySlot(model_.hotkeyChoices().at(static_cast<std::size_t>(index)).slot);
    });

    dynamicQR_ = new QCheckBox(qs(SnippetEditorModel::qrToggleTitle));
    dynamicQR_->setObjectName("dynamicQR");
    layout->addWidget(dynamicQR_);
    connect(dynamicQR_, &QCheckBox::clicked, this, [this](bool on) { model_.setDynamicQR(on); });
    qrSetup_ = new QWidget();
    auto* qrLayout = new QHBoxLayout(qrSetup_);
    qrLayout->setContentsMargins(0, 0, 0, 0);
    qrLayout->addWidget(PageKit::note(SnippetEditorModel::qrNote), 1);
    auto* setup = PageKit::button(SnippetEditorModel::qrSetupTitle);
    qrLayout->addWidget(setup);
    layout->addWidget(qrSetup_);
    connect(setup, &QPushButton::clicked, this, [onOpenQR = std::move(onOpenQR)] {
        if (onOpenQR) {
            onOpenQR();
        }
    });

    layout->addWidget(PageKit::heading(SnippetEditorModel::textLabel));
    text_ = new QPlainTextEdit();
    text_->setObjectName("text");
    layout->addWidget(text_, 1);
    layout->addWidget(PageKit::note(SnippetEditorModel::textNote));
    connect(text_, &QPlainTextEdit::textChanged, this, [this] {
        const std::string text = str(text_->toPlainText());
        if (model_.snippet() && model_.snippet()->text != text) {
            model_.setText(text);
        }
    });

    auto* imageRow = new QHBoxLayout();
    imageLabel_ = new QLabel();
    imageLabel_->setObjectName("imageLabel");
    imageRow->addWidget(imageLabel_);
    preview_ = new QLabel();
    preview_->setFixedSize(96, 96);
    preview_->setScaledContents(false);
    imageRow->addWidget(preview_);
    removeImage_ = PageKit::button(SnippetEditorModel::removeImageTitle);
    imageRow->addWidget(removeImage_);
    auto* choose = PageKit::button(SnippetEditorModel::chooseImageTitle);
    choose->setObjectName("chooseImage");
    imageRow->addWidget(choose);
    imageRow->addStretch(1);
    layout->addLayout(imageRow);
    connect(removeImage_, &QPushButton::clicked, this, [this] { model_.removeImage(); });
    connect(choose, &QPushButton::clicked, this, [this, onChooseImage = std::move(onChooseImage)] {
        if (onChooseImage) {
            onChooseImage(model_.id());
        }
    });

    refresher_ = new PageKit::DeferredRefresh(this, [this] { refresh(); });
    storeConnection_ = store.observe([this] { refresher_->request(); });
    refresh();
}

void SnippetEditorView::focusTitle() {
    focusAndSelect(*title_);
}

void SnippetEditorView::refresh() {
    const snippets::Snippet* snippet = model_.snippet();
    if (snippet == nullptr) {
        setEnabled(false);
        return;
    }
    PageKit::syncText(*title_, qs(snippet->title));
    PageKit::syncText(*trigger_, qs(snippet->trigger));
    PageKit::syncText(*text_, qs(snippet->text));
    const int index = hotkey_->findText(qs(model_.hotkeyTitle()));
    if (index >= 0) {
        hotkey_->setCurrentIndex(index);
    } else {
        // A slot outside the picker's range, set by hand in the file.
        hotkey_->setCurrentIndex(-1);
    }
    dynamicQR_->setChecked(model_.dynamicQR());
    qrSetup_->setVisible(model_.showsQRSetup());
    const bool hasImage = model_.hasImage();
    imageLabel_->setText(
        qs(hasImage ? SnippetEditorModel::savedImageLabel : SnippetEditorModel::noImageLabel));
    removeImage_->setVisible(hasImage);
    QPixmap pixmap;
    if (const auto path = model_.imagePath()) {
        pixmap.load(QString::fromStdString(path->string()));
    }
    preview_->setPixmap(pixmap.isNull() ? QPixmap()
                                        : pixmap.scaled(preview_->size(), Qt::KeepAspectRatio,
                                                        Qt::SmoothTransformation));
    preview_->setVisible(hasImage);
}

}  // namespace halvora::ui
