#include "snippets/ReplyTemplatePrompt.h"

#include "platform/sim/SimDesktop.h"
#include "snippets/sim/SimPanelHost.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace halvora::snippets {
namespace {

using FieldValues = ReplyTemplate::FieldValues;
using sim::SimPanelHost;

/// Counts the outcomes a prompt reports.
struct Outcomes {
    std::vector<FieldValues> submitted;
    int cancelled = 0;

    std::unique_ptr<ReplyTemplatePrompt> prompt(std::string templateText,
                                                std::string title = "Hỏi địa chỉ") {
        auto fields = ReplyTemplate::fields(templateText);
        return std::make_unique<ReplyTemplatePrompt>(
            std::move(title), std::move(templateText), std::move(fields),
            "Điền thông tin rồi dán vào ô chat đang soạn. Halvora sẽ không tự gửi tin nhắn.",
            "Dán vào chat", [this](const FieldValues& values) { submitted.push_back(values); },
            [this] { ++cancelled; });
    }
};

TEST(ReplyTemplatePromptTest, PanelHeightGrowsWithTheFieldsWithinLimits) {
    const std::pair<std::size_t, int> cases[] = {
        {0, 390}, {1, 390}, {2, 406}, {4, 502}, {5, 550}, {6, 590}, {10, 590}, {1'000'000, 590},
    };
    for (const auto& [fields, height] : cases) {
        EXPECT_EQ(ReplyTemplatePrompt::contentHeight(fields), height) << fields << " fields";
    }
    EXPECT_EQ(ReplyTemplatePrompt::contentWidth, 540);
}

TEST(ReplyTemplatePromptTest, TitlesLabelsAndPlaceholders) {
    Outcomes outcomes;
    auto prompt = outcomes.prompt("Chào {ten_khach}, cọc {so_tien_coc}", "Báo cọc");

    EXPECT_EQ(prompt->windowTitle(), "Điền thông tin · Báo cọc");
    EXPECT_EQ(prompt->fields(), (std::vector<std::string>{"ten_khach", "so_tien_coc"}));
    EXPECT_EQ(prompt->contentHeight(), 406);
    EXPECT_EQ(ReplyTemplatePrompt::label("so_tien_coc"), "So Tien Coc");
    EXPECT_EQ(ReplyTemplatePrompt::placeholder("so_tien_coc"), "Nhập so tien coc");
    EXPECT_EQ(ReplyTemplatePrompt::placeholder("ten_khach"), "Nhập " + std::string("tên khách"));
}

TEST(ReplyTemplatePromptTest, ConfirmWaitsForEveryFieldAndPreviewFollows) {
    Outcomes outcomes;
    auto prompt = outcomes.prompt("Dạ {ten_khach} ơi, đơn {ma_don} đã gửi.");

    EXPECT_FALSE(prompt->canSubmit());
    EXPECT_EQ(prompt->preview(), "Dạ {ten_khach} ơi, đơn {ma_don} đã gửi.");

    prompt->setValue("ten_khach", "  chị Lan ");
    prompt->setValue("ma_don", " \t\n");
    EXPECT_FALSE(prompt->canSubmit());
    EXPECT_EQ(prompt->preview(), "Dạ {ten_khach} ơi, đơn {ma_don} đã gửi.");
    EXPECT_FALSE(prompt->submit());
    EXPECT_TRUE(outcomes.submitted.empty());
    EXPECT_FALSE(prompt->isFinished());

    prompt->setValue("ma_don", "DH123");
    EXPECT_TRUE(prompt->canSubmit());
    EXPECT_EQ(prompt->preview(), "Dạ chị Lan ơi, đơn DH123 đã gửi.");

    EXPECT_TRUE(prompt->submit());
    ASSERT_EQ(outcomes.submitted.size(), 1u);
    // As typed, untrimmed: rendering does the trimming.
    EXPECT_EQ(outcomes.submitted[0],
              (FieldValues{{"ten_khach", "  chị Lan "}, {"ma_don", "DH123"}}));
}

TEST(ReplyTemplatePromptTest, OnlyItsOwnFieldsCanBeEdited) {
    Outcomes outcomes;
    auto prompt = outcomes.prompt("Chào {ten_khach}");
    EXPECT_FALSE(prompt->setValue("ma_don", "x"));
    EXPECT_EQ(prompt->value("ten_khach"), "");
    EXPECT_TRUE(prompt->setValue("ten_khach", "Lan"));
    EXPECT_EQ(prompt->value("ten_khach"), "Lan");
    prompt->cancel();
    EXPECT_FALSE(prompt->setValue("ten_khach", "Hoa"));
}

TEST(ReplyTemplatePromptTest, AppearingFocusesTheFirstField) {
    Outcomes outcomes;
    auto prompt = outcomes.prompt("{b} và {a}");
    prompt->appear();
    EXPECT_EQ(prompt->focusedField(), "b");

    auto plain = outcomes.prompt("không có trường");
    plain->appear();
    EXPECT_EQ(plain->focusedField(), std::nullopt);
}

TEST(ReplyTemplatePromptTest, ExactlyOneOutcomeWhateverHappensAfterIt) {
    enum Action { submit, cancel, closeWindow };
    struct Case {
        std::vector<Action> actions;
        std::size_t submits;
        int cancels;
    };
    const Case cases[] = {
        {{submit, closeWindow}, 1, 0}, {{submit, cancel, submit}, 1, 0},
        {{cancel, cancel}, 0, 1},      {{cancel, submit, closeWindow}, 0, 1},
        {{closeWindow, cancel}, 0, 1}, {{closeWindow, submit, closeWindow}, 0, 1},
    };
    for (const auto& c : cases) {
        Outcomes outcomes;
        auto prompt = outcomes.prompt("Chào {ten_khach}");
        prompt->setValue("ten_khach", "Lan");
        for (const Action action : c.actions) {
            switch (action) {
                case submit:
                    prompt->submit();
                    break;
                case cancel:
                    prompt->cancel();
                    break;
                case closeWindow:
                    prompt->windowClosed();
                    break;
            }
        }
        EXPECT_EQ(outcomes.submitted.size(), c.submits) << "first action " << c.actions[0];
        EXPECT_EQ(outcomes.cancelled, c.cancels) << "first action " << c.actions[0];
        EXPECT_TRUE(prompt->isFinished());
    }
}

class PromptOnHostTest : public ::testing::Test {
  protected:
    platform::sim::SimDesktop desktop;
    SimPanelHost host{desktop};
    Outcomes outcomes;
};

TEST_F(PromptOnHostTest, PresentingBringsThisProgramForwardAndFocusesTheFirstField) {
    const auto chat = desktop.launch("Zalo", "com.vng.zalo");
    desktop.bringToFront(chat);
    auto prompt = outcomes.prompt("Chào {ten_khach}");

    host.present(*prompt);
    desktop.mainQueue().runReady();

    EXPECT_EQ(host.prompt(), prompt.get());
    EXPECT_TRUE(prompt->isPresented());
    EXPECT_EQ(prompt->focusedField(), "ten_khach");
    EXPECT_EQ(desktop.frontmostApplication()->pid, platform::sim::SimDesktop::ownPid);
    EXPECT_EQ(host.events(),
              (std::vector<SimPanelHost::Event>{{SimPanelHost::PanelKind::prompt, true,
                                                 "Điền thông tin · Hỏi địa chỉ", std::nullopt}}));
}

TEST_F(PromptOnHostTest, OwnerMayDropThePromptInsideItsCallback) {
    std::unique_ptr<ReplyTemplatePrompt> owned;
    FieldValues received;
    owned = std::make_unique<ReplyTemplatePrompt>(
        "Hỏi tên", "Chào {ten_khach}", std::vector<std::string>{"ten_khach"}, "", "Dán vào chat",
        [&](const FieldValues& values) {
            owned.reset();
            received = values;
        },
        [&] { owned.reset(); });
    host.present(*owned);

    EXPECT_TRUE(host.fillPromptField("ten_khach", "Lan"));
    EXPECT_TRUE(host.submitPrompt());

    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(received, (FieldValues{{"ten_khach", "Lan"}}));
    EXPECT_EQ(host.prompt(), nullptr);
    EXPECT_FALSE(host.closePromptWindow());
    ASSERT_EQ(host.events().size(), 2u);
    EXPECT_EQ(host.events()[1].dismissal, PanelDismissal::close);
}

TEST_F(PromptOnHostTest, ClosingTheWindowCancelsWithoutClosingItAgain) {
    auto prompt = outcomes.prompt("Chào {ten_khach}");
    host.present(*prompt);

    EXPECT_FALSE(host.submitPrompt());  // nothing typed yet: the button is disabled
    EXPECT_TRUE(host.closePromptWindow());

    EXPECT_EQ(outcomes.cancelled, 1);
    EXPECT_EQ(host.prompt(), nullptr);
    EXPECT_FALSE(prompt->isPresented());
    EXPECT_EQ(host.events().back().dismissal, PanelDismissal::alreadyClosed);
    EXPECT_FALSE(host.cancelPrompt());
    EXPECT_EQ(outcomes.cancelled, 1);
}

TEST_F(PromptOnHostTest, DestroyedOrFinishedPromptsLeaveTheHost) {
    auto prompt = outcomes.prompt("Chào {ten_khach}");
    host.present(*prompt);
    prompt.reset();
    EXPECT_EQ(host.prompt(), nullptr);
    EXPECT_EQ(outcomes.cancelled, 0);  // going away is not an outcome

    auto finished = outcomes.prompt("Chào {ten_khach}");
    finished->cancel();
    host.present(*finished);
    EXPECT_EQ(host.prompt(), nullptr);
}

}  // namespace
}  // namespace halvora::snippets
