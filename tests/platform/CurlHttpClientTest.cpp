#include "platform/curl/CurlHttpClient.h"

#include "TestBedServer.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <thread>

namespace halvora::platform::curl {
namespace {

using testbed::DirectoryBehaviour;
using testbed::ImageBehaviour;
using testbed::TestBedServer;

constexpr std::size_t cap = 3'000'000;

std::string text(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

HttpResponse response(HttpResult result) {
    if (const auto* error = std::get_if<PlatformError>(&result)) {
        ADD_FAILURE() << "transport error: " << error->localizedDescription;
        return {};
    }
    return std::get<HttpResponse>(std::move(result));
}

class CurlHttpClientTest : public testing::Test {
  protected:
    std::string url(const std::string& target) const { return server_.baseUrl() + target; }
    std::string imageUrl() const {
        return url("/image/970436-0123456789-compact2.svg?accountName=NGUYEN%20VAN%20A");
    }

    TestBedServer server_;
    CurlHttpClient client_;
};

TEST_F(CurlHttpClientTest, FetchesTheBankDirectory) {
    const auto got = response(client_.get({url("/v2/banks"), {}, cap}));
    EXPECT_EQ(got.status, 200);
    EXPECT_FALSE(got.bodyTooLarge);
    const auto document = nlohmann::json::parse(text(got.body));
    EXPECT_EQ(document.at("code"), "00");
    EXPECT_EQ(document.at("data").at(0).at("code"), "VCB");
}

TEST_F(CurlHttpClientTest, SendsTheRequestHeadersAndQueryAsGiven) {
    const std::string target = "/v2/banks?x=a%20b&y=%C4%91";
    client_.get({url(target), {{"X-Halvora-Test", "yes"}, {"Accept", "application/json"}}, {}});
    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, target);
    EXPECT_EQ(requests[0].header("X-Halvora-Test"), "yes");
    EXPECT_EQ(requests[0].header("Accept"), "application/json");
}

TEST_F(CurlHttpClientTest, AnyHttpStatusIsAResponseWithItsBody) {
    server_.setDirectory({.status = 500});
    const auto failed = response(client_.get({url("/v2/banks"), {}, cap}));
    EXPECT_EQ(failed.status, 500);
    EXPECT_FALSE(failed.body.empty());

    EXPECT_EQ(response(client_.get({url("/no/such/path"), {}, cap})).status, 404);

    const auto refused =
        response(client_.get({url("/image/970436-0123456789-compact2.svg"), {}, cap}));
    EXPECT_EQ(refused.status, 400);
    EXPECT_NE(text(refused.body).find("accountName"), std::string::npos);
}

struct CapCase {
    const char* name;
    std::size_t bodyBytes;
    bool chunked;
    std::optional<std::size_t> limit;
    bool tooLarge;
};

void PrintTo(const CapCase& c, std::ostream* out) {
    *out << c.name;
}

class CurlSizeCap : public CurlHttpClientTest, public testing::WithParamInterface<CapCase> {};

TEST_P(CurlSizeCap, BodyIsKeptWithinTheLimit) {
    const auto& c = GetParam();
    server_.setImage({.bodyBytes = c.bodyBytes, .chunked = c.chunked});
    const auto got = response(client_.get({imageUrl(), {}, c.limit}));
    EXPECT_EQ(got.status, 200);
    EXPECT_EQ(got.bodyTooLarge, c.tooLarge);
    if (c.tooLarge) {
        EXPECT_LE(got.body.size(), *c.limit);
        if (c.chunked) {
            // Without an announced length the body is read up to the limit.
            EXPECT_EQ(got.body.size(), *c.limit);
        }
    } else {
        ASSERT_EQ(got.body.size(), c.bodyBytes);
        EXPECT_TRUE(text(got.body).starts_with("<?xml"));
        EXPECT_TRUE(text(got.body).ends_with("-->\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(, CurlSizeCap,
                         testing::Values(CapCase{"ExactlyTheLimit", cap, false, cap, false},
                                         CapCase{"OneByteOver", cap + 1, false, cap, true},
                                         CapCase{"ChunkedExactlyTheLimit", cap, true, cap, false},
                                         CapCase{"ChunkedOneByteOver", cap + 1, true, cap, true},
                                         CapCase{"NoLimit", cap + 1, true, std::nullopt, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CurlHttpClientTest, OversizedBodyIsCutOffWhileItArrives) {
    // 64 MB offered in chunks without a length: the client must hang up soon
    // after the limit instead of reading the whole body. Uncompressed, so
    // that the bytes the server managed to send measure what was read (plus
    // what the sockets buffer).
    constexpr std::size_t offered = 64u * 1024 * 1024;
    server_.setImage({.bodyBytes = offered, .chunked = true});
    const auto got = response(client_.get({imageUrl(), {{"Accept-Encoding", "identity"}}, cap}));
    EXPECT_TRUE(got.bodyTooLarge);
    EXPECT_EQ(got.body.size(), cap);

    const auto stream = server_.waitForStreamEnd(std::chrono::seconds(20));
    ASSERT_TRUE(stream.has_value());
    EXPECT_FALSE(stream->complete());
    EXPECT_LT(stream->bytesSent, offered / 4);
}

TEST_F(CurlHttpClientTest, LimitAppliesToTheDecompressedBody) {
    // A padded body compresses to almost nothing; the limit still counts the
    // bytes it unpacks to.
    server_.setImage({.bodyBytes = 2 * cap, .chunked = true});
    const auto got = response(client_.get({imageUrl(), {}, cap}));
    EXPECT_TRUE(got.bodyTooLarge);
    EXPECT_EQ(got.body.size(), cap);
}

TEST_F(CurlHttpClientTest, AnnouncedOversizedBodyIsRefusedBeforeReading) {
    constexpr std::size_t offered = 64u * 1024 * 1024;
    server_.setImage({.bodyBytes = offered});
    const auto got = response(client_.get({imageUrl(), {}, cap}));
    EXPECT_TRUE(got.bodyTooLarge);
    EXPECT_EQ(got.status, 200);

    const auto stream = server_.waitForStreamEnd(std::chrono::seconds(20));
    ASSERT_TRUE(stream.has_value());
    EXPECT_LT(stream->bytesSent, offered / 2);
}

/// A port on 127.0.0.1 that refuses connections: bound, never listening.
class RefusingPort {
  public:
    RefusingPort() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot bind a port on 127.0.0.1");
        }
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(socket_); }
    int port() const { return port_; }

  private:
    int socket_;
    int port_ = 0;
};

TEST(CurlHttpClientFailureTest, RefusedConnectionCarriesCurlsDescription) {
    const RefusingPort refusing;
    CurlHttpClient client;
    const auto result =
        client.get({"http://127.0.0.1:" + std::to_string(refusing.port()) + "/v2/banks", {}, {}});
    const auto* error = std::get_if<PlatformError>(&result);
    ASSERT_NE(error, nullptr);
    // libcurl's detailed message names the address it tried.
    EXPECT_NE(error->localizedDescription.find(std::to_string(refusing.port())), std::string::npos)
        << error->localizedDescription;
    EXPECT_NE(error->localizedDescription.find("onnect"), std::string::npos)
        << error->localizedDescription;
}

TEST(CurlHttpClientFailureTest, UntrustedCertificateIsRefused) {
    const std::string dir = HALVORA_TESTBED_TLS_DIR;
    TestBedServer server(testbed::TlsIdentity{dir + "/loopback.crt", dir + "/loopback.key"});
    ASSERT_TRUE(server.baseUrl().starts_with("https://"));
    CurlHttpClient client;
    const auto result = client.get({server.baseUrl() + "/v2/banks", {}, cap});
    const auto* error = std::get_if<PlatformError>(&result);
    ASSERT_NE(error, nullptr) << "a self-signed certificate was accepted";
    EXPECT_NE(error->localizedDescription.find("certificate"), std::string::npos)
        << error->localizedDescription;
    EXPECT_TRUE(server.requests().empty());
}

TEST(CurlHttpClientFailureTest, HttpsNeverFollowsARedirectToPlainHttp) {
    const std::string dir = HALVORA_TESTBED_TLS_DIR;
    TestBedServer secure(testbed::TlsIdentity{dir + "/loopback.crt", dir + "/loopback.key"});
    TestBedServer plain;
    CurlHttpClient::Options options;
    options.certificateAuthorities = dir + "/loopback.crt";
    CurlHttpClient client(options);

    testbed::DirectoryBehaviour downgrade;
    downgrade.redirectTo = plain.baseUrl() + "/v2/banks";
    secure.setDirectory(downgrade);
    const auto result = client.get({secure.baseUrl() + "/v2/banks?x", {}, cap});
    EXPECT_NE(std::get_if<PlatformError>(&result), nullptr) << "followed https to http";
    EXPECT_TRUE(plain.requests().empty());

    // Redirects that stay on HTTPS are followed, and plain HTTP may still go to HTTPS.
    testbed::DirectoryBehaviour staySecure;
    staySecure.redirectTo =
        secure.baseUrl() + "/image/970436-0123456789-compact2.svg?accountName=NGUYEN%20VAN%20A";
    secure.setDirectory(staySecure);
    EXPECT_EQ(response(client.get({secure.baseUrl() + "/v2/banks", {}, cap})).status, 200);
    secure.reset();
    testbed::DirectoryBehaviour upgrade;
    upgrade.redirectTo = secure.baseUrl() + "/v2/banks";
    plain.setDirectory(upgrade);
    EXPECT_EQ(response(client.get({plain.baseUrl() + "/v2/banks", {}, cap})).status, 200);
}

TEST(CurlHttpClientFailureTest, OnlyHttpAndHttpsAreFetched) {
    CurlHttpClient client;
    for (const char* url : {"file:///etc/hostname", "ftp://127.0.0.1/x", "not a url", ""}) {
        const auto result = client.get({url, {}, {}});
        const auto* error = std::get_if<PlatformError>(&result);
        ASSERT_NE(error, nullptr) << url;
        EXPECT_FALSE(error->localizedDescription.empty()) << url;
    }
}

TEST_F(CurlHttpClientTest, SlowAnswerTimesOut) {
    server_.setDirectory({.delay = std::chrono::seconds(30)});
    CurlHttpClient impatient({.connectTimeout = std::chrono::seconds(5),
                              .totalTimeout = std::chrono::milliseconds(300)});
    const auto result = impatient.get({url("/v2/banks"), {}, cap});
    const auto* error = std::get_if<PlatformError>(&result);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(error->localizedDescription.find("timed out"), std::string::npos)
        << error->localizedDescription;
}

TEST_F(CurlHttpClientTest, ConcurrentRequestsFromSeveralThreads) {
    std::vector<int> statuses(6, 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        threads.emplace_back([&, i] {
            // Every other thread brings its own client, as workers may.
            CurlHttpClient own;
            HttpClient& client = i % 2 ? static_cast<HttpClient&>(own) : client_;
            const auto result = client.get({imageUrl(), {}, cap});
            if (const auto* got = std::get_if<HttpResponse>(&result)) {
                statuses[i] = got->status;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(statuses, std::vector<int>(6, 200));
}

}  // namespace
}  // namespace halvora::platform::curl
