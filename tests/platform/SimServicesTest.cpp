#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimBarcodeReader.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimHttpClient.h"
#include "platform/sim/SimImageCodec.h"
#include "platform/sim/SimLoginItems.h"

#include <gtest/gtest.h>

namespace halvora::platform::sim {
namespace {

TEST(SimAlertsTest, ScriptedAnswersAreUsedInOrderAndEveryAlertIsRecorded) {
    SimAlerts alerts;
    alerts.scriptAnswer(1);
    const Alert quit{"Thoát Halvora?",
                     "Bộ gõ và các phím tắt của Halvora sẽ ngừng hoạt động.",
                     {"Hủy", "Thoát"},
                     AlertStyle::informational};
    const Alert notice{"Chưa thiết lập tài khoản QR", "", {"OK"}};

    EXPECT_EQ(alerts.runModal(quit), 1u);
    EXPECT_EQ(alerts.runModal(notice), 0u);  // unscripted: the first button
    EXPECT_EQ(alerts.shown(), (std::vector<Alert>{quit, notice}));
}

Bytes bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

TEST(SimHttpClientTest, FirstMatchingPrefixAnswersAndRequestsAreRecorded) {
    SimHttpClient http;
    http.scriptBody("https://api.example/v2/banks", R"({"code":"00","data":[]})");
    http.script("https://img.example/image/", HttpResponse{404, {}, false});
    http.script("https://img.example/", HttpResponse{200, bytes("never"), false});

    const auto banks = http.get({"https://api.example/v2/banks", {}, std::nullopt});
    const auto image =
        http.get({"https://img.example/image/970436-0123-compact2.svg?accountName=A", {}, 3});

    ASSERT_TRUE(std::holds_alternative<HttpResponse>(banks));
    EXPECT_EQ(std::get<HttpResponse>(banks).status, 200);
    EXPECT_EQ(std::get<HttpResponse>(banks).body, bytes(R"({"code":"00","data":[]})"));
    ASSERT_TRUE(std::holds_alternative<HttpResponse>(image));
    EXPECT_EQ(std::get<HttpResponse>(image).status, 404);
    EXPECT_EQ(http.requests().size(), 2u);
    EXPECT_EQ(http.requests()[1].maxBodyBytes, 3u);
}

TEST(SimHttpClientTest, UnscriptedUrlIsATransportFailureAndScriptedErrorsPassThrough) {
    SimHttpClient http;
    http.script("https://down.example/",
                PlatformError{"The Internet connection appears to be offline."});

    const auto down = http.get({"https://down.example/v2/banks", {}, std::nullopt});
    const auto unknown = http.get({"https://nowhere.example/", {}, std::nullopt});

    ASSERT_TRUE(std::holds_alternative<PlatformError>(down));
    EXPECT_EQ(std::get<PlatformError>(down).localizedDescription,
              "The Internet connection appears to be offline.");
    ASSERT_TRUE(std::holds_alternative<PlatformError>(unknown));
    EXPECT_EQ(std::get<PlatformError>(unknown).localizedDescription,
              SimHttpClient::unreachableDescription);
}

TEST(SimHttpClientTest, BodyBeyondTheLimitIsCutAndFlagged) {
    SimHttpClient http;
    http.scriptBody("https://img.example/", "0123456789");

    const auto limited = std::get<HttpResponse>(http.get({"https://img.example/a", {}, 4}));
    const auto exact = std::get<HttpResponse>(http.get({"https://img.example/a", {}, 10}));

    EXPECT_TRUE(limited.bodyTooLarge);
    EXPECT_EQ(limited.body.size(), 4u);
    EXPECT_FALSE(exact.bodyTooLarge);
    EXPECT_EQ(exact.body.size(), 10u);
}

constexpr std::uint32_t signature = 0x484C5652;  // HLVR

TEST(SimHotKeysTest, PressReachesTheHandlerWithTheHotKeyId) {
    SimHotKeys hotKeys;
    std::vector<std::uint32_t> pressed;
    auto handler = hotKeys.installHandler([&](const HotKeyId& id) {
        pressed.push_back(id.id);
        return id.id == 1;
    });
    const EventFlags optionCommand = eventFlags::option | eventFlags::command;
    auto suggestion = hotKeys.registerHotKey({{signature, 1}, keyCodes::semicolon, optionCommand});
    auto picker = hotKeys.registerHotKey({{signature, 2}, keyCodes::k, optionCommand});
    ASSERT_TRUE(handler.succeeded());
    ASSERT_TRUE(suggestion.succeeded());
    ASSERT_TRUE(picker.succeeded());

    EXPECT_TRUE(hotKeys.press(keyCodes::semicolon, optionCommand));
    EXPECT_FALSE(hotKeys.press(keyCodes::k, optionCommand));
    EXPECT_FALSE(hotKeys.press(keyCodes::k, eventFlags::command));  // not registered
    EXPECT_EQ(pressed, (std::vector<std::uint32_t>{1, 2}));

    picker.registration.cancel();
    EXPECT_FALSE(hotKeys.press(keyCodes::k, optionCommand));
    EXPECT_EQ(pressed.size(), 2u);
}

TEST(SimHotKeysTest, SecondRegistrationOfTheSameKeyFailsAndForcedFailuresReportTheirStatus) {
    SimHotKeys hotKeys;
    const HotKey key{{signature, 1}, keyCodes::semicolon, eventFlags::option | eventFlags::command};
    auto first = hotKeys.registerHotKey(key);
    auto second = hotKeys.registerHotKey(key);
    EXPECT_TRUE(first.succeeded());
    EXPECT_EQ(second.status, SimHotKeys::hotKeyExistsStatus);
    EXPECT_FALSE(second.registration.isActive());

    hotKeys.setHandlerStatus(-50);
    auto handler = hotKeys.installHandler([](const HotKeyId&) { return true; });
    EXPECT_EQ(handler.status, -50);
    EXPECT_EQ(hotKeys.handlerCount(), 0u);
}

TEST(SimLoginItemsTest, RegisterAndUnregisterChangeTheStatusUnlessTheyFail) {
    SimLoginItems items;
    EXPECT_FALSE(items.registerLoginItem().has_value());
    EXPECT_EQ(items.status(), LoginItemStatus::enabled);

    items.failNext(PlatformError{"Operation not permitted"});
    EXPECT_EQ(items.unregisterLoginItem(), PlatformError{"Operation not permitted"});
    EXPECT_EQ(items.status(), LoginItemStatus::enabled);
    EXPECT_FALSE(items.unregisterLoginItem().has_value());
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);

