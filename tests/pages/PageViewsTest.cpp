// Smoke tests of the page views: each is built over its model, shows the
// model's state and passes the user's actions on.

#include "UnsavableDefaults.h"
#include "WorkspaceFixture.h"
#include "ui/SnippetRowDelegate.h"
#include "ui/Symbols.h"
#include "ui/pages/AboutPageView.h"
#include "ui/pages/BackupPageView.h"
#include "ui/pages/CustomerQRPageView.h"
#include "ui/pages/EditorViews.h"
#include "ui/pages/SettingsPageView.h"
#include "ui/pages/SnippetListPages.h"
#include "ui/pages/TextToolsPageView.h"
#include "ui/pages/WorkspacePages.h"

#include <QtTest/qtestspontaneevent.h>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace halvora::ui {
namespace {

/// Runs deferred refreshes and deletions.
void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

template <typename T>
T* child(const QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QAbstractButton* buttonTitled(const QWidget& parent, const QString& title) {
    for (QAbstractButton* button : parent.findChildren<QAbstractButton*>()) {
        if (button->text() == title) {
            return button;
        }
    }
    ADD_FAILURE() << title.toStdString();
    return nullptr;
}

class PageViewsTest : public workspace::testing::WorkspaceFixture {};

TEST_F(PageViewsTest, TextTools) {
    TextToolsPageView view(desktop_.userDefaults(), desktop_.pasteboard(), platform_.words);
    auto* copy = child<QPushButton>(view, "copy");
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_EQ(child<QPlainTextEdit>(view, "result")->placeholderText(), "Kết quả sẽ hiện ở đây.");

    child<QPlainTextEdit>(view, "input")->setPlainText("Đà Nẵng");
    settle();
    EXPECT_EQ(child<QPlainTextEdit>(view, "result")->toPlainText(), "ĐÀ NẴNG");
    buttonTitled(view, "Bỏ dấu")->click();
    settle();
    EXPECT_EQ(desktop_.userDefaults().stringValue("textTools.operation"), "Bỏ dấu");
    EXPECT_EQ(child<QPlainTextEdit>(view, "result")->toPlainText(), "Da Nang");

    ASSERT_TRUE(copy->isEnabled());
    copy->click();
    settle();
    EXPECT_EQ(desktop_.pasteboard().string(), "Da Nang");
    EXPECT_EQ(child<QLabel>(view, "message")->text(), "Đã sao chép. Anh có thể dán bằng ⌘V.");
}

TEST_F(PageViewsTest, About) {
    AboutPageView view(desktop_, platform_.words);
    EXPECT_EQ(child<QLabel>(view, "version")->text().toStdString(),
              workspace::AboutViewModel::versionLine());
    child<QPushButton>(view, "support")->click();
    EXPECT_EQ(desktop_.openedUrls(),
              std::vector<std::string>{std::string(workspace::AboutViewModel::supportURL())});
}

TEST_F(PageViewsTest, Backup) {
    addSnippet("Một", "mot");
    BackupPageView view(store_, desktop_.userDefaults(), desktop_, desktop_.alerts(),
                        desktop_.imageCodec());
    EXPECT_EQ(child<QLabel>(view, "count")->text(), "1 mẫu · Tự động lưu khi chỉnh sửa");
    auto* path = child<QLabel>(view, "path");
    EXPECT_TRUE(path->isHidden());
    child<QPushButton>(view, "location")->click();
    settle();
    EXPECT_FALSE(path->isHidden());
    EXPECT_EQ(child<QPushButton>(view, "location")->text(), "Ẩn đường dẫn");

    child<QPushButton>(view, "saveNow")->click();
    settle();
    auto* status = child<QLabel>(view, "status");
    EXPECT_FALSE(status->isHidden());
    EXPECT_TRUE(status->text().endsWith("Đã lưu 1 mẫu vào thư mục dữ liệu."));
}

TEST_F(PageViewsTest, Settings) {
    SettingsPageView view(keyboard_, store_, platform_);
    view.show();
    settle();
    EXPECT_FALSE(child<QLabel>(view, "noModes")->isHidden());
    EXPECT_EQ(child<QLabel>(view, "modeCount")->text(), "0 app");

    buttonTitled(view, "VNI")->click();
    EXPECT_EQ(keyboard_.method(), engine::InputMethod::vni);
    buttonTitled(view, "Kiểu cũ")->click();
    EXPECT_EQ(desktop_.userDefaults().boolValue("modernTone"), false);

    child<QCheckBox>(view, "launchAtLogin")->click();
    settle();
    EXPECT_EQ(desktop_.loginItems().status(), platform::LoginItemStatus::enabled);
    EXPECT_TRUE(child<QCheckBox>(view, "launchAtLogin")->isChecked());

    desktop_.launch("Terminal", "org.gnome.Terminal");
    desktop_.userDefaults().set("mode.org.gnome.Terminal", false);
    view.model().refreshRememberedModes();
    settle();
    EXPECT_EQ(child<QLabel>(view, "modeCount")->text(), "1 app");
    // The application's name, with its identifier at hand.
    EXPECT_EQ(child<QLabel>(view, "applicationName")->text(), "Terminal");
    EXPECT_EQ(child<QLabel>(view, "applicationName")->toolTip(), "org.gnome.Terminal");
    buttonTitled(view, "Đặt lại")->click();
    settle();
    EXPECT_FALSE(desktop_.userDefaults().object("mode.org.gnome.Terminal").has_value());
    EXPECT_EQ(child<QLabel>(view, "modeCount")->text(), "0 app");
}

TEST_F(PageViewsTest, CustomerQR) {
    std::vector<util::Uuid> edited;
    CustomerQRPageView view(store_, desktop_.userDefaults(),
                            [&](const util::Uuid& id) { edited.push_back(id); });
    auto* configured = child<QLabel>(view, "configured");
    EXPECT_TRUE(configured->isHidden());
    const std::pair<const char*, const char*> typed[] = {
        {"qr.bankID", "VCB"}, {"qr.accountNumber", "0123"}, {"qr.accountName", "A"}};
    for (const auto& [key, text] : typed) {
        QTest::keyClicks(child<QLineEdit>(view, key), text);
        EXPECT_EQ(desktop_.userDefaults().stringValue(key), text);
    }
    settle();
    EXPECT_FALSE(configured->isHidden());

    EXPECT_TRUE(child<QLineEdit>(view, "qr.defaultMemo")->parentWidget()->isHidden());
    child<QCheckBox>(view, "randomMemo")->click();
    settle();
    EXPECT_FALSE(child<QLineEdit>(view, "qr.defaultMemo")->parentWidget()->isHidden());

    child<QPushButton>(view, "add")->click();
    settle();
    ASSERT_EQ(store_.snippets().size(), 1u);
    EXPECT_EQ(store_.snippets()[0].trigger, ";vcbq");
    EXPECT_EQ(edited, std::vector<util::Uuid>{store_.snippets()[0].id});
}

TEST_F(PageViewsTest, CustomerQRSaysWhenAChangeIsNotSaved) {
    halvora::testing::UnsavableDefaults unsavable(desktop_.userDefaults());
    CustomerQRPageView view(store_, unsavable, {});
    auto* error = child<QLabel>(view, "saveError");
    auto* bank = child<QLineEdit>(view, "qr.bankID");
    EXPECT_TRUE(error->isHidden());
    QTest::keyClicks(bank, "VCB");
    settle();
    EXPECT_FALSE(error->isHidden());
    EXPECT_TRUE(error->text().contains(
        QString::fromUtf8(workspace::CustomerQRViewModel::saveFailedText.data(),
                          workspace::CustomerQRViewModel::saveFailedText.size())));
    EXPECT_EQ(bank->text(), "VCB") << "what was typed stays in the field";
    EXPECT_FALSE(bank->styleSheet().isEmpty()) << "and is marked unsaved";
    EXPECT_EQ(desktop_.userDefaults().stringValue("qr.bankID"), std::nullopt);

    unsavable.failing = false;
    QTest::keyClicks(bank, "X");
    settle();
    EXPECT_TRUE(error->isHidden());
    EXPECT_TRUE(bank->styleSheet().isEmpty());
    EXPECT_EQ(desktop_.userDefaults().stringValue("qr.bankID"), "VCBX");
}

TEST_F(PageViewsTest, SnippetsPageShowsTheRightEditorAndDeletes) {
    const util::Uuid plain = addSnippet("Chuyển khoản", "ck", "Số tài khoản");
    const util::Uuid reply = addSnippet("Báo giá", ";tl1", "Giá {gia}", true);
    snippets::WorkspaceNavigation navigation;
    SnippetsPageView view(store_, keyboard_, navigation, desktop_.alerts(), desktop_.pasteboard(),
                          panels_, platform_.words);
    view.show();
    settle();
    EXPECT_EQ(view.model().selectedSnippetID(), plain);
    ASSERT_NE(dynamic_cast<SnippetEditorView*>(view.editor()), nullptr);

    QTest::keyClicks(child<QLineEdit>(*view.editor(), "title"), " nhanh");
    EXPECT_EQ(store_.find(plain)->title, "Chuyển khoản nhanh");

    auto* list = child<QListWidget>(view, "list");
    ASSERT_EQ(list->count(), 2);
    list->setCurrentRow(1);
    settle();
    EXPECT_EQ(view.model().selectedSnippetID(), reply);
    ASSERT_NE(dynamic_cast<QuickReplyEditorView*>(view.editor()), nullptr);
    EXPECT_EQ(child<QLabel>(*view.editor(), "templateLine")->text(),
              "Khi dùng mã này, Halvora sẽ hỏi: Giá. Không tự gửi tin nhắn.");

    QTest::keyClicks(child<QLineEdit>(view, "search"), "zzz");
    settle();
    EXPECT_TRUE(list->isHidden());
    EXPECT_EQ(child<QLabel>(view, "emptyList")->text(), "Không tìm thấy mục nào");
    EXPECT_EQ(view.editor(), nullptr);

    view.model().setSearchText("");
    view.model().select(plain);
    settle();
    desktop_.alerts().scriptAnswer(0);
    child<QPushButton>(*view.editor(), "delete")->click();
    settle();
    EXPECT_EQ(store_.find(plain), nullptr);
    EXPECT_EQ(view.model().selectedSnippetID(), reply);
}

TEST_F(PageViewsTest, QuickRepliesPageAddsAndValidates) {
    QuickRepliesPageView view(store_, desktop_.alerts(), desktop_.pasteboard(), panels_);
    view.show();
    settle();
    EXPECT_EQ(view.editor(), nullptr);
    EXPECT_EQ(child<QLabel>(view, "emptyList")->text(), "Chưa có câu trả lời");

    child<QPushButton>(view, "add")->click();
    settle();
    ASSERT_EQ(store_.snippets().size(), 1u);
    EXPECT_EQ(store_.snippets()[0].trigger, ";tl1");
    ASSERT_NE(view.editor(), nullptr);
    EXPECT_EQ(child<QLabel>(*view.editor(), "codeStatus")->text(),
              "Trong ô chat, gõ ;tl1 rồi nhấn Space.");

    QLineEdit* trigger = child<QLineEdit>(*view.editor(), "trigger");
    trigger->clear();
    QTest::keyClicks(trigger, "tl 1");
    settle();
    EXPECT_EQ(store_.snippets()[0].trigger, "tl 1");
    EXPECT_TRUE(child<QLabel>(*view.editor(), "codeStatus")
                    ->text()
                    .endsWith("Mã phải bắt đầu bằng ; và chỉ gồm chữ không dấu, số hoặc dấu _."));
}

TEST_F(PageViewsTest, EveryPageIsInstalledAndTheQRPageOpensSnippets) {
    const util::Uuid qr = addSnippet("QR", "vcbq");
    store_.update(qr, [](snippets::Snippet& s) { s.dynamicQR = true; });
    snippets::WorkspaceNavigation navigation;
    std::map<snippets::WorkspacePage, std::unique_ptr<QWidget>> pages;
    installWorkspacePages(
        [&](snippets::WorkspacePage page, QWidget* widget) { pages[page].reset(widget); }, store_,
        keyboard_, navigation, platform_, panels_);
    ASSERT_EQ(pages.size(), snippets::allWorkspacePages.size());

    navigation.setPage(snippets::WorkspacePage::qr);
    auto* snippetsPage =
        dynamic_cast<SnippetsPageView*>(pages[snippets::WorkspacePage::snippets].get());
    ASSERT_NE(snippetsPage, nullptr);
    snippetsPage->model().setSearchText("zzz");
    auto* qrRows = child<QListWidget>(*pages[snippets::WorkspacePage::qr], "qrSnippets");
    ASSERT_EQ(qrRows->count(), 1);
    Q_EMIT qrRows->itemClicked(qrRows->item(0));
    EXPECT_EQ(navigation.page(), snippets::WorkspacePage::snippets);
    EXPECT_EQ(snippetsPage->model().selectedSnippetID(), qr);
    EXPECT_EQ(snippetsPage->model().searchText(), "");
}

/// The data a list row is drawn from.
struct ShownRow {
    QVariant symbol;
    QString title;
    QString code;
    QVariant text;
    QVariant accessory;
};

ShownRow shownRow(const QListWidget& list, int row) {
    const QListWidgetItem* item = list.item(row);
    return {item->data(SnippetRowDelegate::symbolRole),
            item->data(SnippetRowDelegate::titleRole).toString(),
            item->data(SnippetRowDelegate::codeRole).toString(),
            item->data(SnippetRowDelegate::textRole),
            item->data(SnippetRowDelegate::accessoryRole)};
}

TEST_F(PageViewsTest, RowsShowTheKindSymbolTheTitleAndTheCodeBelow) {
    addSnippet("Chào", "chao", "Dạ em chào");
    const util::Uuid image = addSnippet("Bảng size", ";size");
    store_.update(image, [](snippets::Snippet& s) { s.imageFilename = "size.png"; });
    const util::Uuid qr = addSnippet("", "ck");
    store_.update(qr, [](snippets::Snippet& s) { s.dynamicQR = true; });
    addSnippet("Chốt đơn", ";chot", "Dạ {ten_khach}\nchốt nhé", true);
    addSnippet("", "");

    snippets::WorkspaceNavigation navigation;
    SnippetsPageView snippetsPage(store_, keyboard_, navigation, desktop_.alerts(),
                                  desktop_.pasteboard(), panels_, platform_.words);
    QuickRepliesPageView repliesPage(store_, desktop_.alerts(), desktop_.pasteboard(), panels_);
    CustomerQRPageView qrPage(store_, desktop_.userDefaults(), [](const util::Uuid&) {});
    settle();

    const struct {
        const QWidget* page;
        const char* list;
        int row;
        const char* symbol;  // null: none
        const char* title;
        const char* code;
        const char* text;       // null: none
        const char* accessory;  // null: none
    } cases[] = {
        {&snippetsPage, "list", 0, "text.alignleft", "Chào", ";chao", nullptr, nullptr},
        {&snippetsPage, "list", 1, "photo", "Bảng size", ";size", nullptr, nullptr},
        {&snippetsPage, "list", 2, "qrcode", "Mục chưa đặt tên", ";ck", nullptr, nullptr},
        {&snippetsPage, "list", 3, "text.alignleft", "Chốt đơn", ";chot", nullptr, nullptr},
        {&snippetsPage, "list", 4, "text.alignleft", "Mục chưa đặt tên", "Chưa có mã gõ", nullptr,
         nullptr},
        {&repliesPage, "list", 0, nullptr, "Chốt đơn", ";chot", "Dạ {ten_khach} chốt nhé", nullptr},
        {&qrPage, "qrSnippets", 0, "qrcode", "QR chuyển khoản", ";ck", nullptr, "chevron.right"},
    };
    const auto optional = [](const char* text) {
        return text == nullptr ? QVariant() : QVariant(QString::fromUtf8(text));
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " " + c.title);
        auto* list = child<QListWidget>(*c.page, c.list);
        ASSERT_GT(list->count(), c.row);
        const ShownRow row = shownRow(*list, c.row);
        EXPECT_EQ(row.symbol, optional(c.symbol));
        EXPECT_EQ(row.title, QString::fromUtf8(c.title));
        EXPECT_EQ(row.code, QString::fromUtf8(c.code));
        EXPECT_EQ(row.text, optional(c.text));
        EXPECT_EQ(row.accessory, optional(c.accessory));
        if (c.symbol != nullptr) {
            EXPECT_TRUE(hasSymbol(QString::fromUtf8(c.symbol)));
        }
        EXPECT_NE(dynamic_cast<SnippetRowDelegate*>(list->itemDelegate()), nullptr);
    }
    EXPECT_EQ(child<QListWidget>(qrPage, "qrSnippets")->count(), 1);
}

TEST_F(PageViewsTest, EmptyDetailsAndTheQRHeaderHaveTheirSymbols) {
    snippets::WorkspaceNavigation navigation;
    SnippetsPageView snippetsPage(store_, keyboard_, navigation, desktop_.alerts(),
                                  desktop_.pasteboard(), panels_, platform_.words);
    QuickRepliesPageView repliesPage(store_, desktop_.alerts(), desktop_.pasteboard(), panels_);
    CustomerQRPageView qrPage(store_, desktop_.userDefaults(), [](const util::Uuid&) {});
    const std::pair<const QWidget*, const char*> symbols[] = {
        {&snippetsPage, "text.badge.plus"}, {&repliesPage, "text.bubble"}, {&qrPage, "qrcode"}};
    for (const auto& [page, symbol] : symbols) {
        const auto* label =
            page->findChild<QLabel*>(page == &qrPage ? "headerSymbol" : "emptySymbol");
        ASSERT_NE(label, nullptr) << symbol;
        EXPECT_EQ(label->property("symbol").toString(), symbol);
        EXPECT_TRUE(hasSymbol(QString::fromUtf8(symbol)));
        EXPECT_FALSE(label->pixmap().isNull());
    }
    EXPECT_TRUE(child<QLabel>(qrPage, "noSnippets")->isVisibleTo(&qrPage));
}

TEST_F(PageViewsTest, QRRowsOpenTheirSnippetByClickAndByReturn) {
    const util::Uuid qr = addSnippet("QR", "vcbq");
    store_.update(qr, [](snippets::Snippet& s) { s.dynamicQR = true; });
    std::vector<util::Uuid> edited;
    CustomerQRPageView view(store_, desktop_.userDefaults(),
                            [&](const util::Uuid& id) { edited.push_back(id); });
    auto* rows = child<QListWidget>(view, "qrSnippets");
    ASSERT_EQ(rows->count(), 1);
    EXPECT_FALSE(child<QLabel>(view, "noSnippets")->isVisibleTo(&view));
    EXPECT_EQ(rows->height(), rows->sizeHintForRow(0)) << "every row shows, none scrolls";
    rows->setCurrentRow(0);
    QTest::keyClick(rows, Qt::Key_Return);
    EXPECT_EQ(edited, std::vector<util::Uuid>{qr});
}

TEST_F(PageViewsTest, PagesStartAsNewEachTimeTheyAreOpened) {
    SettingsPageView settings(keyboard_, store_, platform_);
    TextToolsPageView textTools(desktop_.userDefaults(), desktop_.pasteboard(), platform_.words);
    settings.show();
    textTools.show();
    settle();
    settings.model().setPage(workspace::SettingsPage::about);
    child<QPlainTextEdit>(textTools, "input")->setPlainText("Đà Nẵng");
    settle();
    child<QPushButton>(textTools, "copy")->click();
    settle();
    ASSERT_FALSE(child<QLabel>(textTools, "message")->text().isEmpty());

    // Minimised and brought back: nothing the user was doing is lost.
    for (QWidget* page : std::initializer_list<QWidget*>{&settings, &textTools}) {
        QShowEvent restored;
        QSpontaneKeyEvent::setSpontaneous(&restored);
        // As the window system delivers it (sendEvent would make it
        // not spontaneous).
        QCoreApplication::instance()->notify(page, &restored);
    }
    settle();
    EXPECT_EQ(settings.model().page(), workspace::SettingsPage::about);
    EXPECT_EQ(child<QPlainTextEdit>(textTools, "input")->toPlainText(), "Đà Nẵng");

    // Closed and opened again (from the menu or the sidebar).
    settings.hide();
    textTools.hide();
    settings.show();
    textTools.show();
    EXPECT_EQ(settings.model().page(), workspace::SettingsPage::overview) << "before it is painted";
    EXPECT_EQ(child<QStackedWidget>(settings, "subPages")->currentIndex(), 0);
    EXPECT_EQ(child<QPlainTextEdit>(textTools, "input")->toPlainText(), "");
    EXPECT_EQ(child<QLabel>(textTools, "message")->text(), "");
    EXPECT_FALSE(child<QPushButton>(textTools, "copy")->isEnabled());
}

TEST_F(PageViewsTest, AddingPutsTheCursorInTheTitle) {
    snippets::WorkspaceNavigation navigation;
    SnippetsPageView snippetsPage(store_, keyboard_, navigation, desktop_.alerts(),
                                  desktop_.pasteboard(), panels_, platform_.words);
    QuickRepliesPageView repliesPage(store_, desktop_.alerts(), desktop_.pasteboard(), panels_);
    snippetsPage.show();
    repliesPage.show();
    settle();

    auto* add = child<QPushButton>(snippetsPage, "add");
    ASSERT_NE(add->menu(), nullptr);
    for (QAction* action : add->menu()->actions()) {
        SCOPED_TRACE(action->text().toStdString());
        action->trigger();
        settle();
        ASSERT_NE(snippetsPage.editor(), nullptr);
        auto* title = child<QLineEdit>(*snippetsPage.editor(), "title");
        EXPECT_EQ(snippetsPage.focusWidget(), title);
        EXPECT_EQ(title->selectedText(), title->text()) << "typing replaces the new title";
    }
    child<QPushButton>(repliesPage, "add")->click();
    settle();
    ASSERT_NE(repliesPage.editor(), nullptr);
    EXPECT_EQ(repliesPage.focusWidget(), child<QLineEdit>(*repliesPage.editor(), "title"));

    // Choosing a row leaves the focus in the list.
    auto* list = child<QListWidget>(snippetsPage, "list");
    list->setFocus();
    list->setCurrentRow(0);
    settle();
    EXPECT_EQ(snippetsPage.focusWidget(), list);
}

TEST_F(PageViewsTest, DeleteButtonsAreDestructiveAndNeverPressedByReturn) {
    addSnippet("Chào", "chao");
    addSnippet("Chốt", ";chot", "", true);
    snippets::WorkspaceNavigation navigation;
    SnippetsPageView view(store_, keyboard_, navigation, desktop_.alerts(), desktop_.pasteboard(),
                          panels_, platform_.words);
    view.show();
    settle();
    for (int row : {0, 1}) {
        child<QListWidget>(view, "list")->setCurrentRow(row);
        settle();
        ASSERT_NE(view.editor(), nullptr);
        auto* remove = child<QPushButton>(*view.editor(), "delete");
        EXPECT_TRUE(remove->property("destructive").toBool());
        EXPECT_FALSE(remove->autoDefault());
        EXPECT_FALSE(remove->isDefault());
        EXPECT_FALSE(remove->icon().isNull()) << "the trash symbol";
    }
}

}  // namespace
}  // namespace halvora::ui
