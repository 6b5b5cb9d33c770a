#include "ui/pages/SnippetListPages.h"

#include "ui/Symbols.h"
#include "ui/pages/EditorViews.h"
#include "ui/pages/PageKit.h"
#include "ui/pages/SnippetRows.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

namespace halvora::ui {

using workspace::QuickRepliesViewModel;
using workspace::SnippetDetail;
using workspace::SnippetsViewModel;

namespace {

/// The search field and the list beneath it, with the empty-list text
/// standing in for the list.
QWidget* listColumn(std::string_view placeholder, QLineEdit*& search, QListWidget*& list,
                    QLabel*& empty) {
    auto* column = new QWidget();
    column->setMinimumWidth(200);
    column->setMaximumWidth(280);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    search = new QLineEdit();
    search->setObjectName("search");
    search->setPlaceholderText(qs(placeholder));
    search->setClearButtonEnabled(true);
    layout->addWidget(search);
    list = SnippetRows::makeList();
    list->setObjectName("list");
    layout->addWidget(list, 1);
    empty = PageKit::note("");
    empty->setObjectName("emptyList");
    empty->setAlignment(Qt::AlignCenter);
    layout->addWidget(empty, 1);
    return column;
}

/// The symbol, title and text of the empty detail with its add button.
QWidget* emptyDetail(std::string_view symbol, std::string_view title, std::string_view hint,
                     QPushButton*& add, std::string_view addTitle) {
    auto* widget = new QWidget();
    auto* layout = new QVBoxLayout(widget);
    layout->addStretch(1);
    auto* icon = new QLabel();
    icon->setObjectName("emptySymbol");
    icon->setPixmap(
        symbolPixmap(qs(symbol), 44, QApplication::palette().color(QPalette::PlaceholderText)));
    icon->setProperty("symbol", qs(symbol));
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(PageKit::heading(title), 0, Qt::AlignHCenter);
    auto* text = PageKit::note(hint);
    text->setAlignment(Qt::AlignHCenter);
    layout->addWidget(text);
    add = PageKit::button(addTitle, true);
    add->setObjectName("emptyAdd");
    layout->addWidget(add, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return widget;
}

/// The editor, which puts the cursor in its title once it is on screen
/// when `focus` is true.
template <typename Editor>
QWidget* withTitleFocus(Editor* editor, bool focus) {
    if (focus) {
        QTimer::singleShot(0, editor, [editor] { editor->focusTitle(); });
    }
    return editor;
}

/// Swaps the detail's editor when the selection moved to another item.
template <typename MakeEditor>
void showEditor(QStackedWidget& detail, QWidget*& editor, std::optional<util::Uuid>& editorID,
                const std::optional<util::Uuid>& wanted, MakeEditor makeEditor) {
    if (editorID == wanted && (editor != nullptr) == wanted.has_value()) {
        return;
    }
    // The empty detail is the first widget; the editor, in the area that
    // scrolls it in a small window, the second.
    if (editor != nullptr) {
        QWidget* frame = detail.widget(1);
        detail.removeWidget(frame);
        frame->deleteLater();
        editor = nullptr;
    }
    editorID = wanted;
    if (wanted) {
        editor = makeEditor(*wanted);
        detail.addWidget(PageKit::scrolling(editor));
        detail.setCurrentIndex(1);
    } else {
        detail.setCurrentIndex(0);
    }
}

}  // namespace

// ------------------------------------------------------------------ snippets

SnippetsPageView::SnippetsPageView(snippets::SnippetStore& store,
                                   const input::KeyboardController& keyboard,
                                   snippets::WorkspaceNavigation& navigation,
                                   platform::Alerts& alerts, platform::Pasteboard& pasteboard,
                                   snippets::PanelHost& panels, const platform::DesktopWords& words,
                                   QWidget* parent)
    : QWidget(parent),
      store_(store),
      pasteboard_(pasteboard),
      panels_(panels),
      words_(words),
      model_(store, keyboard, navigation, alerts) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    auto* header = new QHBoxLayout();
    auto* headings = new QVBoxLayout();
    headings->addWidget(PageKit::title(SnippetsViewModel::title));
    headings->addWidget(PageKit::note(SnippetsViewModel::subtitle));
    header->addLayout(headings, 1);
    auto* add = PageKit::button("+ " + std::string(SnippetsViewModel::addMenuTitle), true);
    add->setObjectName("add");
    auto* menu = new QMenu(add);
    menu->addAction(qs(SnippetsViewModel::addQuickReplyTitle), this,
                    [this] { model_.addQuickReply(); });
    menu->addAction(qs(SnippetsViewModel::addSnippetTitle), this, [this] { model_.addSnippet(); });
    add->setMenu(menu);
    header->addWidget(add, 0, Qt::AlignTop);
    layout->addLayout(header);

    auto* body = new QHBoxLayout();
    body->addWidget(listColumn(SnippetsViewModel::searchPlaceholder, search_, list_, emptyList_));
    detail_ = new QStackedWidget();
    QPushButton* emptyAdd = nullptr;
    detail_->addWidget(emptyDetail(
        SnippetsViewModel::emptyDetailSymbol, SnippetsViewModel::emptyDetailTitle,
        SnippetsViewModel::emptyDetailHint, emptyAdd, SnippetsViewModel::emptyDetailButton));
    body->addWidget(detail_, 1);
    layout->addLayout(body, 1);

    connect(emptyAdd, &QPushButton::clicked, this, [this] { model_.addSnippet(); });
    connect(search_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setSearchText(str(text)); });
    connect(list_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { model_.select(SnippetRows::idOf(item)); });

    refresher_ = new PageKit::DeferredRefresh(this, [this] { refresh(); });
    connection_ = model_.observe([this] { refresher_->request(); });
    refresh();
}

