#pragma once

#include "platform/HttpClient.h"

#include <chrono>

namespace halvora::platform::curl {

/// HTTP(S) GET on libcurl. Certificates are verified against the system's
/// trust store; redirects are followed (HTTP and HTTPS only); compressed
/// bodies are accepted and decoded. A request's `maxBodyBytes` is enforced
/// while the body arrives: the transfer is cut off as soon as the limit is
/// passed. Thread-safe: every call uses its own handle.
class CurlHttpClient final : public HttpClient {
  public:
    struct Options {
        /// Time allowed to resolve the host and connect (TCP and TLS).
        std::chrono::milliseconds connectTimeout{15'000};
        /// Time allowed for the whole request, body included.
        std::chrono::milliseconds totalTimeout{60'000};
        /// Certificates to trust instead of the system's (a PEM file), for
        /// a service with its own authority; empty: the system's.
        std::string certificateAuthorities{};
    };

    /// Initialises libcurl for this client's lifetime (libcurl counts the
    /// initialisations, so clients may come and go). Throws
    /// std::runtime_error when libcurl cannot be initialised or was built
    /// without thread-safe initialisation.
    CurlHttpClient();
    explicit CurlHttpClient(Options options);
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    /// A response for any HTTP status; a PlatformError carrying libcurl's
    /// description when the transfer itself fails (no connection, TLS,
    /// time-out, ...). A body cut off at `maxBodyBytes` is a response with
    /// `bodyTooLarge` set.
    HttpResult get(const HttpRequest& request) override;

  private:
    Options options_;
};

}  // namespace halvora::platform::curl
