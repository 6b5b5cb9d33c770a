#include "platform/sim/SimHttpClient.h"

namespace halvora::platform::sim {

void SimHttpClient::script(std::string urlPrefix, HttpResult result) {
    std::lock_guard lock(mutex_);
    scripts_.push_back({std::move(urlPrefix), std::move(result)});
}

void SimHttpClient::scriptBody(std::string urlPrefix, std::string_view body) {
    script(std::move(urlPrefix), HttpResponse{200, Bytes(body.begin(), body.end()), false});
}

HttpResult SimHttpClient::get(const HttpRequest& request) {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    for (const auto& script : scripts_) {
        if (!request.url.starts_with(script.urlPrefix)) {
            continue;
        }
        auto result = script.result;
        if (auto* response = std::get_if<HttpResponse>(&result);
            response && request.maxBodyBytes && response->body.size() > *request.maxBodyBytes) {
            response->body.resize(*request.maxBodyBytes);
            response->bodyTooLarge = true;
        }
        return result;
    }
    return PlatformError{unreachableDescription};
}

std::vector<HttpRequest> SimHttpClient::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

}  // namespace halvora::platform::sim
