#include "ui/pages/CustomerQRPageView.h"

#include "platform/DefaultsKeys.h"
#include "ui/HalvoraBetaStyle.h"
#include "ui/Symbols.h"
#include "ui/pages/PageKit.h"
#include "ui/pages/SnippetRows.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace halvora::ui {

using workspace::CustomerQRViewModel;

CustomerQRPageView::CustomerQRPageView(snippets::SnippetStore& store,
                                       platform::UserDefaults& defaults,
                                       CustomerQRViewModel::EditSnippet onEditSnippet,
                                       QWidget* parent)
    : QWidget(parent), model_(store, defaults, std::move(onEditSnippet)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea();
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    auto* content = new QWidget();
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(28, 24, 28, 24);

    auto* header = new QHBoxLayout();
    header->setSpacing(12);
    auto* symbol = new QLabel();
    symbol->setObjectName("headerSymbol");
    symbol->setProperty("symbol", qs(CustomerQRViewModel::symbol));
    symbol->setPixmap(
        symbolPixmap(qs(CustomerQRViewModel::symbol), 34, HalvoraBetaStyle::accent()));
    header->addWidget(symbol, 0, Qt::AlignTop);
    auto* headings = new QVBoxLayout();
    headings->addWidget(PageKit::title(CustomerQRViewModel::title));
    headings->addWidget(PageKit::note(CustomerQRViewModel::subtitle));
    header->addLayout(headings, 1);
    layout->addLayout(header);
    saveError_ = new QLabel();
    saveError_->setObjectName("saveError");
    saveError_->setWordWrap(true);
    saveError_->setStyleSheet(QStringLiteral("color: #c5221f;"));
    layout->addWidget(saveError_);

    QVBoxLayout* account = nullptr;
    layout->addWidget(PageKit::card(account));
    auto* accountHeader = new QHBoxLayout();
    accountHeader->addWidget(PageKit::heading(CustomerQRViewModel::accountCardTitle));
    accountHeader->addStretch(1);
    configured_ = new QLabel(QStringLiteral("✔ ") + qs(CustomerQRViewModel::configuredMark));
    configured_->setObjectName("configured");
    accountHeader->addWidget(configured_);
    account->addLayout(accountHeader);
    for (const workspace::QRAccountField& field : CustomerQRViewModel::accountFields) {
        account->addWidget(new QLabel(qs(field.label)));
        auto* edit = new QLineEdit();
        edit->setObjectName(qs(field.key));
        edit->setPlaceholderText(qs(field.placeholder));
        account->addWidget(edit);
        const std::string key(field.key);
        fields_.emplace(key, edit);
        connect(edit, &QLineEdit::textEdited, this,
                [this, key](const QString& text) { model_.setValue(key, str(text)); });
    }

    QVBoxLayout* memo = nullptr;
    layout->addWidget(PageKit::card(memo));
    memo->addWidget(PageKit::heading(CustomerQRViewModel::memoCardTitle));
    randomMemo_ = new QCheckBox(qs(CustomerQRViewModel::randomMemoTitle));
    randomMemo_->setObjectName("randomMemo");
    memo->addWidget(randomMemo_);
    connect(randomMemo_, &QCheckBox::clicked, this, [this](bool on) { model_.setRandomMemo(on); });
    randomNote_ = PageKit::note(CustomerQRViewModel::randomMemoNote);
    memo->addWidget(randomNote_);
    defaultMemoGroup_ = new QWidget();
    auto* defaultMemoLayout = new QVBoxLayout(defaultMemoGroup_);
    defaultMemoLayout->setContentsMargins(0, 0, 0, 0);
    defaultMemoLayout->addWidget(new QLabel(qs(CustomerQRViewModel::defaultMemoLabel)));
    defaultMemo_ = new QLineEdit();
    defaultMemo_->setObjectName("qr.defaultMemo");
    defaultMemo_->setPlaceholderText(qs(CustomerQRViewModel::defaultMemoPlaceholder));
    defaultMemoLayout->addWidget(defaultMemo_);
    defaultMemoLayout->addWidget(PageKit::note(CustomerQRViewModel::defaultMemoNote));
    memo->addWidget(defaultMemoGroup_);
    connect(defaultMemo_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setDefaultMemo(str(text)); });

    QVBoxLayout* codes = nullptr;
    layout->addWidget(PageKit::card(codes));
    codes->addWidget(PageKit::heading(CustomerQRViewModel::snippetCardTitle));
    codes->addWidget(PageKit::note(CustomerQRViewModel::snippetCardLine));
    snippets_ = SnippetRows::makeList();
    snippets_->setObjectName("qrSnippets");
    snippets_->setFrameShape(QFrame::NoFrame);
    snippets_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // On the card's colour, not the list's.
    snippets_->viewport()->setAutoFillBackground(false);
    codes->addWidget(snippets_);
    noSnippets_ = PageKit::note(CustomerQRViewModel::noSnippetsText);
    noSnippets_->setObjectName("noSnippets");
    codes->addWidget(noSnippets_);
    // A click, or Return on the highlighted row, opens the snippet.
    const auto open = [this](QListWidgetItem* item) {
        if (const auto id = SnippetRows::idOf(item)) {
            model_.editSnippet(*id);
        }
    };
    connect(snippets_, &QListWidget::itemClicked, this, open);
    connect(snippets_, &QListWidget::itemActivated, this, open);
    auto* add = PageKit::button("+ " + std::string(CustomerQRViewModel::addTitle), true);
    add->setObjectName("add");
    codes->addWidget(add, 0, Qt::AlignLeft);
    connect(add, &QPushButton::clicked, this, [this] { model_.addDynamicSnippet(); });
    enableVCBQ_ = PageKit::button(CustomerQRViewModel::enableVCBQTitle);
    enableVCBQ_->setObjectName("enableVCBQ");
    codes->addWidget(enableVCBQ_, 0, Qt::AlignLeft);
    connect(enableVCBQ_, &QPushButton::clicked, this, [this] { model_.enableExistingVCBQ(); });

    details_ = PageKit::button(CustomerQRViewModel::detailsTitle);
    details_->setFlat(true);
    layout->addWidget(details_, 0, Qt::AlignLeft);
    connect(details_, &QPushButton::clicked, this,
            [this] { model_.setShowDetails(!model_.showDetails()); });
    detailsGroup_ = new QWidget();
    auto* detailsLayout = new QVBoxLayout(detailsGroup_);
    detailsLayout->addWidget(PageKit::note(CustomerQRViewModel::detailsMemoNote));
    detailsLayout->addWidget(PageKit::note(CustomerQRViewModel::detailsPasteNote));
    privacy_ = PageKit::note("");
    detailsLayout->addWidget(privacy_);
    layout->addWidget(detailsGroup_);
    layout->addStretch(1);

    refresher_ = new PageKit::DeferredRefresh(this, [this] { refresh(); });
    connection_ = model_.observe([this] { refresher_->request(); });
    refresh();
}

