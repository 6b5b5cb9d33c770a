#include "snippets/SnippetPickerPanel.h"
#include "snippets/SnippetPickerSearch.h"

#include "TemporaryFolder.h"
#include "platform/Log.h"
#include "platform/sim/SimDesktop.h"
#include "snippets/SnippetStore.h"
#include "snippets/sim/SimPanelHost.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace halvora::snippets {
namespace {

using Move = SnippetPickerPanel::Move;

Snippet snippet(std::string title, std::string trigger, std::string text) {
    Snippet s;
    s.title = std::move(title);
    s.trigger = std::move(trigger);
    s.text = std::move(text);
    return s;
}

std::vector<std::string> titles(const std::vector<Snippet>& snippets) {
    std::vector<std::string> out;
    for (const auto& s : snippets) {
        out.push_back(s.title);
    }
    return out;
}

std::vector<Snippet> library() {
    Snippet qr = snippet("QR chuyển khoản", "ck", "");
    qr.dynamicQR = true;
    Snippet photo = snippet("Bảng size áo", "size", "");
    photo.imageFilename = "size.png";
    return {
        snippet("Cảm ơn khách", "camon", "Dạ em cảm ơn anh chị đã ủng hộ shop"),
        snippet("Áo thun", ";ao", "Giá 150k, freeship"),
        snippet("Địa chỉ shop", "diachi", "Số 12 ĐƯỜNG Lê Lợi"),
        snippet("Không nội dung", "trong", ""),
        qr,
        photo,
        snippet("Hỏi đơn", "don", "Dạ anh\ncho em xin mã đơn"),
    };
}

TEST(SnippetPickerSearchTest, MatchesEveryTermWithoutRegardToAccentsOrCase) {
    struct Case {
        std::string query;
        std::vector<std::string> titles;
    };
    const std::vector<std::string> allWithContent{"Cảm ơn khách",    "Áo thun",      "Địa chỉ shop",
                                                  "QR chuyển khoản", "Bảng size áo", "Hỏi đơn"};
    const Case cases[] = {
        {"", allWithContent},
        {" \t\n ", allWithContent},
        {"cam on", {"Cảm ơn khách"}},
        {"CẢM ƠN", {"Cảm ơn khách"}},
        {"on cam", {"Cảm ơn khách"}},
        {"gia ao", {"Áo thun"}},  // one term in the text, one in the title
        {"ao   gia", {"Áo thun"}},
        {"dia chi", {"Địa chỉ shop"}},  // đ is found as d
        {"duong le loi", {"Địa chỉ shop"}},
        {"ao", {"Áo thun", "Bảng size áo"}},  // store order
        {"shop", {"Cảm ơn khách", "Địa chỉ shop"}},
        {";ao", {"Áo thun"}},  // a leading ";" only matches codes written with it
        {";camon", {}},
        {"camon", {"Cảm ơn khách"}},
        {"noi dung", {}},  // no content: never listed
        {"trong", {}},
        {"ck", {"QR chuyển khoản"}},
        {"anh cho em", {"Hỏi đơn"}},  // across a line feed of the text
        {"cam xyz", {}},
    };
    const auto snippets = library();
    for (const auto& c : cases) {
        EXPECT_EQ(titles(SnippetPickerSearch::results(c.query, snippets)), c.titles)
            << "query \"" << c.query << "\"";
    }
}

TEST(SnippetPickerSearchTest, TermsAreSplitAtAnyWhiteSpace) {
    EXPECT_EQ(SnippetPickerSearch::terms("  Giá\tÁO\u00A0mới\n"),
              (std::vector<std::string>{"gia", "ao", "moi"}));
    EXPECT_TRUE(SnippetPickerSearch::terms(" \u3000 ").empty());
}

class SnippetPickerPanelTest : public ::testing::Test {
  protected:
    SnippetPickerPanelTest() { store.setSnippets(library()); }

    std::unique_ptr<SnippetPickerPanel> makePicker() {
        return std::make_unique<SnippetPickerPanel>(
            store, [this](const Snippet& s) { chosen.push_back(s.title); },
            [this] { ++cancelled; });
    }

