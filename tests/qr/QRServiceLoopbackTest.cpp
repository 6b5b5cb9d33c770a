// The whole generation through the real adapters (libcurl, Qt, zxing-cpp)
// against the loopback bank directory and QR image service.

#include "qr/DynamicQRGenerator.h"
#include "qr/QRService.h"

#include "TestBedServer.h"
#include "TransferPayload.h"
#include "platform/InMemoryUserDefaults.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/qt/HeadlessGuiApplication.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/sim/SimMainQueue.h"
#include "platform/sim/SimWorkerQueue.h"
#include "platform/zxing/ZXingBarcodeReader.h"
#include "qr/PlatformFailure.h"
#include "qr/QRServiceError.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace halvora::qr {
namespace {

using Kind = QRServiceError::Kind;
using testbed::DirectoryBehaviour;
using testbed::ImageBehaviour;

template <typename Behaviour>
Behaviour with(void (*change)(Behaviour&)) {
    Behaviour behaviour;
    change(behaviour);
    return behaviour;
}

class QRServiceLoopbackTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { application_ = new platform::qt::HeadlessGuiApplication(); }
    static void TearDownTestSuite() {
        delete application_;
        application_ = nullptr;
    }

    QRServiceLoopbackTest()
        : http_(platform::curl::CurlHttpClient::Options{std::chrono::milliseconds(3000),
                                                        std::chrono::milliseconds(2500)}) {}

    QREndpoints endpoints() const { return {server_.baseUrl(), server_.baseUrl() + "/"}; }
    QRServicePorts ports() { return {http_, codec_, reader_}; }

    GeneratedQR generate(const QRRequest& request) {
        return QRService::generate(request, ports(), endpoints());
    }

    /// The kind of QR error the generation ends with; a test failure when it
    /// succeeds or ends otherwise.
    std::optional<Kind> errorKind(const QRRequest& request) {
        try {
            generate(request);
            ADD_FAILURE() << "no error";
        } catch (const QRServiceError& error) {
            return error.kind();
        } catch (const std::exception& error) {
            ADD_FAILURE() << "unexpected exception: " << error.what();
        }
        return std::nullopt;
    }

    const QRRequest request_{"vcb", "0123456789", "Nguyễn Văn Đức", "150000", "Cảm ơn anh"};

    static platform::qt::HeadlessGuiApplication* application_;
    testbed::TestBedServer server_;
    platform::curl::CurlHttpClient http_;
    platform::qt::QtImageCodec codec_;
    platform::zxing::ZXingBarcodeReader reader_;
};

platform::qt::HeadlessGuiApplication* QRServiceLoopbackTest::application_ = nullptr;

TEST_F(QRServiceLoopbackTest, GeneratesAVerifiedPng) {
    const GeneratedQR qr = generate(request_);
    EXPECT_EQ(qr.bankName, "Vietcombank");
    EXPECT_EQ(qr.accountName, "NGUYEN VAN DUC");
    const auto size = codec_.pixelSize(qr.png);
    ASSERT_TRUE(size);
    EXPECT_EQ(*size, (platform::PixelSize{540, 540}));
    // The PNG handed on reads back as the transfer that was asked for.
    const auto image = codec_.decode(qr.png);
    ASSERT_TRUE(image);
    const auto read = reader_.readQRCodes(*image);
    ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(read));
    const auto& payloads = std::get<std::vector<std::string>>(read);
    ASSERT_EQ(payloads.size(), 1u);
    EXPECT_EQ(payloads[0],
              testing::transferPayload({"970436", "0123456789", "150000", "CAM ON ANH"}));

    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/v2/banks");
    EXPECT_EQ(requests[1].target,
              "/image/970436-0123456789-compact2.svg"
              "?accountName=NGUYEN%20VAN%20DUC&addInfo=CAM%20ON%20ANH&amount=150000");
}

TEST_F(QRServiceLoopbackTest, WithoutMemoOrAmountAndByBin) {
    const GeneratedQR qr = generate({"970422", "MB0099887766", "Lê Thị B", "", ""});
    EXPECT_EQ(qr.bankName, "MBBank");
    EXPECT_EQ(server_.requests().back().target,
              "/image/970422-MB0099887766-compact2.svg?accountName=LE%20THI%20B");
}

TEST_F(QRServiceLoopbackTest, UnusableDirectory) {
    const DirectoryBehaviour behaviours[] = {
        with<DirectoryBehaviour>([](DirectoryBehaviour& b) { b.status = 500; }),
        with<DirectoryBehaviour>([](DirectoryBehaviour& b) { b.code = "01"; }),
        with<DirectoryBehaviour>([](DirectoryBehaviour& b) { b.binAsNumber = true; }),
        with<DirectoryBehaviour>([](DirectoryBehaviour& b) { b.invalidJson = true; }),
    };
    for (const auto& behaviour : behaviours) {
        server_.setDirectory(behaviour);
        EXPECT_EQ(errorKind(request_), Kind::serviceUnavailable)
            << behaviour.status << " " << behaviour.code;
        EXPECT_EQ(server_.requests().size(), 1u);
        server_.reset();
    }
}

