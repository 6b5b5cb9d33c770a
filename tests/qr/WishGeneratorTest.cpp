#include "qr/WishGenerator.h"

#include "TemporaryFolder.h"
#include "platform/InMemoryUserDefaults.h"
#include "platform/JsonFileUserDefaults.h"
#include "qr/QRService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace halvora::qr {
namespace {

using platform::DefaultsValue;
using platform::InMemoryUserDefaults;

std::vector<std::string> remaining(const platform::UserDefaults& defaults) {
    return defaults.stringArrayValue("qr.remainingWishes").value_or(std::vector<std::string>{});
}

/// A shuffle that leaves the list in its original order.
std::size_t noShuffle(std::size_t bound) {
    return bound - 1;
}

TEST(WishGeneratorTest, TheThirtyWishesAndTheirMemos) {
    const std::pair<std::string, std::string> expected[] = {
        {"Chúc mừng sinh nhật", "CHUC MUNG SINH NHAT"},
        {"Phát tài phát lộc", "PHAT TAI PHAT LOC"},
        {"Vạn sự như ý", "VAN SU NHU Y"},
        {"An khang thịnh vượng", "AN KHANG THINH VUONG"},
        {"Tấn tài tấn lộc", "TAN TAI TAN LOC"},
        {"May mắn mỗi ngày", "MAY MAN MOI NGAY"},
        {"Luôn vui vẻ", "LUON VUI VE"},
        {"Bình an nhé", "BINH AN NHE"},
        {"Cười thật nhiều", "CUOI THAT NHIEU"},
        {"Mọi điều suôn sẻ", "MOI DIEU SUON SE"},
        {"Ngày mới tốt lành", "NGAY MOI TOT LANH"},
        {"Hạnh phúc đong đầy", "HANH PHUC DONG DAY"},
        {"Chúc nhiều niềm vui", "CHUC NHIEU NIEM VUI"},
        {"Công việc hanh thông", "CONG VIEC HANH THONG"},
        {"Thuận buồm xuôi gió", "THUAN BUOM XUOI GIO"},
        {"Thành công rực rỡ", "THANH CONG RUC RO"},
        {"Tâm an vạn sự an", "TAM AN VAN SU AN"},
        {"Luôn gặp điều lành", "LUON GAP DIEU LANH"},
        {"Niềm vui ngập tràn", "NIEM VUI NGAP TRAN"},
        {"Tiền vào như nước", "TIEN VAO NHU NUOC"},
        {"Sức khỏe dồi dào", "SUC KHOE DOI DAO"},
        {"Chúc ngày rạng rỡ", "CHUC NGAY RANG RO"},
        {"Hôm nay thật vui", "HOM NAY THAT VUI"},
        {"Bình yên bên nhau", "BINH YEN BEN NHAU"},
        {"Trăm điều may mắn", "TRAM DIEU MAY MAN"},
        {"Khởi đầu thuận lợi", "KHOI DAU THUAN LOI"},
        {"Hẹn ngày gặp lại", "HEN NGAY GAP LAI"},
        {"Cảm ơn thật nhiều", "CAM ON THAT NHIEU"},
        {"Một ngày tuyệt vời", "MOT NGAY TUYET VOI"},
        {"Chúc luôn thành công", "CHUC LUON THANH CONG"},
    };
    ASSERT_EQ(std::size(expected), WishGenerator::wishes.size());
    for (std::size_t i = 0; i < WishGenerator::wishes.size(); ++i) {
        EXPECT_EQ(WishGenerator::wishes[i], expected[i].first);
        // Each memo is what the QR service accepts as it is.
        EXPECT_EQ(QRService::normalizedText(expected[i].first), expected[i].second);
        EXPECT_LE(expected[i].second.size(), 20u);
        EXPECT_NO_THROW(
            QRService::validated({"VCB", "012345", "NGUYEN AN", "", expected[i].first}));
    }
}

TEST(WishGeneratorTest, ACycleHandsOutEveryWishOnceThenStartsAgain) {
    InMemoryUserDefaults defaults;
    std::set<std::string> seen;
    for (std::size_t call = 1; call <= 30; ++call) {
        const WishGenerator::WishPaste paste = WishGenerator::nextPaste(defaults);
        EXPECT_TRUE(seen.insert(paste.wish).second) << "repeated within a cycle: " << paste.wish;
        EXPECT_EQ(paste.memo, QRService::normalizedText(paste.wish));
        EXPECT_EQ(defaults.stringValue("qr.lastWish"), paste.wish);
        EXPECT_EQ(remaining(defaults).size(), 30 - call);
    }
    EXPECT_EQ(seen.size(), 30u);
    WishGenerator::nextPaste(defaults);
    EXPECT_EQ(remaining(defaults).size(), 29u);
}

TEST(WishGeneratorTest, TheNextWishIsTheLastStoredOne) {
    InMemoryUserDefaults defaults;
    const std::string a(WishGenerator::wishes[3]), b(WishGenerator::wishes[5]);
    defaults.set("qr.remainingWishes", DefaultsValue(std::vector<std::string>{a, b}));
    EXPECT_EQ(WishGenerator::nextPaste(defaults).wish, b);
    EXPECT_EQ(remaining(defaults), std::vector<std::string>{a});
    EXPECT_EQ(WishGenerator::nextPaste(defaults).wish, a);
    EXPECT_EQ(remaining(defaults), std::vector<std::string>{});
}

TEST(WishGeneratorTest, StoredEntriesThatAreNotWishesAreDropped) {
    InMemoryUserDefaults defaults;
    const std::string a(WishGenerator::wishes[3]), b(WishGenerator::wishes[5]);
    defaults.set("qr.remainingWishes", DefaultsValue(std::vector<std::string>{
                                           "x", a, "Chúc mừng", b, "", "LUON VUI VE"}));
    EXPECT_EQ(WishGenerator::nextPaste(defaults).wish, b);
    EXPECT_EQ(remaining(defaults), std::vector<std::string>{a});

    // Only strangers left, or a value of another type: a new cycle.
    for (const DefaultsValue& stored :
         {DefaultsValue(std::vector<std::string>{"x", "y"}), DefaultsValue(std::string(a))}) {
        defaults.set("qr.remainingWishes", stored);
        const std::string wish = WishGenerator::nextPaste(defaults).wish;
        EXPECT_EQ(remaining(defaults).size(), 29u);
        EXPECT_NE(std::find(WishGenerator::wishes.begin(), WishGenerator::wishes.end(), wish),
                  WishGenerator::wishes.end());
    }
}

TEST(WishGeneratorTest, ANewCycleNeverOpensWithTheWishThatEndedTheLast) {
    // Unshuffled, the cycle would open with the list's last wish.
    const std::string lastOfList(WishGenerator::wishes.back());
    const std::string firstOfList(WishGenerator::wishes.front());
    {
        InMemoryUserDefaults defaults;
        EXPECT_EQ(WishGenerator::nextPaste(defaults, noShuffle).wish, lastOfList);
    }
    InMemoryUserDefaults defaults;
    defaults.set("qr.lastWish", lastOfList);
    EXPECT_EQ(WishGenerator::nextPaste(defaults, noShuffle).wish, firstOfList);
    const auto rest = remaining(defaults);
    ASSERT_EQ(rest.size(), 29u);
    EXPECT_EQ(rest.front(), lastOfList);

    // With real randomness, over many cycle boundaries.
    InMemoryUserDefaults rotating;
    std::string previous;
    for (int call = 0; call < 30 * 200; ++call) {
        const std::string wish = WishGenerator::nextPaste(rotating).wish;
        if (call % 30 == 0 && call > 0) {
            EXPECT_NE(wish, previous) << "call " << call;
        }
        previous = wish;
    }
}

TEST(WishGeneratorTest, TheShuffleReachesEveryOpeningWish) {
    std::set<std::string> openings;
    for (int cycle = 0; cycle < 2000 && openings.size() < 30; ++cycle) {
        InMemoryUserDefaults defaults;
        openings.insert(WishGenerator::nextPaste(defaults).wish);
    }
    EXPECT_EQ(openings.size(), 30u);
}

TEST(WishGeneratorTest, TheRotationSurvivesARestart) {
    halvora::testing::TemporaryFolder folder;
    platform::RecordingLog log;
    std::set<std::string> seen;
    {
        platform::JsonFileUserDefaults defaults(folder / "defaults.json", log);
        for (int call = 0; call < 10; ++call) {
            seen.insert(WishGenerator::nextPaste(defaults).wish);
        }
    }
    platform::JsonFileUserDefaults defaults(folder / "defaults.json", log);
    for (int call = 0; call < 20; ++call) {
        EXPECT_TRUE(seen.insert(WishGenerator::nextPaste(defaults).wish).second);
    }
    EXPECT_EQ(seen.size(), 30u);
    EXPECT_TRUE(log.messages.empty());
}

}  // namespace
}  // namespace halvora::qr