    std::optional<std::string> selectedTitle(const SnippetPickerPanel& picker) const {
        const auto selected = picker.selectedSnippet();
        return selected ? std::optional(selected->title) : std::nullopt;
    }

    testing::TemporaryFolder folder;
    platform::RecordingLog log;
    SnippetStore store{folder.path(), log};
    std::vector<std::string> chosen;
    int cancelled = 0;
};

TEST_F(SnippetPickerPanelTest, ArrowsMoveWithoutWrapping) {
    auto picker = makePicker();
    picker->setQuery("ao");
    picker->appear();
    EXPECT_TRUE(picker->searchFocused());
    EXPECT_EQ(selectedTitle(*picker), "Áo thun");

    picker->move(Move::up);
    EXPECT_EQ(selectedTitle(*picker), "Áo thun");
    picker->move(Move::down);
    EXPECT_EQ(selectedTitle(*picker), "Bảng size áo");
    picker->move(Move::down);
    EXPECT_EQ(selectedTitle(*picker), "Bảng size áo");
    picker->move(Move::left);
    picker->move(Move::right);
    EXPECT_EQ(selectedTitle(*picker), "Bảng size áo");
    picker->move(Move::up);
    EXPECT_EQ(selectedTitle(*picker), "Áo thun");
}

TEST_F(SnippetPickerPanelTest, ChangingTheQuerySelectsTheFirstResultAgain) {
    auto picker = makePicker();
    picker->appear();
    picker->move(Move::down);
    picker->move(Move::down);
    EXPECT_EQ(selectedTitle(*picker), "Địa chỉ shop");

    picker->setQuery("s");
    EXPECT_EQ(picker->selectedID(), picker->results().front().id);
    EXPECT_EQ(selectedTitle(*picker), "Cảm ơn khách");
}

TEST_F(SnippetPickerPanelTest, DeletedSelectionFallsBackToTheFirstResult) {
    auto picker = makePicker();
    int changes = 0;
    auto connection = picker->observe([&] { ++changes; });
    picker->appear();
    picker->move(Move::down);
    picker->move(Move::down);
    const auto deleted = *picker->selectedID();
    const int before = changes;

    store.remove(deleted);
    EXPECT_EQ(changes, before + 1);
    EXPECT_EQ(selectedTitle(*picker), "Cảm ơn khách");
    EXPECT_EQ(picker->selectedID(), deleted);  // still remembered, no longer shown

    // The next arrow starts over from the first result, whatever its direction.
    picker->move(Move::down);
    EXPECT_EQ(selectedTitle(*picker), "Cảm ơn khách");
    picker->move(Move::down);
    EXPECT_EQ(selectedTitle(*picker), "Áo thun");
}

TEST_F(SnippetPickerPanelTest, RowsDescribeEachResult) {
    store.setSnippets({
        snippet("", "ship", "Phí ship\n30k\nnội thành"),
        [] {
            Snippet s = snippet("Báo cọc", ";tl1", "Cọc {so_tien}");
            s.quickReply = true;
            return s;
        }(),
        [] {
            Snippet s = snippet("Ảnh", "anh", "");
            s.imageFilename = "a.png";
            s.quickReply = true;
            return s;
        }(),
        [] {
            Snippet s = snippet("QR", "ck", "STK");
            s.dynamicQR = true;
            s.quickReply = true;
            s.imageFilename = "a.png";
            return s;
        }(),
    });
    auto picker = makePicker();
    picker->appear();
    const auto rows = picker->rows();
    ASSERT_EQ(rows.size(), 4u);

    using Row = SnippetPickerPanel::Row;
    const auto& ids = store.snippets();
    EXPECT_EQ(rows[0], (Row{ids[0].id, "text.bubble", "Mẫu chưa đặt tên", "Gõ tắt", ";ship",
                            "Phí ship 30k nội thành", true}));
    EXPECT_EQ(rows[1], (Row{ids[1].id, "text.bubble", "Báo cọc", "Trả lời nhanh", ";tl1",
                            "Cọc {so_tien}", false}));
    EXPECT_EQ(rows[2],
              (Row{ids[2].id, "photo", "Ảnh", "Trả lời nhanh", ";anh", std::nullopt, false}));
    EXPECT_EQ(rows[3], (Row{ids[3].id, "qrcode", "QR", "QR chuyển khoản", ";ck", "STK", false}));
}

TEST_F(SnippetPickerPanelTest, EmptyListsSayWhy) {
    auto picker = makePicker();
    picker->appear();
    EXPECT_EQ(picker->emptyMessage(), std::nullopt);

    picker->setQuery("khong co mau nay");
    EXPECT_EQ(picker->emptyMessage(), "Không tìm thấy mẫu phù hợp");
    EXPECT_FALSE(picker->canChoose());
    EXPECT_FALSE(picker->submit());

    store.setSnippets({snippet("Trống", "trong", "")});
    picker->setQuery("");
    EXPECT_EQ(picker->emptyMessage(), "Chưa có mẫu để dán");
    EXPECT_FALSE(picker->submit());
    EXPECT_FALSE(picker->isFinished());
    EXPECT_TRUE(chosen.empty());
}

TEST_F(SnippetPickerPanelTest, ReturnChoosesTheHighlightedSnippet) {
    auto picker = makePicker();
    picker->appear();
    picker->setQuery("don");
    EXPECT_TRUE(picker->canChoose());
    EXPECT_TRUE(picker->submit());
    EXPECT_EQ(chosen, std::vector<std::string>{"Hỏi đơn"});
}

TEST_F(SnippetPickerPanelTest, ExactlyOneOutcome) {
    {
        auto picker = makePicker();
        picker->appear();
        EXPECT_TRUE(picker->chooseRow(1));
        EXPECT_FALSE(picker->windowClosed());
        EXPECT_FALSE(picker->cancel());
        EXPECT_FALSE(picker->submit());
    }
    {
        auto picker = makePicker();
        picker->appear();
        EXPECT_TRUE(picker->windowClosed());
        EXPECT_FALSE(picker->chooseRow(0));
        EXPECT_FALSE(picker->cancel());
    }
    {
        auto picker = makePicker();
        EXPECT_FALSE(picker->chooseRow(99));
        EXPECT_TRUE(picker->cancel());
        EXPECT_FALSE(picker->windowClosed());
    }
    EXPECT_EQ(chosen, std::vector<std::string>{"Áo thun"});
    EXPECT_EQ(cancelled, 2);
}

TEST_F(SnippetPickerPanelTest, DrivenThroughTheSimulatedHost) {
    platform::sim::SimDesktop desktop;
    sim::SimPanelHost host(desktop);
    std::unique_ptr<SnippetPickerPanel> picker;
    std::optional<std::string> received;
    picker = std::make_unique<SnippetPickerPanel>(
        store,
        [&](const Snippet& s) {
            picker.reset();
            received = s.title;
        },
        [&] { picker.reset(); });

    host.present(*picker);
    desktop.mainQueue().runReady();
    EXPECT_EQ(desktop.frontmostApplication()->pid, platform::sim::SimDesktop::ownPid);
    EXPECT_EQ(host.picker(), picker.get());
    EXPECT_TRUE(picker->searchFocused());

    EXPECT_TRUE(host.typePickerQuery("a"));
    EXPECT_TRUE(host.movePickerSelection(Move::down));
    EXPECT_FALSE(host.movePickerSelection(Move::left));
    EXPECT_TRUE(host.choosePickerResult(2));

    EXPECT_EQ(picker, nullptr);
    EXPECT_EQ(received, titles(SnippetPickerSearch::results("a", store.snippets()))[2]);
    EXPECT_EQ(host.picker(), nullptr);
    EXPECT_FALSE(host.cancelPicker());
    ASSERT_EQ(host.events().size(), 2u);
    EXPECT_EQ(host.events()[1],
              (sim::SimPanelHost::Event{sim::SimPanelHost::PanelKind::picker, false,
                                        "Tìm và dán mẫu", PanelDismissal::close}));
}

}  // namespace
}  // namespace halvora::snippets
