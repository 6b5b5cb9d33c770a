#include "WorkspaceFixture.h"
#include "workspace/QuickRepliesViewModel.h"
#include "workspace/QuickReplyEditorModel.h"

#include <gtest/gtest.h>

namespace halvora::workspace {
namespace {

class QuickRepliesViewModelTest : public testing::WorkspaceFixture {
  protected:
    QuickRepliesViewModel model_{store_, desktop_.alerts()};

    util::Uuid addReply(std::string title, std::string trigger, std::string text = "") {
        return addSnippet(std::move(title), std::move(trigger), std::move(text), true);
    }

    std::vector<std::string> filteredTitles() const {
        std::vector<std::string> titles;
        for (const auto& s : model_.filteredReplies()) {
            titles.push_back(s.title);
        }
        return titles;
    }
};

TEST_F(QuickRepliesViewModelTest, ListsOnlyQuickRepliesAndSearchesTheirTextToo) {
    addSnippet("Chuyển khoản", "ck", "Số tài khoản");
    addReply("Chào khách", ";tl1", "Dạ em chào anh\nchị ạ");
    addReply("Báo giá", ";tl2", "Giá sỉ {gia}");
    const struct {
        const char* search;
        std::vector<std::string> titles;
    } cases[] = {
        {"", {"Chào khách", "Báo giá"}}, {"TL2", {"Báo giá"}}, {"giá sỉ", {"Báo giá"}},
        {"CHỊ", {"Chào khách"}},         {"tài khoản", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.search);
        model_.setSearchText(c.search);
        EXPECT_EQ(filteredTitles(), c.titles);
        EXPECT_EQ(model_.emptyText(), *c.search ? "Không tìm thấy câu nào" : "Chưa có câu trả lời");
    }
}

TEST_F(QuickRepliesViewModelTest, Rows) {
    snippets::Snippet reply;
    reply.title = "";
    reply.trigger = "tl5";
    reply.text = "Dòng một\nDòng hai\n";
    EXPECT_EQ(QuickRepliesViewModel::rowTitle(reply), "Chưa đặt tên");
    EXPECT_EQ(QuickRepliesViewModel::rowCode(reply), ";tl5");
    EXPECT_EQ(QuickRepliesViewModel::rowPreview(reply), "Dòng một Dòng hai ");
}

TEST_F(QuickRepliesViewModelTest, AddingTakesTheNextFreeCode) {
    addReply("Một", ";tl1");
    addReply("Hai", ";tl2");
    model_.setSearchText("Một");
    model_.add();
    const snippets::Snippet& added = store_.snippets().back();
    EXPECT_EQ(added.trigger, ";tl3");
    EXPECT_EQ(added.title, "Câu trả lời mới");
    EXPECT_EQ(added.text, "");
    EXPECT_EQ(added.quickReply, std::optional<bool>(true));
    EXPECT_EQ(added.dynamicQR, std::nullopt);
    EXPECT_EQ(model_.selectedID(), added.id);
    EXPECT_EQ(model_.searchText(), "");
    EXPECT_TRUE(model_.takeTitleFocus(added.id)) << "the cursor goes to the title";
    EXPECT_FALSE(model_.takeTitleFocus(added.id)) << "once";
}

TEST_F(QuickRepliesViewModelTest, SelectionAndDeletion) {
    const util::Uuid plain = addSnippet("Thường", "ck", "chữ");
    const util::Uuid first = addReply("Một", ";tl1");
    const util::Uuid second = addReply("Hai", ";tl2");
    model_.appear();
    EXPECT_EQ(model_.selectedID(), first) << "the first reply, not the first snippet";
    model_.select(second);

    desktop_.alerts().scriptAnswer(1);
    model_.requestDelete(second);
    ASSERT_EQ(desktop_.alerts().shown().size(), 1u);
    const platform::Alert& question = desktop_.alerts().shown()[0];
    EXPECT_EQ(question.message, "Xóa câu trả lời này?");
    EXPECT_EQ(question.informativeText, "Nội dung đã lưu sẽ bị xóa khỏi danh sách.");
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Xóa câu trả lời", "Hủy"}));
    EXPECT_EQ(question.destructiveButtons, std::vector<std::size_t>{0}) << "Return never deletes";
    EXPECT_NE(store_.find(second), nullptr);
    EXPECT_EQ(model_.deletionID(), std::nullopt);

    desktop_.alerts().scriptAnswer(0);
    model_.requestDelete(second);
    EXPECT_EQ(store_.find(second), nullptr);
    EXPECT_EQ(model_.selectedID(), first);

    desktop_.alerts().scriptAnswer(0);
    model_.requestDelete(first);
    EXPECT_EQ(model_.selectedID(), std::nullopt)
        << "no reply is left, the plain snippet is not one";
    EXPECT_NE(store_.find(plain), nullptr);
}

class QuickReplyEditorTest : public QuickRepliesViewModelTest {
  protected:
    util::Uuid id_ = addReply("Báo giá", ";tl1");
    QuickReplyEditorModel editor_{store_, id_, desktop_.pasteboard(), panels_};
};

TEST_F(QuickReplyEditorTest, CodeStatus) {
    addReply("Khác", ";tl7");
    addReply("Hoa", ";TL1");
    const struct {
        const char* trigger;
        CodeStatus::Kind kind;
        const char* text;
    } cases[] = {
        {"tl5", CodeStatus::Kind::valid, "Trong ô chat, gõ ;tl5 rồi nhấn Space."},
        {";ma_don_2", CodeStatus::Kind::valid, "Trong ô chat, gõ ;ma_don_2 rồi nhấn Space."},
        {";tl1", CodeStatus::Kind::valid, "Trong ô chat, gõ ;tl1 rồi nhấn Space."},  // vs ;TL1
        {"", CodeStatus::Kind::invalid, ""},
        {";", CodeStatus::Kind::invalid, ""},
        {";đơn", CodeStatus::Kind::invalid, ""},
        {"tl 5", CodeStatus::Kind::invalid, ""},
        {";tl-5", CodeStatus::Kind::invalid, ""},
        {";;tl5", CodeStatus::Kind::invalid, ""},
        {"tl7", CodeStatus::Kind::conflict, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trigger);
        editor_.setTrigger(c.trigger);
        EXPECT_EQ(store_.find(id_)->trigger, c.trigger) << "saved as typed";
        const CodeStatus status = editor_.codeStatus();
        EXPECT_EQ(status.kind, c.kind);
        switch (c.kind) {
            case CodeStatus::Kind::valid:
                EXPECT_EQ(status.text, c.text);
                EXPECT_EQ(status.code, store_.find(id_)->normalizedCode());
                break;
            case CodeStatus::Kind::invalid:
                EXPECT_EQ(status.symbol, "exclamationmark.triangle");
                EXPECT_EQ(status.text,
                          "Mã phải bắt đầu bằng ; và chỉ gồm chữ không dấu, số hoặc dấu _.");
                break;
            case CodeStatus::Kind::conflict:
                EXPECT_EQ(status.text, "Mã này đã dùng ở mục khác. Hãy đổi mã để tránh dán nhầm.");
                break;
        }
    }
}

TEST_F(QuickReplyEditorTest, TemplateLineAndCharacterCount) {
    const struct {
        const char* text;
        const char* line;
        const char* count;
        bool canTry;
    } cases[] = {
        {"", "Nhập một câu hoặc cả đoạn dài. Mẫu trống sẽ chưa hoạt động.", "0 ký tự", false},
        {"Dạ em cảm ơn",
         "Muốn điền riêng cho từng khách? Thêm {ten_khach} hoặc {ma_don} vào nội dung.", "12 ký tự",
         false},
        {"Giá {gia} cho {ten_khach}, {gia}",
         "Khi dùng mã này, Halvora sẽ hỏi: Giá, Tên khách. Không tự gửi tin nhắn.", "32 ký tự",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        editor_.setText(c.text);
        EXPECT_EQ(editor_.templateLine(), c.line);
        EXPECT_EQ(editor_.characterCount(), c.count);
        EXPECT_EQ(editor_.canTry(), c.canTry);
    }
}

TEST_F(QuickReplyEditorTest, TrialCopiesTheFilledTextAndPastesNothing) {
    editor_.setText("Chào {ten_khach}, giá {gia}");
    ASSERT_TRUE(editor_.startTrial());
    snippets::ReplyTemplatePrompt* prompt = panels_.prompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt, editor_.previewPrompt());
    EXPECT_EQ(prompt->title(), "Báo giá");
    EXPECT_EQ(prompt->fields(), (std::vector<std::string>{"ten_khach", "gia"}));
    EXPECT_EQ(prompt->instruction(),
              "Thử điền thông tin để xem câu hoàn chỉnh. Bản thử sẽ được sao chép, không dán vào "
              "chat.");
    EXPECT_EQ(prompt->submitTitle(), "Sao chép bản thử");

    panels_.fillPromptField("ten_khach", " chị Lan ");
    panels_.fillPromptField("gia", "200k");
    ASSERT_TRUE(panels_.submitPrompt());
    EXPECT_EQ(editor_.previewPrompt(), nullptr);
    EXPECT_EQ(panels_.prompt(), nullptr);
    EXPECT_TRUE(editor_.previewCopied());
    EXPECT_EQ(desktop_.pasteboard().string(), "Chào chị Lan, giá 200k");
    EXPECT_EQ(desktop_.pasteboard().items().size(), 1u) << "the clipboard was cleared first";
    EXPECT_TRUE(desktop_.postedEvents().empty()) << "nothing is pasted anywhere";
}

TEST_F(QuickReplyEditorTest, CancelledTrialCopiesNothing) {
    desktop_.pasteboard().writeString("giữ nguyên");
    editor_.setText("Chào {ten_khach}");
    ASSERT_TRUE(editor_.startTrial());
    ASSERT_TRUE(panels_.cancelPrompt());
    EXPECT_EQ(editor_.previewPrompt(), nullptr);
    EXPECT_FALSE(editor_.previewCopied());
    EXPECT_EQ(desktop_.pasteboard().string(), "giữ nguyên");

    editor_.setText("Không có trường");
    EXPECT_FALSE(editor_.startTrial());
    EXPECT_EQ(panels_.prompt(), nullptr);
}

TEST_F(QuickReplyEditorTest, AnEditorGoneBeforeThePromptEndsIsLeftAlone) {
    editor_.setText("Chào {ten_khach}");
    auto editor =
        std::make_unique<QuickReplyEditorModel>(store_, id_, desktop_.pasteboard(), panels_);
    ASSERT_TRUE(editor->startTrial());
    editor.reset();
    EXPECT_EQ(panels_.prompt(), nullptr) << "the prompt leaves with its editor";
}

}  // namespace
}  // namespace halvora::workspace
