// The prompt and the picker drawn by Qt, driven by keys and clicks.

#include "TemporaryFolder.h"
#include "platform/Log.h"
#include "platform/UnconnectedKeystrokeSource.h"
#include "platform/qt/QtWorkspace.h"
#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/SnippetPickerPanel.h"
#include "snippets/SnippetStore.h"
#include "ui/PanelWindow.h"
#include "ui/QtPanelHost.h"
#include "ui/ReplyTemplatePromptView.h"
#include "ui/SnippetPickerView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace halvora::ui {
namespace {

using snippets::Snippet;

Snippet makeSnippet(std::string title, std::string trigger, std::string text) {
    Snippet s;
    s.title = std::move(title);
    s.trigger = std::move(trigger);
    s.text = std::move(text);
    return s;
}

/// Lets deferred deletions and queued calls run.
void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
}

class PickerWindowTest : public ::testing::Test {
  protected:
    PickerWindowTest() {
        Snippet qr = makeSnippet("QR chuyển khoản", "ck", "");
        qr.dynamicQR = true;
        Snippet photo = makeSnippet("Bảng size áo", "size", "Bảng size");
        photo.imageFilename = "size.png";
        store.setSnippets({
            makeSnippet("Cảm ơn khách", "camon", "Dạ em cảm ơn anh chị đã ủng hộ shop"),
            makeSnippet("Áo thun", ";ao", "Giá 150k, freeship"),
            makeSnippet("Áo khoác", "aok", "Giá 350k\nđủ size"),
            qr,
            photo,
            makeSnippet("Trống", "trong", ""),
        });
    }

    void open() {
        picker = std::make_unique<snippets::SnippetPickerPanel>(
            store, [this](const Snippet& s) { chosen.push_back(s.title); }, [this] { ++cancels; });
        host.present(*picker);
        ASSERT_NE(host.pickerView(), nullptr);
    }

    testing::TemporaryFolder folder;
    platform::RecordingLog log;
    snippets::SnippetStore store{folder.path(), log};
    platform::UnconnectedKeystrokeSource keystrokes;
    platform::qt::QtWorkspace workspace{keystrokes, "vn.halvora.IndependentBeta"};
    QtPanelHost host{workspace};
    std::unique_ptr<snippets::SnippetPickerPanel> picker;
    std::vector<std::string> chosen;
    int cancels = 0;
};

TEST_F(PickerWindowTest, TypingArrowsAndReturnChooseTheHighlightedSnippet) {
    open();
    PanelWindow* window = host.pickerWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tìm và dán mẫu"));
    EXPECT_EQ(window->size(), QSize(650, 495));
    SnippetPickerView* view = host.pickerView();
    EXPECT_EQ(view->resultList()->count(), 5);  // the snippet without content is not listed

    QTest::keyClicks(view->searchField(), QStringLiteral("ao gia"));
    ASSERT_EQ(view->resultList()->count(), 2);
    QTest::keyClick(view->searchField(), Qt::Key_Down);
    QTest::keyClick(view->searchField(), Qt::Key_Down);  // stops at the last row
    QTest::keyClick(view->searchField(), Qt::Key_Return);

    EXPECT_EQ(chosen, std::vector<std::string>{"Áo khoác"});
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(host.pickerWindow(), nullptr);
    settle();
    EXPECT_EQ(host.pickerWindow(), nullptr);
    EXPECT_EQ(cancels, 0);  // closing after a choice is not a cancel
}