TEST_F(QRServiceLoopbackTest, UnknownBank) {
    EXPECT_EQ(errorKind({"Ngân hàng TMCP Quân đội", "0123456789", "LE THI B", "", ""}),
              Kind::invalid);
}

TEST_F(QRServiceLoopbackTest, UnusableImageResponse) {
    const ImageBehaviour serviceUnavailable[] = {
        with<ImageBehaviour>([](ImageBehaviour& b) { b.status = 500; }),
        with<ImageBehaviour>([](ImageBehaviour& b) { b.body = ImageBehaviour::Body::empty; }),
        with<ImageBehaviour>([](ImageBehaviour& b) { b.bodyBytes = 3'000'001; }),
    };
    for (const auto& behaviour : serviceUnavailable) {
        server_.setImage(behaviour);
        EXPECT_EQ(errorKind(request_), Kind::serviceUnavailable) << behaviour.bodyBytes;
    }
    // The oversized body was not read to its end.
    const auto stream = server_.waitForStreamEnd(std::chrono::milliseconds(2000));
    ASSERT_TRUE(stream);
    EXPECT_FALSE(stream->complete());

    const ImageBehaviour invalidImage[] = {
        with<ImageBehaviour>([](ImageBehaviour& b) { b.body = ImageBehaviour::Body::notAnImage; }),
        with<ImageBehaviour>([](ImageBehaviour& b) { b.body = ImageBehaviour::Body::blank; }),
        with<ImageBehaviour>([](ImageBehaviour& b) {
            b.width = 399;
            b.height = 540;
        }),
        with<ImageBehaviour>([](ImageBehaviour& b) {
            b.width = 540;
            b.height = 399;
        }),
    };
    for (const auto& behaviour : invalidImage) {
        server_.setImage(behaviour);
        EXPECT_EQ(errorKind(request_), Kind::invalidImage)
            << behaviour.width << "x" << behaviour.height;
    }
}

TEST_F(QRServiceLoopbackTest, ALargeBodyWithinTheLimitIsAccepted) {
    server_.setImage(with<ImageBehaviour>([](ImageBehaviour& b) { b.bodyBytes = 2'900'000; }));
    EXPECT_EQ(generate(request_).bankName, "Vietcombank");
}

TEST_F(QRServiceLoopbackTest, OtherContentIsMismatched) {
    const ImageBehaviour behaviours[] = {
        with<ImageBehaviour>([](ImageBehaviour& b) { b.memo = "CHUC MUNG"; }),
        with<ImageBehaviour>([](ImageBehaviour& b) { b.memo = ""; }),
        with<ImageBehaviour>([](ImageBehaviour& b) { b.amount = "15000"; }),
        with<ImageBehaviour>([](ImageBehaviour& b) { b.amount = "150000.00"; }),
        with<ImageBehaviour>([](ImageBehaviour& b) { b.account = "0123456788"; }),
        with<ImageBehaviour>([](ImageBehaviour& b) { b.bin = "970407"; }),
        with<ImageBehaviour>([](ImageBehaviour& b) {
            b.payload =
                "00-1" + testing::transferPayload({"970436", "0123456789", "150000", "CAM ON ANH"});
        }),
    };
    for (const auto& behaviour : behaviours) {
        server_.setImage(behaviour);
        EXPECT_EQ(errorKind(request_), Kind::mismatchedQR);
    }
}

TEST_F(QRServiceLoopbackTest, TransportFailuresCarryTheirOwnDescription) {
    server_.setImage(
        with<ImageBehaviour>([](ImageBehaviour& b) { b.delay = std::chrono::milliseconds(6000); }));
    try {
        generate(request_);
        ADD_FAILURE() << "no error";
    } catch (const PlatformFailure& failure) {
        EXPECT_FALSE(failure.localizedDescription().empty());
    }
    // Nobody listening.
    int closedPort = 0;
    {
        testbed::TestBedServer gone;
        closedPort = gone.port();
    }
    const std::string base = "http://127.0.0.1:" + std::to_string(closedPort);
    try {
        QRService::generate(request_, ports(), {base, base});
        ADD_FAILURE() << "no error";
    } catch (const PlatformFailure& failure) {
        EXPECT_FALSE(failure.localizedDescription().empty());
    }
}

TEST_F(QRServiceLoopbackTest, TheControllerSourceHandsBackTheVerifiedPng) {
    platform::InMemoryUserDefaults defaults;
    defaults.set("qr.directoryURL", server_.baseUrl());
    defaults.set("qr.imageURL", server_.baseUrl());
    platform::sim::SimWorkerQueue worker;
    platform::sim::SimMainQueue main;
    DynamicQRGenerator generator({defaults, worker, main, http_, codec_, reader_});
    std::optional<input::DynamicQRSource::Result> result;
    const DynamicQRProfile profile{"VCB", "0123456789", "Nguyễn Văn Đức", "", true, ""};
    generator.prepare(profile, generator.nextWishMemo(), [&](auto r) { result = std::move(r); });
    worker.runAll();
    main.runReady();
    ASSERT_TRUE(result);
    ASSERT_TRUE(result->png) << result->errorDescription;
    const std::optional<platform::Image> image = codec_.decode(*result->png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size, (platform::PixelSize{540, 540}));
}

}  // namespace
}  // namespace halvora::qr
