#include "UnsavableDefaults.h"
#include "WorkspaceFixture.h"
#include "workspace/CustomerQRViewModel.h"

#include <gtest/gtest.h>

namespace halvora::workspace {
namespace {

class CustomerQRViewModelTest : public testing::WorkspaceFixture {
  protected:
    std::vector<util::Uuid> edited_;
    CustomerQRViewModel model_{store_, desktop_.userDefaults(),
                               [this](const util::Uuid& id) { edited_.push_back(id); }};
};

TEST_F(CustomerQRViewModelTest, AddingCodesStartsWithVcbqThenNumbersQrCodes) {
    const std::vector<std::string> expected{";vcbq", ";qr1", ";qr2"};
    for (const std::string& code : expected) {
        const util::Uuid id = model_.addDynamicSnippet();
        const snippets::Snippet& added = store_.snippets().back();
        EXPECT_EQ(added.id, id);
        EXPECT_EQ(added.trigger, code);
        EXPECT_EQ(added.title, "Tạo QR chuyển khoản khi dán");
        EXPECT_EQ(added.text, "");
        EXPECT_EQ(added.imageFilename, std::nullopt);
        EXPECT_EQ(added.hotkeySlot, std::nullopt);
        EXPECT_EQ(added.qrMemo, std::nullopt);
        EXPECT_EQ(added.dynamicQR, std::optional<bool>(true));
        EXPECT_EQ(added.quickReply, std::nullopt);
        ASSERT_FALSE(edited_.empty());
        EXPECT_EQ(edited_.back(), id) << "opened for editing";
    }
    EXPECT_EQ(model_.dynamicSnippets().size(), 3u);
}

TEST_F(CustomerQRViewModelTest, NextTrigger) {
    const auto withCodes = [](std::vector<std::string> codes) {
        std::vector<snippets::Snippet> list;
        for (auto& code : codes) {
            snippets::Snippet s;
            s.trigger = std::move(code);
            list.push_back(std::move(s));
        }
        return list;
    };
    const struct {
        const char* name;
        std::vector<std::string> codes;
        const char* next;
    } cases[] = {
        {"empty", {}, ";vcbq"},
        {"vcbq without ;", {"vcbq"}, ";qr1"},
        {"VCBQ: case is kept", {"VCBQ"}, ";vcbq"},
        {"gap", {";vcbq", "qr1", ";qr3"}, ";qr2"},
        {"QR1 is not qr1", {";vcbq", ";QR1"}, ";qr1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CustomerQRViewModel::nextTrigger(withCodes(c.codes)), c.next);
    }

    std::vector<std::string> all{";vcbq"};
    for (int n = 1; n <= 9999; ++n) {
        all.push_back(";qr" + std::to_string(n));
    }
    const std::string fallback = CustomerQRViewModel::nextTrigger(withCodes(all));
    ASSERT_EQ(fallback.size(), 9u);
    EXPECT_EQ(fallback.substr(0, 3), ";qr");
    EXPECT_EQ(fallback.find_first_not_of("0123456789abcdef", 3), std::string::npos) << fallback;
}

TEST_F(CustomerQRViewModelTest, AnExistingVcbqInAnyFormCanBeSwitchedOn) {
    EXPECT_EQ(model_.existingVCBQIndex(), std::nullopt);
    EXPECT_FALSE(model_.canEnableExistingVCBQ());
    addSnippet("Khác", "ck");
    const util::Uuid id = addSnippet("Vietcombank", "VCBQ", "Chuyển giúp em");
    EXPECT_EQ(model_.existingVCBQIndex(), std::optional<std::size_t>(1));
    EXPECT_TRUE(model_.canEnableExistingVCBQ());
    EXPECT_TRUE(model_.enableExistingVCBQ());
    EXPECT_EQ(store_.find(id)->dynamicQR, std::optional<bool>(true));
    EXPECT_FALSE(model_.canEnableExistingVCBQ()) << "the button goes away";
    EXPECT_FALSE(model_.enableExistingVCBQ());

    store_.update(id, [](snippets::Snippet& s) { s.trigger = ";;vcbq;"; });
    EXPECT_EQ(model_.existingVCBQIndex(), std::optional<std::size_t>(1));
}

TEST_F(CustomerQRViewModelTest, ConfiguredMarkNeedsBankAccountAndNameOnly) {
    const struct {
        const char* bank;
        const char* account;
        const char* name;
        bool configured;
    } cases[] = {
        {"VCB", "123", "NGUYEN VAN A", true},
        {"xx", "not digits", "?", true},  // no validation here
        {"VCB", " \n", "A", false},
        {"", "123", "A", false},
        {"VCB", "123", "\t", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.account);
        model_.setBankID(c.bank);
        model_.setAccountNumber(c.account);
        model_.setAccountName(c.name);
        EXPECT_EQ(model_.isAccountConfigured(), c.configured);
    }
}

TEST_F(CustomerQRViewModelTest, FieldsAreTheQRUserDefaults) {
    platform::UserDefaults& defaults = desktop_.userDefaults();
    EXPECT_TRUE(model_.randomMemo()) << "on when absent";
    EXPECT_EQ(model_.amount(), "");

    for (const QRAccountField& field : CustomerQRViewModel::accountFields) {
        model_.setValue(field.key, std::string(field.label));
        EXPECT_EQ(defaults.stringValue(field.key), std::string(field.label));
        EXPECT_EQ(model_.value(field.key), field.label);
    }
    EXPECT_EQ(model_.bankID(), "Ngân hàng");
    EXPECT_EQ(model_.amount(), "Số tiền mặc định");

    model_.setRandomMemo(false);
    EXPECT_EQ(defaults.boolValue("qr.randomMemo"), false);
    model_.setDefaultMemo("Cam on");
    EXPECT_EQ(defaults.stringValue("qr.defaultMemo"), "Cam on");

    defaults.set("qr.accountName", std::int64_t{5});
    EXPECT_EQ(model_.accountName(), "") << "another type reads as empty";
}

TEST_F(CustomerQRViewModelTest, AChangeThatCannotBeSavedIsShownUnsavedAndSavedWithTheNext) {
    platform::UserDefaults& real = desktop_.userDefaults();
    real.set("qr.bankID", "VCB");
    halvora::testing::UnsavableDefaults unsavable(real);
    CustomerQRViewModel model(store_, unsavable, {});
    EXPECT_EQ(model.saveError(), std::nullopt);

    model.setBankID("ACB");
    model.setRandomMemo(false);
    EXPECT_EQ(real.stringValue("qr.bankID"), "VCB") << "the stored account is untouched";
    EXPECT_EQ(real.object("qr.randomMemo"), std::nullopt);
    EXPECT_EQ(model.bankID(), "ACB") << "what the user typed stays in the field";
    EXPECT_FALSE(model.randomMemo());
    EXPECT_FALSE(model.isSaved("qr.bankID"));
    EXPECT_FALSE(model.isSaved("qr.randomMemo"));
    EXPECT_TRUE(model.isSaved("qr.accountNumber"));
    EXPECT_EQ(model.saveError(), CustomerQRViewModel::saveFailedText);
    unsavable.set("qr.accountNumber", "0123");
    unsavable.set("qr.accountName", "A");
    model.setAccountName("B");
    EXPECT_TRUE(model.isAccountConfigured()) << "from what is stored";
    real.set("qr.bankID", "");
    EXPECT_FALSE(model.isAccountConfigured()) << "an unsaved bank does not count";

    unsavable.failing = false;
    model.setAccountNumber("0123");
    EXPECT_EQ(real.stringValue("qr.bankID"), "ACB") << "saved together with the next change";
    EXPECT_EQ(real.boolValue("qr.randomMemo"), false);
    EXPECT_EQ(real.stringValue("qr.accountNumber"), "0123");
    EXPECT_EQ(model.saveError(), std::nullopt);
    EXPECT_TRUE(model.isSaved("qr.bankID"));
}

TEST_F(CustomerQRViewModelTest, CompletingTheAccountSwitchesOnAnUntouchedVcbq) {
    const util::Uuid untouched = addSnippet("Cũ", "vcbq", "chuyển khoản");
    model_.setBankID("VCB");
    model_.setAccountNumber("0123456789");
    EXPECT_EQ(store_.find(untouched)->dynamicQR, std::nullopt);
    model_.setAccountName("NGUYEN VAN A");
    EXPECT_EQ(store_.find(untouched)->dynamicQR, std::optional<bool>(true));

    store_.update(untouched, [](snippets::Snippet& s) { s.dynamicQR = false; });
    model_.setAccountName("NGUYEN VAN B");
    EXPECT_EQ(store_.find(untouched)->dynamicQR, std::optional<bool>(false))
        << "a choice the user made stays";
}

TEST_F(CustomerQRViewModelTest, RowsDetailsAndServiceNote) {
    snippets::Snippet s;
    s.title = "";
    s.trigger = "ck";
    EXPECT_EQ(CustomerQRViewModel::rowTitle(s), "QR chuyển khoản");
    EXPECT_EQ(CustomerQRViewModel::rowCode(s), ";ck");

    const util::Uuid id = addSnippet("QR", "qr");
    model_.editSnippet(id);
    EXPECT_EQ(edited_, std::vector<util::Uuid>{id});

    EXPECT_FALSE(model_.showDetails());
    model_.setShowDetails(true);
    EXPECT_TRUE(model_.showDetails());

    EXPECT_EQ(model_.privacyNote(),
              "Thông tin tài khoản và nội dung chuyển khoản (nếu có) được gửi qua HTTPS tới "
              "VietQR (img.vietqr.io) để lấy ảnh QR.");
    desktop_.userDefaults().set("qr.imageURL", "http://127.0.0.1:39419/base");
    EXPECT_EQ(model_.privacyNote(),
              "Thông tin tài khoản và nội dung chuyển khoản (nếu có) được gửi qua HTTPS tới "
              "127.0.0.1:39419 để lấy ảnh QR.");
}

}  // namespace
}  // namespace halvora::workspace