TEST_F(PickerWindowTest, RowsShowTheirSymbolKindCodeAndText) {
    open();
    QListWidget* list = host.pickerView()->resultList();
    struct Expected {
        const char* symbol;
        const char* title;
        const char* kind;
        const char* code;
    };
    const Expected expected[] = {
        {"text.bubble", "Cảm ơn khách", "Gõ tắt", ";camon"},
        {"text.bubble", "Áo thun", "Gõ tắt", ";ao"},
        {"text.bubble", "Áo khoác", "Gõ tắt", ";aok"},
        {"qrcode", "QR chuyển khoản", "QR chuyển khoản", ";ck"},
        {"photo", "Bảng size áo", "Gõ tắt", ";size"},
    };
    ASSERT_EQ(list->count(), 5);
    for (int i = 0; i < 5; ++i) {
        QListWidgetItem* item = list->item(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(item->data(Qt::UserRole + 1).toString(), QString::fromUtf8(expected[i].symbol));
        EXPECT_EQ(item->data(Qt::UserRole + 2).toString(), QString::fromUtf8(expected[i].title));
        EXPECT_EQ(item->data(Qt::UserRole + 3).toString(), QString::fromUtf8(expected[i].kind));
        EXPECT_EQ(item->data(Qt::UserRole + 4).toString(), QString::fromUtf8(expected[i].code));
        EXPECT_EQ(item->data(Qt::UserRole + 6).toBool(), i == 0);
    }
    EXPECT_EQ(list->item(2)->data(Qt::UserRole + 5).toString(), QStringLiteral("Giá 350k đủ size"));
    EXPECT_FALSE(list->item(3)->data(Qt::UserRole + 5).isValid());
}

TEST_F(PickerWindowTest, ClickingARowChoosesItAtOnce) {
    open();
    QListWidget* list = host.pickerView()->resultList();
    host.pickerWindow()->show();
    list->doItemsLayout();
    const QRect rect = list->visualItemRect(list->item(3));
    ASSERT_FALSE(rect.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(chosen, std::vector<std::string>{"QR chuyển khoản"});
    EXPECT_EQ(cancels, 0);
}

TEST_F(PickerWindowTest, EveryWayOfClosingReportsCancelOnce) {
    const std::vector<std::pair<const char*, std::function<void(QtPanelHost&)>>> ways = {
        {"Escape",
         [](QtPanelHost& h) { QTest::keyClick(h.pickerView()->searchField(), Qt::Key_Escape); }},
        {"Hủy", [](QtPanelHost& h) { h.pickerView()->cancelButton()->click(); }},
        {"close button", [](QtPanelHost& h) { h.pickerWindow()->close(); }},
    };
    for (const auto& [name, act] : ways) {
        SCOPED_TRACE(name);
        cancels = 0;
        chosen.clear();
        open();
        act(host);
        EXPECT_EQ(cancels, 1);
        EXPECT_EQ(host.pickerWindow(), nullptr);
        settle();
        EXPECT_EQ(cancels, 1);
        EXPECT_TRUE(chosen.empty());
        EXPECT_TRUE(picker->isFinished());
    }
}

TEST_F(PickerWindowTest, EmptyListsExplainThemselvesAndCannotBeChosen) {
    open();
    SnippetPickerView* view = host.pickerView();
    QTest::keyClicks(view->searchField(), QStringLiteral("zzz"));
    EXPECT_EQ(view->emptyLabel()->text(), QStringLiteral("Không tìm thấy mẫu phù hợp"));
    EXPECT_TRUE(view->emptyLabel()->isVisibleTo(host.pickerWindow()));
    EXPECT_FALSE(view->chooseButton()->isEnabled());
    QTest::keyClick(view->searchField(), Qt::Key_Return);
    EXPECT_TRUE(chosen.empty());
    EXPECT_NE(host.pickerWindow(), nullptr);

    store.setSnippets({});
    view->searchField()->clear();
    picker->setQuery("");
    EXPECT_EQ(view->emptyLabel()->text(), QStringLiteral("Chưa có mẫu để dán"));
}

TEST_F(PickerWindowTest, TheListFollowsTheStoreWhileOpen) {
    open();
    SnippetPickerView* view = host.pickerView();
    QTest::keyClick(view->searchField(), Qt::Key_Down);  // "Áo thun" highlighted
    const auto removed = store.snippets()[1].id;
    store.remove(removed);
    EXPECT_EQ(view->resultList()->count(), 4);
    // The highlight falls back to the first row.
    EXPECT_TRUE(view->resultList()->item(0)->data(Qt::UserRole + 6).toBool());
    QTest::keyClick(view->searchField(), Qt::Key_Return);
    EXPECT_EQ(chosen, std::vector<std::string>{"Cảm ơn khách"});
}

class PromptWindowTest : public ::testing::Test {
  protected:
    void open(std::string text) {
        prompt = std::make_unique<snippets::ReplyTemplatePrompt>(
            "Chốt đơn", text, snippets::ReplyTemplate::fields(text), "Điền rồi dán", "Dán vào chat",
            [this](const snippets::ReplyTemplate::FieldValues& values) {
                submitted.push_back(values);
            },
            [this] { ++cancels; });
        host.present(*prompt);
        ASSERT_NE(host.promptView(), nullptr);
    }

    platform::UnconnectedKeystrokeSource keystrokes;
    platform::qt::QtWorkspace workspace{keystrokes, "vn.halvora.IndependentBeta"};
    QtPanelHost host{workspace};
    std::unique_ptr<snippets::ReplyTemplatePrompt> prompt;
    std::vector<snippets::ReplyTemplate::FieldValues> submitted;
    int cancels = 0;
};

TEST_F(PromptWindowTest, ConfirmWaitsForEveryFieldAndSubmitsTheValuesAsTyped) {
    open("Dạ {ten_khach} ơi, cọc {so_tien_coc} nhé");
    PanelWindow* window = host.promptWindow();
    ReplyTemplatePromptView* view = host.promptView();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Điền thông tin · Chốt đơn"));
    EXPECT_EQ(window->size(), QSize(540, 406));
    QLineEdit* name = view->fieldEdit("ten_khach");
    QLineEdit* deposit = view->fieldEdit("so_tien_coc");
    ASSERT_NE(name, nullptr);
    ASSERT_NE(deposit, nullptr);
    EXPECT_EQ(deposit->placeholderText(), QStringLiteral("Nhập so tien coc"));
    EXPECT_EQ(prompt->focusedField(), std::optional<std::string>("ten_khach"));
    EXPECT_FALSE(view->submitButton()->isEnabled());

    QTest::keyClicks(name, QStringLiteral(" Lan "));
    QTest::keyClicks(deposit, QStringLiteral("   "));
    EXPECT_FALSE(view->submitButton()->isEnabled());  // blanks do not count
    EXPECT_EQ(view->previewText()->toPlainText(),
              QStringLiteral("Dạ {ten_khach} ơi, cọc {so_tien_coc} nhé"));
    QTest::keyClick(deposit, Qt::Key_Return);  // disabled: nothing happens
    EXPECT_TRUE(submitted.empty());

    QTest::keyClicks(deposit, QStringLiteral("200k"));
    EXPECT_TRUE(view->submitButton()->isEnabled());
    EXPECT_EQ(view->previewText()->toPlainText(), QStringLiteral("Dạ Lan ơi, cọc 200k nhé"));
    QTest::keyClick(deposit, Qt::Key_Return);

    ASSERT_EQ(submitted.size(), 1u);
    EXPECT_EQ(submitted[0].at("ten_khach"), " Lan ");
    EXPECT_EQ(submitted[0].at("so_tien_coc"), "   200k");
    EXPECT_EQ(host.promptWindow(), nullptr);
    settle();
    EXPECT_EQ(cancels, 0);
}

TEST_F(PromptWindowTest, EveryWayOfClosingReportsCancelOnce) {
    const std::vector<std::pair<const char*, std::function<void(QtPanelHost&)>>> ways = {
        {"Escape",
         [](QtPanelHost& h) { QTest::keyClick(h.promptView()->fieldEdit("a"), Qt::Key_Escape); }},
        {"Hủy", [](QtPanelHost& h) { h.promptView()->cancelButton()->click(); }},
        {"close button", [](QtPanelHost& h) { h.promptWindow()->close(); }},
    };
    for (const auto& [name, act] : ways) {
        SCOPED_TRACE(name);
        cancels = 0;
        open("{a} {b} {c} {d}");
        EXPECT_EQ(host.promptWindow()->height(), 502);
        act(host);
        EXPECT_EQ(cancels, 1);
        EXPECT_EQ(host.promptWindow(), nullptr);
        settle();
        EXPECT_EQ(cancels, 1);
        EXPECT_TRUE(submitted.empty());
    }
}

TEST_F(PromptWindowTest, AModelDestroyedWhileShownTakesItsWindowAway) {
    open("{x}");
    QPointer<PanelWindow> window = host.promptWindow();
    prompt.reset();
    EXPECT_EQ(host.promptWindow(), nullptr);
    settle();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(cancels, 0);
}

}  // namespace
}  // namespace halvora::ui
