#include "cli/SimulateSession.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace halvora::cli {
namespace {

using Status = SimulateStep::Status;

class SimulateTest : public ::testing::Test {
  protected:
    // Runs lines until one does not succeed; answers that one's step.
    SimulateStep script(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            SimulateStep step = session_.run(line);
            if (step.status != Status::ok) {
                return step;
            }
        }
        return {};
    }

    snippets::Snippet addSnippet(std::string trigger, std::string text, bool quickReply = false) {
        snippets::Snippet s;
        s.trigger = std::move(trigger);
        s.title = "Mẫu " + s.trigger;
        s.text = std::move(text);
        if (quickReply) {
            s.quickReply = true;
        }
        session_.store().append(s);
        return s;
    }

    std::ostringstream out_;
    SimulateSession session_{SimulateOptions{}, out_};
};

TEST_F(SimulateTest, TypesIntoTheDefaultChatAndPrints) {
    EXPECT_EQ(script({"type Xin chaof", "# a comment", "", "print", "expect Xin chào"}).status,
              Status::ok);
    session_.finish();
    EXPECT_EQ(out_.str(), "Xin chào\nfield: Xin chào\n");
}

TEST_F(SimulateTest, ExpectationsAndMalformedLinesStopTheScript) {
    struct Case {
        std::string line;
        Status status;
    };
    const Case cases[] = {
        {"expect something else", Status::failed},
        {"jump", Status::malformed},
        {"wait soon", Status::malformed},
        {"wait -5", Status::malformed},
        {"key hyper", Status::malformed},
        {"key a +meta", Status::malformed},
        {"secure maybe", Status::malformed},
        {"field role=\"AXTextField", Status::malformed},
        {"field colour=red", Status::malformed},
        {"picker choose 0", Status::malformed},
        {"picker choose 1", Status::failed},
        {"prompt submit", Status::failed},
        {"prompt fill", Status::malformed},
        {"click now", Status::malformed},
        {"app", Status::malformed},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(session_.run(c.line).status, c.status) << c.line;
    }
}

TEST_F(SimulateTest, KeysWithModifiersAndNamedKeys) {
    EXPECT_EQ(script({"type vieetj", "key escape", "expect vieetj", "key space", "type DDi",
                      "key left", "key right", "type eeuf", "expect vieetj Điều"})
                  .status,
              Status::ok)
        << out_.str();
    // Shift+letter composes as a capital.
    EXPECT_EQ(
        script({"key space", "key d +shift", "key d +shift", "type aay", "expect vieetj Điều Đây"})
            .status,
        Status::ok);
}

TEST_F(SimulateTest, FieldAttributesDecideComposition) {
    EXPECT_EQ(script({"field subrole=AXSecureTextField", "type vieetj", "expect vieetj"}).status,
              Status::ok);
    EXPECT_EQ(script({"field role=AXTextField description=\"Số thẻ (card number)\"", "type vieetj",
                      "expect vieetj"})
                  .status,
              Status::ok);
    EXPECT_EQ(script({"field role=AXTextArea", "type vieetj", "expect việt"}).status, Status::ok);
    EXPECT_EQ(script({"app com.google.Chrome", "field subrole=AXSearchField", "type vieetj",
                      "expect vieetj"})
                  .status,
              Status::ok);
    EXPECT_EQ(script({"secure on", "field", "type vieetj", "expect vieetj", "secure off"}).status,
              Status::ok);
}

TEST_F(SimulateTest, ApplicationsGetTheirModes) {
    EXPECT_EQ(script({"app com.apple.Terminal", "type vieetj", "expect vieetj"}).status,
              Status::ok);
    // An application without a mode of its own keeps the current one.
    EXPECT_EQ(script({"app com.vng.zalo", "type vieetj", "expect vieetj"}).status, Status::ok);
    // Browsers turn Vietnamese back on.
    EXPECT_EQ(script({"app com.apple.Safari", "type vieetj", "expect việt"}).status, Status::ok);
}

