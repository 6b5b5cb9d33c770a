#include "TemporaryFolder.h"
#include "TestBedServer.h"

#include "cli/SimulateSession.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace halvora::cli {
namespace {

// A QR snippet pasted in a simulated chat, with the image made for real by
// the loopback bank directory and image service.
class SimulateQRTest : public ::testing::Test {
  protected:
    SimulateQRTest() {
        std::ofstream(data_.path() / "snippets.json")
            << R"([{"id":"6F1C2A10-3B4D-4E5F-8A9B-0C1D2E3F4A09","trigger":"ck","title":"Chuyển khoản",)"
               R"("text":"Anh chuyển khoản giúp em ạ","dynamicQR":true}])";
        options_.dataFolder = data_.path();
        options_.configFolder = config_.path();
        session_ = std::make_unique<SimulateSession>(options_, out_);
        platform::UserDefaults& defaults = session_->userDefaults();
        defaults.set("qr.directoryURL", server_.baseUrl());
        defaults.set("qr.imageURL", server_.baseUrl());
        defaults.set("qr.bankID", "970436");
        defaults.set("qr.accountNumber", "0123456789");
        defaults.set("qr.accountName", "Nguyen Van A");
    }

    halvora::testing::TemporaryFolder data_;
    halvora::testing::TemporaryFolder config_;
    testbed::TestBedServer server_;
    SimulateOptions options_;
    std::ostringstream out_;
    std::unique_ptr<SimulateSession> session_;
};

TEST_F(SimulateQRTest, CodePastesTextThenTheGeneratedImage) {
    ASSERT_EQ(session_->run("type ;ck ").status, SimulateStep::Status::ok);
    EXPECT_TRUE(session_->controller().qrBusy());
    ASSERT_EQ(session_->run("wait 1000").status, SimulateStep::Status::ok);
    EXPECT_EQ(session_->controller().qrStatus(), "Đã dán chữ và ảnh QR mới.");
    EXPECT_EQ(session_->fieldText(), "Anh chuyển khoản giúp em ạ\n");
    ASSERT_NE(session_->desktop().focusedField(), nullptr);
    EXPECT_EQ(session_->desktop().focusedField()->pastedImages().size(), 1u);
}

TEST_F(SimulateQRTest, TypingBeforeTheImageIsReadyCancels) {
    ASSERT_EQ(session_->run("type ;ck x").status, SimulateStep::Status::ok);
    ASSERT_EQ(session_->run("wait 1000").status, SimulateStep::Status::ok);
    EXPECT_EQ(session_->controller().qrStatus(),
              "Đã hủy QR vì anh tiếp tục gõ hoặc di chuyển con trỏ.");
    EXPECT_EQ(session_->fieldText(), "x");
    EXPECT_TRUE(session_->desktop().focusedField()->pastedImages().empty());
}

}  // namespace
}  // namespace halvora::cli
