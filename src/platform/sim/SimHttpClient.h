#pragma once

#include "platform/HttpClient.h"

#include <mutex>
#include <string>
#include <vector>

namespace halvora::platform::sim {

/// Answers requests from a script of responses keyed by URL prefix and
/// records every request. Safe to call from the worker queue.
class SimHttpClient final : public HttpClient {
  public:
    /// Requests whose URL begins with `urlPrefix` get `result`; the first
    /// matching script wins, and a script answers any number of requests.
    void script(std::string urlPrefix, HttpResult result);
    /// A 200 response with the given body.
    void scriptBody(std::string urlPrefix, std::string_view body);

    HttpResult get(const HttpRequest& request) override;

    std::vector<HttpRequest> requests() const;

    /// The description given for a URL nothing was scripted for, like a host
    /// that cannot be reached.
    static constexpr const char* unreachableDescription = "Không thể kết nối với máy chủ.";

  private:
    struct Script {
        std::string urlPrefix;
        HttpResult result;
    };

    mutable std::mutex mutex_;
    std::vector<Script> scripts_;
    std::vector<HttpRequest> requests_;
};

}  // namespace halvora::platform::sim
