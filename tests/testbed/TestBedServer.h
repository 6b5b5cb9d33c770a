#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace halvora::testbed {

/// How the bank-directory endpoint ("/v2/banks") answers.
struct DirectoryBehaviour {
    int status = 200;
    /// The envelope's "code"; "00" means success.
    std::string code = "00";
    /// BINs as JSON numbers instead of strings.
    bool binAsNumber = false;
    /// A document cut off in the middle.
    bool invalidJson = false;
    /// Waits this long before answering.
    std::chrono::milliseconds delay{0};
    /// Answers 302 with this Location instead of the directory.
    std::optional<std::string> redirectTo{};

    bool operator==(const DirectoryBehaviour&) const = default;
};

/// How the QR image endpoint ("/image/<bin>-<account>-compact2.svg") answers.
struct ImageBehaviour {
    enum class Body {
        qrCode,      ///< an SVG showing the transfer QR code of the request
        blank,       ///< an SVG of the same size showing no code
        notAnImage,  ///< a few bytes of plain text
        empty,       ///< no bytes at all
    };

    int status = 200;
    Body body = Body::qrCode;
    /// Pixel size of the SVG.
    int width = 540;
    int height = 540;
    /// Values put in the code instead of the requested ones; an empty amount
    /// or memo leaves its field out.
    std::optional<std::string> bin{};
    std::optional<std::string> account{};
    std::optional<std::string> amount{};
    std::optional<std::string> memo{};
    /// The exact text the code carries, replacing the whole payload.
    std::optional<std::string> payload{};
    /// When not zero, the body is padded with an XML comment after the SVG to
    /// this many bytes and streamed in pieces (see `waitForStreamEnd`).
    std::size_t bodyBytes = 0;
    /// Streams a padded body in chunked transfer encoding, without announcing
    /// its length.
    bool chunked = false;
    /// Waits this long before answering.
    std::chrono::milliseconds delay{0};

    bool operator==(const ImageBehaviour&) const = default;
};

/// A request the server received, as sent.
struct RecordedRequest {
    std::string path;
    /// Path and query exactly as they appeared on the request line.
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers;

    std::optional<std::string> header(std::string_view name) const;
};

/// A certificate and its private key (PEM files) for serving HTTPS.
struct TlsIdentity {
    std::string certificateFile;
    std::string privateKeyFile;
};

/// How a streamed (padded) image body went.
struct StreamReport {
    std::size_t bodyBytes = 0;
    std::size_t bytesSent = 0;
    bool complete() const { return bytesSent == bodyBytes; }
};

/// A plain-HTTP stand-in for the bank directory and the QR image service,
/// listening on 127.0.0.1 on a port the system chooses. It serves until it is
/// destroyed; its behaviour can be changed at any time from any thread.
///
/// The image endpoint needs the "accountName" query item and a BIN the
/// directory lists, like the real service; it answers 400 otherwise.
class TestBedServer {
  public:
    /// Starts serving plain HTTP; throws std::runtime_error when no port can
    /// be bound.
    TestBedServer();
    /// Starts serving HTTPS with this identity (a self-signed one shows that
    /// clients verify certificates); throws std::runtime_error when the files
    /// cannot be used or no port can be bound.
    explicit TestBedServer(const TlsIdentity& tls);
    /// Stops serving; delayed answers are cut short.
    ~TestBedServer();
    TestBedServer(const TestBedServer&) = delete;
    TestBedServer& operator=(const TestBedServer&) = delete;

    int port() const;
    /// "http://127.0.0.1:<port>" ("https://" when serving TLS), without a
    /// trailing slash: the base URL of both services.
    std::string baseUrl() const;

    void setDirectory(DirectoryBehaviour behaviour);
    void setImage(ImageBehaviour behaviour);
    /// Back to well-behaved services; forgets the recorded requests.
    void reset();

    std::vector<RecordedRequest> requests() const;

    /// Waits until the most recent streamed image body has ended, sent whole
    /// or cut off by the client; nothing when none ended within `wait`.
    std::optional<StreamReport> waitForStreamEnd(std::chrono::milliseconds wait) const;

  private:
    void start();

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace halvora::testbed