TEST_F(SimulateTest, PickerChoosesAndPastesIntoTheChat) {
    addSnippet("chao", "Dạ em chào anh ạ");
    addSnippet("ship", "Phí ship 30.000đ");
    EXPECT_EQ(script({"type Daj ", "key k +option +command"}).status, Status::ok);
    ASSERT_TRUE(session_.controller().pickerOpen());
    EXPECT_EQ(
        script({"picker choose 2", "wait 100", "expect Dạ Phí ship 30.000đ", "clipboard"}).status,
        Status::ok);
    EXPECT_FALSE(session_.controller().pickerOpen());
    EXPECT_NE(out_.str().find("clipboard: string | Phí ship 30.000đ"), std::string::npos)
        << out_.str();

    // Cancelling pastes nothing and gives the chat back its focus.
    EXPECT_EQ(script({"key k +option +command", "picker cancel", "wait 100", "type  xong",
                      "expect Dạ Phí ship 30.000đ xong"})
                  .status,
              Status::ok);
}

TEST_F(SimulateTest, PickerWithoutAChatFieldExplains) {
    platform::sim::SimDesktop& desktop = session_.desktop();
    const platform::ProcessId bare = desktop.launch("Finder", "com.apple.finder");
    desktop.bringToFront(bare);
    EXPECT_EQ(script({"key k +option +command"}).status, Status::ok);
    EXPECT_NE(
        out_.str().find(
            "alert: Chọn ô chat trước khi mở bảng mẫu | Đặt con trỏ vào ô cần dán, rồi nhấn ⌥⌘K."),
        std::string::npos)
        << out_.str();
}

TEST_F(SimulateTest, PickerQuickReplyGoesThroughThePrompt) {
    addSnippet("tl1", "Chào {ten_khach}!", true);
    EXPECT_EQ(script({"key k +option +command", "picker choose 1", "prompt submit"}).status,
              Status::failed)
        << "the prompt is only shown after its delay";
    EXPECT_EQ(script({"wait 60", "prompt submit"}).status, Status::failed)
        << "a field is still empty";
    EXPECT_EQ(script({"prompt fill ten_khach=\"anh Minh\"", "prompt submit", "wait 100",
                      "expect Chào anh Minh!"})
                  .status,
              Status::ok);
}

TEST_F(SimulateTest, PickerPasteFallsBackToTheClipboardWhenTheChatIsGone) {
    addSnippet("chao", "Dạ em chào anh ạ");
    EXPECT_EQ(script({"key k +option +command"}).status, Status::ok);
    session_.desktop().setAccessibilityFails(true);
    EXPECT_EQ(script({"picker choose 1", "wait 1000", "clipboard"}).status, Status::ok);
    const std::string printed = out_.str();
    EXPECT_NE(printed.find("alert: Không dán tự động được vào ô chat cũ | Halvora đã chép mẫu vào "
                           "clipboard. Anh chọn "
                           "lại ô chat rồi nhấn ⌘V để dán."),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("clipboard: string | Dạ em chào anh ạ"), std::string::npos) << printed;
}

TEST_F(SimulateTest, QRSnippetWithoutAccountReportsInsteadOfPasting) {
    snippets::Snippet qr = addSnippet("ck", "Chuyển khoản giúp em ạ");
    session_.store().update(qr.id, [](snippets::Snippet& s) { s.dynamicQR = true; });
    EXPECT_EQ(script({"type ;ck ", "expect ;ck "}).status, Status::ok)
        << "the code stays and the Space is typed";
    EXPECT_EQ(session_.controller().qrStatus(),
              "Nhập tài khoản trong mục QR chuyển khoản trước khi dán.");
    EXPECT_TRUE(session_.controller().qrFailed());

    EXPECT_EQ(script({"key k +option +command", "picker choose 1", "wait 100"}).status, Status::ok);
    EXPECT_NE(
        out_.str().find(
            "alert: Chưa thiết lập tài khoản QR | Mở mục QR chuyển khoản để nhập tài khoản trước "
            "khi dán mẫu này."),
        std::string::npos)
        << out_.str();
}

TEST(SimulateOptionsTest, VniAndOldToneApply) {
    std::ostringstream out;
    SimulateOptions options;
    options.vni = true;
    options.oldTone = true;
    SimulateSession session(options, out);
    EXPECT_EQ(session.run("type hoa2 Vie65t").status, SimulateStep::Status::ok);
    EXPECT_EQ(session.fieldText(), "hòa Việt");
}

}  // namespace
}  // namespace halvora::cli