void CustomerQRPageView::rebuildSnippets() {
    const std::vector<snippets::Snippet> dynamic = model_.dynamicSnippets();
    std::vector<SnippetRows::Row> rows;
    for (const snippets::Snippet& snippet : dynamic) {
        rows.push_back({.id = snippet.id,
                        .symbol = qs(CustomerQRViewModel::symbol),
                        .title = qs(CustomerQRViewModel::rowTitle(snippet)),
                        .code = qs(CustomerQRViewModel::rowCode(snippet)),
                        .accessory = qs(CustomerQRViewModel::rowChevron)});
    }
    SnippetRows::show(*snippets_, rows);
    snippets_->setFixedHeight(SnippetRows::fullHeight(*snippets_));
    snippets_->setVisible(!rows.empty());
    noSnippets_->setVisible(rows.empty());
}

void CustomerQRPageView::refresh() {
    const std::optional<std::string_view> saveError = model_.saveError();
    saveError_->setText(saveError ? QStringLiteral("⚠ ") + qs(*saveError) : QString());
    saveError_->setVisible(saveError.has_value());
    const auto markUnsaved = [this](QWidget& field, std::string_view key) {
        field.setStyleSheet(model_.isSaved(key) ? QString()
                                                : QStringLiteral("border: 1px solid #c5221f;"));
    };
    configured_->setVisible(model_.isAccountConfigured());
    for (auto& [key, edit] : fields_) {
        PageKit::syncText(*edit, qs(model_.value(key)));
        markUnsaved(*edit, key);
    }
    markUnsaved(*randomMemo_, platform::DefaultsKeys::qrRandomMemo);
    markUnsaved(*defaultMemo_, platform::DefaultsKeys::qrDefaultMemo);
    randomMemo_->setChecked(model_.randomMemo());
    randomNote_->setVisible(model_.randomMemo());
    defaultMemoGroup_->setVisible(!model_.randomMemo());
    PageKit::syncText(*defaultMemo_, qs(model_.defaultMemo()));
    rebuildSnippets();
    enableVCBQ_->setVisible(model_.canEnableExistingVCBQ());
    details_->setText((model_.showDetails() ? QStringLiteral("▾ ") : QStringLiteral("▸ ")) +
                      qs(CustomerQRViewModel::detailsTitle));
    detailsGroup_->setVisible(model_.showDetails());
    privacy_->setText(qs(model_.privacyNote()));
}

void CustomerQRPageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

}  // namespace halvora::ui
