#include "TestBedServer.h"

#include "BankDirectory.h"
#include "TransferPayload.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/zxing/ZXingBarcodeReader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <set>

namespace halvora::testbed {
namespace {

using platform::Bytes;
using platform::HttpResponse;

class TestBedServerTest : public testing::Test {
  protected:
    HttpResponse get(const std::string& target) {
        auto result = client_.get({server_.baseUrl() + target, {}, {}});
        if (const auto* error = std::get_if<platform::PlatformError>(&result)) {
            ADD_FAILURE() << error->localizedDescription;
            return {};
        }
        return std::get<HttpResponse>(std::move(result));
    }

    /// The payloads of the QR code in an image body, as the app reads them.
    std::vector<std::string> codesIn(const Bytes& body) {
        const auto image = codec_.decode(body);
        if (!image) {
            return {"(not an image)"};
        }
        auto result = reader_.readQRCodes(*image);
        return std::get<std::vector<std::string>>(result);
    }

    TestBedServer server_;
    platform::curl::CurlHttpClient client_;
    platform::qt::QtImageCodec codec_;
    platform::zxing::ZXingBarcodeReader reader_;
};

TEST_F(TestBedServerTest, DirectoryListsRealBanksByDefault) {
    const auto response = get("/v2/banks");
    ASSERT_EQ(response.status, 200);
    const auto document = nlohmann::json::parse(response.body);
    EXPECT_EQ(document.at("code"), "00");
    const auto& data = document.at("data");
    ASSERT_GE(data.size(), 12u);
    std::set<std::string> bins;
    for (const auto& bank : data) {
        const std::string bin = bank.at("bin");
        EXPECT_EQ(bin.size(), 6u);
        bins.insert(bin);
        for (const char* key : {"code", "shortName", "name"}) {
            EXPECT_TRUE(bank.at(key).is_string()) << key;
        }
    }
    EXPECT_EQ(bins.size(), data.size());
    EXPECT_EQ(data.at(0).at("bin"), "970436");
    EXPECT_EQ(data.at(0).at("shortName"), "Vietcombank");
}

TEST_F(TestBedServerTest, DirectorySwitches) {
    struct Case {
        const char* name;
        DirectoryBehaviour behaviour;
        std::function<void(const HttpResponse&)> check;
    };
    DirectoryBehaviour failing;
    failing.status = 500;
    DirectoryBehaviour otherCode;
    otherCode.code = "99";
    DirectoryBehaviour numbers;
    numbers.binAsNumber = true;
    DirectoryBehaviour broken;
    broken.invalidJson = true;
    const Case cases[] = {
        {"status", failing, [](const auto& r) { EXPECT_EQ(r.status, 500); }},
        {"code", otherCode,
         [](const auto& r) { EXPECT_EQ(nlohmann::json::parse(r.body).at("code"), "99"); }},
        {"bin as number", numbers,
         [](const auto& r) {
             const auto document = nlohmann::json::parse(r.body);
             EXPECT_EQ(document.at("data").at(0).at("bin"), 970436);
         }},
        {"invalid json", broken,
         [](const auto& r) {
             EXPECT_EQ(r.status, 200);
             EXPECT_FALSE(nlohmann::json::accept(r.body));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server_.setDirectory(c.behaviour);
        c.check(get("/v2/banks"));
    }
}

TEST_F(TestBedServerTest, ImageCarriesTheRequestedTransfer) {
    const std::string target =
        "/image/970415-ABC123456-compact2.svg?accountName=NGUYEN%20VAN%20A"
        "&addInfo=CHUC%20MUNG%20NAM%20MOI&amount=150000";
    const auto response = get(target);
    ASSERT_EQ(response.status, 200);
    EXPECT_EQ(codec_.pixelSize(response.body), (platform::PixelSize{540, 540}));
    EXPECT_EQ(codesIn(response.body), std::vector<std::string>{transferPayload(
                                          {"970415", "ABC123456", "150000", "CHUC MUNG NAM MOI"})});

    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, target);
    EXPECT_EQ(requests[0].path, "/image/970415-ABC123456-compact2.svg");
}

TEST_F(TestBedServerTest, ImageWithoutAmountOrMemoLeavesThemOut) {
    const auto response = get("/image/970436-0123456789-compact2.svg?accountName=TRAN%20THI%20B");
    EXPECT_EQ(codesIn(response.body),
              std::vector<std::string>{transferPayload({"970436", "0123456789", "", ""})});
}

TEST_F(TestBedServerTest, ImageSwitches) {
    const std::string target =
        "/image/970436-0123456789-compact2.svg?accountName=NGUYEN%20VAN%20A&addInfo=CAM%20ON"
        "&amount=50000";
    const TransferDetails asked{"970436", "0123456789", "50000", "CAM ON"};
    auto with = [](auto change) {
        ImageBehaviour behaviour;
        change(behaviour);
        return behaviour;
    };
    auto codeOf = [](TransferDetails details) {
        return std::vector<std::string>{transferPayload(details)};
    };
    struct Case {
        const char* name;
        ImageBehaviour behaviour;
        int status;
        std::optional<platform::PixelSize> size;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        {"other memo",
         with([](auto& b) { b.memo = "LOI KHAC"; }),
         200,
         {{540, 540}},
         codeOf({"970436", "0123456789", "50000", "LOI KHAC"})},
        {"no memo",
         with([](auto& b) { b.memo = ""; }),
         200,
         {{540, 540}},
         codeOf({"970436", "0123456789", "50000", ""})},
        {"other amount",
         with([](auto& b) { b.amount = "50001"; }),
         200,
         {{540, 540}},
         codeOf({"970436", "0123456789", "50001", "CAM ON"})},
        {"other account and bin",
         with([](auto& b) {
             b.account = "999999";
             b.bin = "970422";
         }),
         200,
         {{540, 540}},
         codeOf({"970422", "999999", "50000", "CAM ON"})},
        {"exact payload",
         with([](auto& b) { b.payload = "00020101-5"; }),
         200,
         {{540, 540}},
         {"00020101-5"}},
        {"small", with([](auto& b) { b.width = 399; }), 200, {{399, 540}}, codeOf(asked)},
        {"blank",
         with([](auto& b) { b.body = ImageBehaviour::Body::blank; }),
         200,
         {{540, 540}},
         {}},
        {"status", with([](auto& b) { b.status = 500; }), 500, {{540, 540}}, codeOf(asked)},
        {"not an image",
         with([](auto& b) { b.body = ImageBehaviour::Body::notAnImage; }),
         200,
         std::nullopt,
         {"(not an image)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server_.setImage(c.behaviour);
        const auto response = get(target);
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(codec_.pixelSize(response.body), c.size);
        EXPECT_EQ(codesIn(response.body), c.codes);
    }

    server_.setImage(with([](auto& b) { b.body = ImageBehaviour::Body::empty; }));
    EXPECT_TRUE(get(target).body.empty());

    server_.setImage(with([](auto& b) { b.bodyBytes = 3'000'001; }));
    const auto padded = get(target);
    EXPECT_EQ(padded.body.size(), 3'000'001u);
    EXPECT_EQ(codesIn(padded.body), codeOf(asked));
}

TEST_F(TestBedServerTest, ImageRefusesWhatTheRealServiceWould) {
    EXPECT_EQ(get("/image/970436-0123456789-compact2.svg").status, 400);
    EXPECT_EQ(get("/image/123456-0123456789-compact2.svg?accountName=A%20B").status, 400);
    EXPECT_EQ(get("/image/VCB-0123456789-compact2.svg?accountName=A%20B").status, 404);
}

TEST_F(TestBedServerTest, ResetRestoresGoodBehaviourAndForgetsRequests) {
    DirectoryBehaviour failing;
    failing.status = 503;
    server_.setDirectory(failing);
    EXPECT_EQ(get("/v2/banks").status, 503);
    server_.reset();
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_EQ(get("/v2/banks").status, 200);
}

}  // namespace
}  // namespace halvora::testbed