    items.setRequiresApproval(true);
    items.registerLoginItem();
    EXPECT_EQ(items.status(), LoginItemStatus::requiresApproval);
}

TEST(SimImageCodecTest, SvgIsRasterisedAtItsSizeAndReadBack) {
    SimImageCodec codec;
    SimBarcodeReader reader;
    const std::string svg = SimImageCodec::svg({400, 420}, "000201010212");
    const Bytes body(svg.begin(), svg.end());

    const auto image = codec.decode(body);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size, (PixelSize{400, 420}));
    EXPECT_EQ(codec.pixelSize(body), (PixelSize{400, 420}));

    const auto png = codec.encodePng(*image);
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(SimImageCodec::formatOf(*png), "PNG");
    const auto decoded = codec.decode(*png);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, *image);
    EXPECT_EQ(std::get<std::vector<std::string>>(reader.readQRCodes(*decoded)),
              std::vector<std::string>{"000201010212"});
}

TEST(SimImageCodecTest, UnreadableBytesAndFailuresGiveNothing) {
    SimImageCodec codec;
    for (std::string_view bad :
         {"", "not an image", "SIM-PNG 0 10\n", "SIM-PNG 10\n", "<svg width=\"10\"></svg>",
          "<svg width=\"a\" height=\"2\"></svg>"}) {
        EXPECT_FALSE(codec.decode(Bytes(bad.begin(), bad.end())).has_value()) << bad;
    }
    const Image image{{10, 10}, {}};
    EXPECT_EQ(SimImageCodec::formatOf(*codec.encodeTiff(image)), "TIFF");
    codec.setEncodingFails(true);
    EXPECT_FALSE(codec.encodePng(image).has_value());
}

TEST(SimBarcodeReaderTest, BlankImageHasNoCodeAndReaderFailureIsReported) {
    SimBarcodeReader reader;
    EXPECT_TRUE(
        std::get<std::vector<std::string>>(reader.readQRCodes(Image{{400, 400}, {}})).empty());
    reader.setFailure(PlatformError{"request failed"});
    EXPECT_EQ(
        std::get<PlatformError>(reader.readQRCodes(Image{{400, 400}, {'x'}})).localizedDescription,
        "request failed");
}

}  // namespace
}  // namespace halvora::platform::sim