void SnippetsPageView::refresh() {
    PageKit::syncText(*search_, qs(model_.searchText()));
    std::vector<SnippetRows::Row> rows;
    for (const snippets::Snippet& snippet : model_.filteredSnippets()) {
        rows.push_back({.id = snippet.id,
                        .symbol = qs(SnippetsViewModel::rowSymbol(snippet)),
                        .title = qs(SnippetsViewModel::rowTitle(snippet)),
                        .code = qs(SnippetsViewModel::rowCode(snippet))});
    }
    SnippetRows::show(*list_, rows, model_.selectedSnippetID());
    list_->setVisible(!rows.empty());
    emptyList_->setText(qs(model_.emptyText()));
    emptyList_->setVisible(rows.empty());

    const SnippetDetail detail = model_.detail();
    const std::optional<util::Uuid> wanted =
        detail == SnippetDetail::empty ? std::nullopt : model_.selectedSnippetID();
    showEditor(*detail_, editor_, editorID_, wanted, [this, detail](const util::Uuid& id) {
        const auto onDelete = [this, id] { model_.requestDelete(id); };
        const bool focusTitle = model_.takeTitleFocus(id);
        if (detail == SnippetDetail::quickReplyEditor) {
            auto* editor = new QuickReplyEditorView(store_, id, pasteboard_, panels_, onDelete);
            return withTitleFocus(editor, focusTitle);
        }
        auto* editor = new SnippetEditorView(
            store_, id, [this](const util::Uuid& target) { chooseImage(target); }, onDelete,
            [this] { model_.openQRSetup(); }, words_);
        return withTitleFocus(editor, focusTitle);
    });
}

void SnippetsPageView::chooseImage(const util::Uuid& id) {
    QStringList patterns;
    for (const std::string& extension : SnippetsViewModel::imageExtensions()) {
        patterns << QStringLiteral("*.") + QString::fromStdString(extension)
                 << QStringLiteral("*.") + QString::fromStdString(extension).toUpper();
    }
    const QString file = QFileDialog::getOpenFileName(
        this, qs(workspace::SnippetEditorModel::chooseImageTitle), QString(),
        QStringLiteral("Ảnh (") + patterns.join(QLatin1Char(' ')) + QStringLiteral(")"));
    if (!file.isEmpty()) {
        model_.chooseImage(id, file.toStdString());
    }
}

void SnippetsPageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_.appear();
}

// ------------------------------------------------------------- quick replies

QuickRepliesPageView::QuickRepliesPageView(snippets::SnippetStore& store, platform::Alerts& alerts,
                                           platform::Pasteboard& pasteboard,
                                           snippets::PanelHost& panels, QWidget* parent)
    : QWidget(parent),
      store_(store),
      pasteboard_(pasteboard),
      panels_(panels),
      model_(store, alerts) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    auto* header = new QHBoxLayout();
    auto* headings = new QVBoxLayout();
    headings->addWidget(PageKit::title(QuickRepliesViewModel::title));
    headings->addWidget(PageKit::note(QuickRepliesViewModel::subtitle));
    header->addLayout(headings, 1);
    auto* add = PageKit::button("+ " + std::string(QuickRepliesViewModel::addTitle), true);
    add->setObjectName("add");
    header->addWidget(add, 0, Qt::AlignTop);
    layout->addLayout(header);

    auto* body = new QHBoxLayout();
    body->addWidget(
        listColumn(QuickRepliesViewModel::searchPlaceholder, search_, list_, emptyList_));
    detail_ = new QStackedWidget();
    QPushButton* emptyAdd = nullptr;
    detail_->addWidget(emptyDetail(
        QuickRepliesViewModel::emptyDetailSymbol, QuickRepliesViewModel::emptyDetailTitle,
        QuickRepliesViewModel::emptyDetailHint, emptyAdd, QuickRepliesViewModel::addTitle));
    body->addWidget(detail_, 1);
    layout->addLayout(body, 1);

    connect(add, &QPushButton::clicked, this, [this] { model_.add(); });
    connect(emptyAdd, &QPushButton::clicked, this, [this] { model_.add(); });
    connect(search_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setSearchText(str(text)); });
    connect(list_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { model_.select(SnippetRows::idOf(item)); });

    refresher_ = new PageKit::DeferredRefresh(this, [this] { refresh(); });
    connection_ = model_.observe([this] { refresher_->request(); });
    refresh();
}

void QuickRepliesPageView::refresh() {
    PageKit::syncText(*search_, qs(model_.searchText()));
    std::vector<SnippetRows::Row> rows;
    for (const snippets::Snippet& reply : model_.filteredReplies()) {
        rows.push_back({.id = reply.id,
                        .title = qs(QuickRepliesViewModel::rowTitle(reply)),
                        .code = qs(QuickRepliesViewModel::rowCode(reply)),
                        .text = qs(QuickRepliesViewModel::rowPreview(reply))});
    }
    SnippetRows::show(*list_, rows, model_.selectedID());
    list_->setVisible(!rows.empty());
    emptyList_->setText(qs(model_.emptyText()));
    emptyList_->setVisible(rows.empty());

    const std::optional<util::Uuid> wanted =
        model_.selectedReply() ? model_.selectedID() : std::nullopt;
    showEditor(*detail_, editor_, editorID_, wanted, [this](const util::Uuid& id) {
        auto* editor = new QuickReplyEditorView(store_, id, pasteboard_, panels_,
                                                [this, id] { model_.requestDelete(id); });
        return withTitleFocus(editor, model_.takeTitleFocus(id));
    });
}

void QuickRepliesPageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_.appear();
}

}  // namespace halvora::ui
