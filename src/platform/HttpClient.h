#pragma once

#include "platform/PlatformError.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace halvora::platform {

struct HttpRequest {
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    /// When set, the body is not read beyond this many bytes.
    std::optional<std::size_t> maxBodyBytes;

    bool operator==(const HttpRequest&) const = default;
};

struct HttpResponse {
    int status = 0;
    Bytes body;
    /// The body was longer than the request's `maxBodyBytes`; `body` then
    /// holds only what was read before the limit.
    bool bodyTooLarge = false;

    bool operator==(const HttpResponse&) const = default;
};

/// A response, or a transport failure with the platform's description.
using HttpResult = std::variant<HttpResponse, PlatformError>;

/// HTTPS requests with the platform's default time-outs, caching and cookies.
/// Calls block; they are made from the worker queue, never the main queue.
class HttpClient {
  public:
    virtual ~HttpClient() = default;
    virtual HttpResult get(const HttpRequest& request) = 0;
};

}  // namespace halvora::platform
