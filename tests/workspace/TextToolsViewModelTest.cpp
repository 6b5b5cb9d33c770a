#include "WorkspaceFixture.h"
#include "workspace/TextToolsViewModel.h"

#include <gtest/gtest.h>

namespace halvora::workspace {
namespace {

class TextToolsViewModelTest : public testing::WorkspaceFixture {
  protected:
    TextToolsViewModel model_{desktop_.userDefaults(), desktop_.pasteboard(), platform_.words};
};

TEST_F(TextToolsViewModelTest, StoredOperationChoosesTheConversion) {
    model_.setInput("Đà Nẵng");
    const struct {
        std::optional<std::string> stored;
        engine::TextOperation operation;
        const char* output;
    } cases[] = {
        {std::nullopt, engine::TextOperation::uppercase, "ĐÀ NẴNG"},
        {"chữ thường", engine::TextOperation::lowercase, "đà nẵng"},
        {"Bỏ dấu", engine::TextOperation::removeAccents, "Da Nang"},
        {"CHỮ HOA", engine::TextOperation::uppercase, "ĐÀ NẴNG"},
        {"something else", engine::TextOperation::uppercase, "ĐÀ NẴNG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("(absent)"));
        if (c.stored) {
            desktop_.userDefaults().set("textTools.operation", *c.stored);
        } else {
            desktop_.userDefaults().removeObject("textTools.operation");
        }
        EXPECT_EQ(model_.operation(), c.operation);
        EXPECT_EQ(model_.output(), c.output);
        EXPECT_EQ(model_.resultText(), c.output);
    }
    EXPECT_EQ(model_.selected(), "something else") << "the stored value is kept as it is";
}

TEST_F(TextToolsViewModelTest, PickingStoresTheRawValueAndTheResultFollows) {
    model_.setInput("Hòa");
    int changes = 0;
    const util::Connection c = model_.observe([&] { ++changes; });
    model_.setOperation(engine::TextOperation::removeAccents);
    EXPECT_EQ(desktop_.userDefaults().stringValue("textTools.operation"), "Bỏ dấu");
    EXPECT_EQ(model_.output(), "Hoa");
    model_.setOperation(engine::TextOperation::lowercase);
    EXPECT_EQ(desktop_.userDefaults().stringValue("textTools.operation"), "chữ thường");
    EXPECT_EQ(changes, 2);
}

TEST_F(TextToolsViewModelTest, EmptyInputDisablesCopyAndShowsThePlaceholder) {
    EXPECT_FALSE(model_.canCopy());
    EXPECT_FALSE(model_.hasOutput());
    EXPECT_EQ(model_.resultText(), "Kết quả sẽ hiện ở đây.");
    desktop_.pasteboard().writeString("giữ");
    model_.copyResult();
    EXPECT_EQ(desktop_.pasteboard().string(), "giữ");
    EXPECT_EQ(model_.message(), "");
}

TEST_F(TextToolsViewModelTest, ClipboardInAndOut) {
    desktop_.pasteboard().clear();
    desktop_.pasteboard().write({platform::PasteboardItem{
        {platform::PasteboardRepresentation::image(platform::Bytes{1, 2, 3})}}});
    model_.setInput("cũ");
    model_.takeFromClipboard();
    EXPECT_EQ(model_.input(), "cũ");
    EXPECT_EQ(model_.message(), "Clipboard chưa có văn bản.");

    model_.setInput("gõ tiếp");
    EXPECT_EQ(model_.message(), "Clipboard chưa có văn bản.") << "typing keeps the message";

    desktop_.pasteboard().clear();
    desktop_.pasteboard().writeString("xin chào");
    model_.takeFromClipboard();
    EXPECT_EQ(model_.input(), "xin chào");
    EXPECT_EQ(model_.message(), "");

    model_.copyResult();
    EXPECT_EQ(desktop_.pasteboard().string(), "XIN CHÀO");
    EXPECT_EQ(desktop_.pasteboard().items().size(), 1u);
    EXPECT_EQ(model_.message(), "Đã sao chép. Anh có thể dán bằng ⌘V.");
}

TEST_F(TextToolsViewModelTest, EachOpeningStartsEmptyAndKeepsTheConversion) {
    model_.setOperation(engine::TextOperation::removeAccents);
    model_.setInput("Đà Nẵng");
    model_.copyResult();
    ASSERT_FALSE(model_.message().empty());
    int changes = 0;
    const util::Connection c = model_.observe([&] { ++changes; });
    model_.appear();
    EXPECT_EQ(model_.input(), "");
    EXPECT_EQ(model_.message(), "");
    EXPECT_FALSE(model_.canCopy());
    EXPECT_EQ(model_.operation(), engine::TextOperation::removeAccents);
    EXPECT_EQ(changes, 1);
    model_.appear();
    EXPECT_EQ(changes, 1) << "nothing to clear, nothing announced";
}

}  // namespace
}  // namespace halvora::workspace
