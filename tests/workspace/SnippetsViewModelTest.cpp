#include "WorkspaceFixture.h"
#include "workspace/SnippetEditorModel.h"
#include "workspace/SnippetsViewModel.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/sim/SimImageCodec.h"

namespace halvora::workspace {
namespace {

using snippets::WorkspacePage;

/// Bytes that begin as a PNG file does, as an imported image must.
std::string pngBytes() {
    return std::string("\x89PNG\r\n\x1a\n", 8) + "png bytes";
}

class SnippetsViewModelTest : public testing::WorkspaceFixture {
  protected:
    snippets::WorkspaceNavigation navigation_;
    SnippetsViewModel model_{store_, keyboard_, navigation_, desktop_.alerts()};

    std::vector<std::string> filteredTitles() const {
        std::vector<std::string> titles;
        for (const auto& s : model_.filteredSnippets()) {
            titles.push_back(s.title);
        }
        return titles;
    }

    nlohmann::json savedSnippet(std::size_t index) const {
        return nlohmann::json::parse(halvora::testing::TemporaryFolder::read(store_.file()))
            .at(index);
    }
};

TEST_F(SnippetsViewModelTest, StatusLineFollowsTheController) {
    EXPECT_EQ(model_.statusLine(), "Tạm dừng · Vi · Telex");
    keyboard_.setEnabled(false);
    keyboard_.setMethod(engine::InputMethod::vni);
    EXPECT_EQ(model_.statusLine(), "Tạm dừng · En · VNI");
    desktop_.setTrusted(true);
    keyboard_.start();
    ASSERT_TRUE(keyboard_.isRunning());
    EXPECT_EQ(model_.statusLine(), "Sẵn sàng · En · VNI");
}

TEST_F(SnippetsViewModelTest, SidebarSwitchesPagesAndHighlightsTheCurrentOne) {
    // The quick-replies page has an entry between the snippets and the QR
    // account: the status menu does not lead to it.
    const std::pair<snippets::WorkspacePage, const char*> expected[] = {
        {snippets::WorkspacePage::snippets, "Mẫu trả lời"},
        {snippets::WorkspacePage::quickReplies, "Trả lời nhanh"},
        {snippets::WorkspacePage::qr, "QR chuyển khoản"},
        {snippets::WorkspacePage::textTools, "Công cụ văn bản"},
        {snippets::WorkspacePage::settings, "Cài đặt"},
    };
    ASSERT_EQ(SnippetsViewModel::sidebarItems.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(SnippetsViewModel::sidebarItems[i].page, expected[i].first);
        EXPECT_EQ(SnippetsViewModel::sidebarItems[i].title, expected[i].second);
        EXPECT_EQ(SnippetsViewModel::sidebarItems[i].atBottom, i == 4);
    }
    EXPECT_EQ(SnippetsViewModel::sidebarItems[2].symbol, "qrcode");
    int changes = 0;
    const util::Connection c = model_.observe([&] { ++changes; });
    for (const SidebarItem& item : SnippetsViewModel::sidebarItems) {
        model_.showPage(item.page);
        EXPECT_EQ(navigation_.page(), item.page);
        EXPECT_TRUE(model_.isCurrent(item));
    }
    EXPECT_FALSE(model_.isCurrent(SnippetsViewModel::sidebarItems[0]));
    EXPECT_EQ(changes, 5);
}

TEST_F(SnippetsViewModelTest, SearchMatchesTitleAndCodeIgnoringCaseButNotText) {
    addSnippet("Chuyển khoản Vietcombank", ";VCBQ", "số tài khoản");
    addSnippet("Cảm ơn", "camon", "Em cảm ơn anh");
    addSnippet("Báo giá", "", "giá sỉ", true);
    struct Case {
        const char* search;
        std::vector<std::string> titles;
    };
    const Case cases[] = {
        {"", {"Chuyển khoản Vietcombank", "Cảm ơn", "Báo giá"}},
        {"vcbq", {"Chuyển khoản Vietcombank"}},
        {"CHUYỂN", {"Chuyển khoản Vietcombank"}},
        {"tài khoản", {}},  // only in the text
        {"anh", {}},
        {"o", {"Chuyển khoản Vietcombank", "Cảm ơn", "Báo giá"}},
        {"bá", {"Báo giá"}},
        {"bao", {}},  // accents count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        model_.setSearchText(c.search);
        EXPECT_EQ(filteredTitles(), c.titles);
        EXPECT_EQ(model_.emptyText(), *c.search ? "Không tìm thấy mục nào" : "Chưa có mẫu trả lời");
    }
}

TEST_F(SnippetsViewModelTest, SelectionOnAppearanceAndWhenSearching) {
    model_.appear();
    EXPECT_EQ(model_.selectedSnippetID(), std::nullopt) << "empty store";
    EXPECT_EQ(model_.detail(), SnippetDetail::empty);

    const util::Uuid first = addSnippet("Một", "mot");
    const util::Uuid second = addSnippet("Hai", "hai");
    model_.appear();
    EXPECT_EQ(model_.selectedSnippetID(), first);
    model_.select(second);
    model_.appear();
    EXPECT_EQ(model_.selectedSnippetID(), second) << "a selection is kept";

    model_.setSearchText("ha");
    EXPECT_EQ(model_.selectedSnippetID(), second) << "still listed";
    model_.setSearchText("mo");
    EXPECT_EQ(model_.selectedSnippetID(), first) << "the first listed";
    model_.setSearchText("xyz");
    EXPECT_EQ(model_.selectedSnippetID(), std::nullopt);
    EXPECT_EQ(model_.detail(), SnippetDetail::empty);
}

TEST_F(SnippetsViewModelTest, RowsShowSymbolTitleAndCode) {
    snippets::Snippet s;
    s.title = "";
    EXPECT_EQ(SnippetsViewModel::rowTitle(s), "Mục chưa đặt tên");
    EXPECT_EQ(SnippetsViewModel::rowCode(s), "Chưa có mã gõ");
    EXPECT_EQ(SnippetsViewModel::rowSymbol(s), "text.alignleft");
    s.trigger = "ck";
    EXPECT_EQ(SnippetsViewModel::rowCode(s), ";ck");
    s.imageFilename = "a.png";
    EXPECT_EQ(SnippetsViewModel::rowSymbol(s), "photo");
    s.dynamicQR = true;
    EXPECT_EQ(SnippetsViewModel::rowSymbol(s), "qrcode");
}

TEST_F(SnippetsViewModelTest, AddingSelectsTheNewItemClearsTheSearchAndShowsThePage) {
    addSnippet("Cũ", "cu");
    struct Case {
        bool quickReply;
        const char* title;
        SnippetDetail detail;
    };
    for (const Case c : {Case{false, "Mục mới", SnippetDetail::snippetEditor},
                         Case{true, "Mẫu trả lời mới", SnippetDetail::quickReplyEditor}}) {
        SCOPED_TRACE(c.title);
        model_.setSearchText("cu");
        navigation_.setPage(WorkspacePage::qr);
        c.quickReply ? model_.addQuickReply() : model_.addSnippet();
        const snippets::Snippet& added = store_.snippets().back();
        EXPECT_EQ(added.title, c.title);
        EXPECT_EQ(added.trigger, "");
        EXPECT_EQ(added.text, "");
        EXPECT_EQ(added.quickReply, c.quickReply ? std::optional<bool>(true) : std::nullopt);
        EXPECT_EQ(added.dynamicQR, std::nullopt);
        EXPECT_EQ(added.hotkeySlot, std::nullopt);
        EXPECT_EQ(model_.selectedSnippetID(), added.id);
        EXPECT_EQ(model_.searchText(), "");
        EXPECT_EQ(navigation_.page(), WorkspacePage::snippets);
        EXPECT_EQ(model_.detail(), c.detail);
        EXPECT_EQ(savedSnippet(store_.snippets().size() - 1).at("title"), c.title)
            << "saved at once";
        EXPECT_TRUE(model_.takeTitleFocus(added.id)) << "the cursor goes to the title";
        EXPECT_FALSE(model_.takeTitleFocus(added.id)) << "once";
    }
}

TEST_F(SnippetsViewModelTest, OnlyAnAddedSnippetAsksForTheTitleFocus) {
    const util::Uuid old = addSnippet("Cũ", "cu");
    model_.select(old);
    EXPECT_FALSE(model_.takeTitleFocus(old)) << "selecting is not adding";
    model_.addSnippet();
    const util::Uuid added = store_.snippets().back().id;
    model_.select(old);
    EXPECT_FALSE(model_.takeTitleFocus(added)) << "the user moved on before the editor came";
    model_.editSnippet(added);
    EXPECT_FALSE(model_.takeTitleFocus(added)) << "opened from the QR page, not added";
}

TEST_F(SnippetsViewModelTest, EditingFromTheQRPageSelectsAndShowsTheSnippet) {
    const util::Uuid id = addSnippet("QR", "vcbq");
    model_.setSearchText("zzz");
    navigation_.setPage(WorkspacePage::qr);
    model_.editSnippet(id);
    EXPECT_EQ(model_.selectedSnippetID(), id);
    EXPECT_EQ(model_.searchText(), "");
    EXPECT_EQ(navigation_.page(), WorkspacePage::snippets);
    model_.openQRSetup();
    EXPECT_EQ(navigation_.page(), WorkspacePage::qr);
}

TEST_F(SnippetsViewModelTest, DeletionAsksFirstAndSelectsTheFirstSnippet) {
    const util::Uuid first = addSnippet("Một", "mot");
    const util::Uuid second = addSnippet("Hai", "hai");
    model_.select(second);

    desktop_.alerts().scriptAnswer(1);  // "Hủy"
    model_.requestDelete(second);
    ASSERT_EQ(desktop_.alerts().shown().size(), 1u);
    const platform::Alert& question = desktop_.alerts().shown()[0];
    EXPECT_EQ(question.message, "Xóa mục gõ tắt này?");
    EXPECT_EQ(question.informativeText, "Nội dung đã lưu của mục sẽ bị xóa khỏi danh sách.");
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Xóa mục", "Hủy"}));
    EXPECT_EQ(question.destructiveButtons, std::vector<std::size_t>{0}) << "Return never deletes";
    EXPECT_EQ(store_.snippets().size(), 2u);
    EXPECT_EQ(model_.deletionID(), std::nullopt);
    EXPECT_EQ(model_.selectedSnippetID(), second);

    desktop_.alerts().scriptAnswer(0);
    model_.requestDelete(second);
    ASSERT_EQ(store_.snippets().size(), 1u);
    EXPECT_EQ(model_.selectedSnippetID(), first);
    EXPECT_EQ(model_.deletionID(), std::nullopt);

    desktop_.alerts().scriptAnswer(0);
    model_.requestDelete(first);
    EXPECT_TRUE(store_.snippets().empty());
    EXPECT_EQ(model_.selectedSnippetID(), std::nullopt);
    EXPECT_EQ(model_.detail(), SnippetDetail::empty) << "deleting the last leaves the empty detail";
}

TEST_F(SnippetsViewModelTest, DeletionKeepsTheImageFile) {
    const util::Uuid id = addSnippet("Ảnh", "anh");
    halvora::testing::TemporaryFolder::write(folder_ / "photo.png", pngBytes());
    ASSERT_TRUE(model_.chooseImage(id, folder_ / "photo.png"));
    const std::filesystem::path image = *store_.imagePath(*store_.find(id));
    model_.requestDelete(id);
    EXPECT_TRUE(store_.snippets().empty());
    EXPECT_TRUE(std::filesystem::exists(image));
}

TEST_F(SnippetsViewModelTest, ChoosingAnImage) {
    const util::Uuid id = addSnippet("Ảnh", "anh");
    struct Case {
        const char* name;
        bool taken;
        const char* format;  // what the content begins as
    };
    const Case cases[] = {
        {"a.png", true, "PNG"},   {"b.JPG", true, "JPEG"},    {"c.jpeg", true, "JPEG"},
        {"d.heic", true, "HEIC"}, {"e.tiff", true, "TIFF"},   {"f.tif", false, "TIFF"},
        {"g.gif", false, ""},     {"noextension", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t alertsBefore = desktop_.alerts().shown().size();
        store_.update(id, [](snippets::Snippet& s) { s.imageFilename.reset(); });
        const platform::Bytes encoded =
            platform::sim::SimImageCodec::encoded({4, 4}, "x", c.format);
        const std::string content(encoded.begin(), encoded.end());
        halvora::testing::TemporaryFolder::write(folder_ / c.name, content);
        EXPECT_EQ(model_.chooseImage(id, folder_ / c.name), c.taken);
        EXPECT_EQ(store_.find(id)->imageFilename.has_value(), c.taken);
        EXPECT_EQ(model_.errorMessage(), std::nullopt) << "the alert clears it";
        if (c.taken) {
            EXPECT_EQ(desktop_.alerts().shown().size(), alertsBefore);
            EXPECT_EQ(halvora::testing::TemporaryFolder::read(*store_.imagePath(*store_.find(id))),
                      content);
        } else {
            ASSERT_EQ(desktop_.alerts().shown().size(), alertsBefore + 1);
            const platform::Alert& alert = desktop_.alerts().shown().back();
            EXPECT_EQ(alert.message, "Không thêm được ảnh");
            EXPECT_EQ(alert.informativeText, SnippetsViewModel::unsupportedImageMessage);
            EXPECT_EQ(alert.buttons, std::vector<std::string>{"OK"});
        }
    }
    // Content of another type than the name says is refused with a reason.
    halvora::testing::TemporaryFolder::write(folder_ / "h.png", "<svg/>");
    EXPECT_FALSE(model_.chooseImage(id, folder_ / "h.png"));
    EXPECT_EQ(desktop_.alerts().shown().back().informativeText,
              "Nội dung file không phải ảnh PNG như tên file ghi.");
}

TEST_F(SnippetsViewModelTest, AFailedImageCopyIsShownWithTheSystemsText) {
    const util::Uuid id = addSnippet("Ảnh", "anh");
    std::optional<std::string> shownWhileOpen;
    const util::Connection c = model_.observe([&] {
        if (model_.errorMessage()) {
            shownWhileOpen = model_.errorMessage();
        }
    });
    EXPECT_FALSE(model_.chooseImage(id, folder_ / "missing.png"));
    ASSERT_EQ(desktop_.alerts().shown().size(), 1u);
    EXPECT_EQ(desktop_.alerts().shown()[0].message, "Không thêm được ảnh");
    const std::string& text = desktop_.alerts().shown()[0].informativeText;
    EXPECT_TRUE(text.starts_with("Không chép được ảnh vào thư mục dữ liệu. ")) << text;
    EXPECT_GT(text.size(), SnippetsViewModel::imageCopyFailurePrefix.size());
    EXPECT_EQ(shownWhileOpen, desktop_.alerts().shown()[0].informativeText);
    EXPECT_EQ(store_.find(id)->imageFilename, std::nullopt);
}

TEST_F(SnippetsViewModelTest, EditorWritesEachChangeIntoTheSavedFile) {
    const util::Uuid id = addSnippet("Mục", "");
    SnippetEditorModel editor(store_, id, platform_.words);

    EXPECT_TRUE(editor.setTitle("QR Vietcombank"));
    EXPECT_TRUE(editor.setTrigger(";vcbq"));
    EXPECT_TRUE(editor.setText("Anh chuyển giúp em"));
    EXPECT_TRUE(editor.setHotkeySlot(3));
    nlohmann::json saved = savedSnippet(0);
    EXPECT_EQ(saved.at("title"), "QR Vietcombank");
    EXPECT_EQ(saved.at("trigger"), ";vcbq");
    EXPECT_EQ(saved.at("text"), "Anh chuyển giúp em");
    EXPECT_EQ(saved.at("hotkeySlot"), 3);
    EXPECT_EQ(editor.hotkeyTitle(), "⌥⌘3");

    EXPECT_TRUE(editor.setHotkeySlot(std::nullopt));
    EXPECT_FALSE(savedSnippet(0).contains("hotkeySlot")) << "\"Không dùng\" removes the key";
    EXPECT_EQ(editor.hotkeyTitle(), "Không dùng");

    EXPECT_FALSE(editor.dynamicQR()) << "absent reads as off";
    EXPECT_FALSE(editor.showsQRSetup());
    EXPECT_TRUE(editor.setDynamicQR(true));
    EXPECT_TRUE(editor.showsQRSetup());
    EXPECT_TRUE(editor.setDynamicQR(false));
    EXPECT_EQ(store_.find(id)->dynamicQR, std::optional<bool>(false)) << "false, not absent";
    EXPECT_EQ(savedSnippet(0).at("dynamicQR"), false);

    store_.remove(id);
    EXPECT_FALSE(editor.setTitle("gone"));
    EXPECT_EQ(editor.snippet(), nullptr);
}

TEST_F(SnippetsViewModelTest, AnEditedCodeExpandsAtTheNextKeystroke) {
    platform::sim::SimTextField& chat = openChat();
    model_.addSnippet();
    SnippetEditorModel editor(store_, *model_.selectedSnippetID(), platform_.words);
    editor.setTrigger("ck");
    editor.setText("Cảm ơn anh");
    type(";ck ");
    EXPECT_EQ(chat.text(), "Cảm ơn anh");
}

TEST_F(SnippetsViewModelTest, EditorRemovesTheImageButKeepsItsFile) {
    const util::Uuid id = addSnippet("Ảnh", "anh");
    SnippetEditorModel editor(store_, id, platform_.words);
    EXPECT_FALSE(editor.hasImage());
    halvora::testing::TemporaryFolder::write(folder_ / "p.png", pngBytes());
    ASSERT_TRUE(model_.chooseImage(id, folder_ / "p.png"));
    ASSERT_TRUE(editor.hasImage());
    const std::filesystem::path file = *editor.imagePath();
    EXPECT_TRUE(editor.removeImage());
    EXPECT_FALSE(editor.hasImage());
    EXPECT_EQ(editor.imagePath(), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(SnippetsViewModelTest, HotkeyChoices) {
    const std::vector<HotkeyChoice> choices =
        SnippetEditorModel(store_, util::Uuid(), platform_.words).hotkeyChoices();
    ASSERT_EQ(choices.size(), 10u);
    EXPECT_EQ(choices[0], (HotkeyChoice{"Không dùng", std::nullopt}));
    EXPECT_EQ(choices[1], (HotkeyChoice{"⌥⌘1", 1}));
    EXPECT_EQ(choices[9], (HotkeyChoice{"⌥⌘9", 9}));
}

TEST_F(SnippetsViewModelTest, StoreChangesElsewhereAreAnnounced) {
    int changes = 0;
    const util::Connection c = model_.observe([&] { ++changes; });
    addSnippet("Một", "mot");
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace halvora::workspace
