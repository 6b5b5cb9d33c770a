#include "platform/curl/CurlHttpClient.h"

#include <curl/curl.h>

#include <memory>
#include <stdexcept>
#include <string_view>

namespace halvora::platform::curl {
namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

/// Where the write callback puts the body.
struct Receiver {
    Bytes body;
    std::optional<std::size_t> limit;
    bool tooLarge = false;
};

std::size_t receive(char* data, std::size_t size, std::size_t count, void* context) {
    auto& receiver = *static_cast<Receiver*>(context);
    const std::size_t length = size * count;
    std::size_t accepted = length;
    if (receiver.limit && receiver.body.size() + length > *receiver.limit) {
        accepted = *receiver.limit - receiver.body.size();
        receiver.tooLarge = true;
    }
    receiver.body.insert(receiver.body.end(), data, data + accepted);
    // Taking fewer bytes than offered makes libcurl abort the transfer.
    return receiver.tooLarge ? 0 : length;
}

long milliseconds(std::chrono::milliseconds duration) {
    return static_cast<long>(duration.count());
}

/// libcurl's own words for a failure: the detailed message of the error
/// buffer when there is one, else the generic text of the code.
PlatformError failure(CURLcode code, const char* errorBuffer) {
    if (errorBuffer[0] != '\0') {
        return PlatformError{errorBuffer};
    }
    return PlatformError{curl_easy_strerror(code)};
}

/// Whether the URL's scheme is https, in any case (as libcurl reads it).
bool isHttps(std::string_view url) {
    constexpr std::string_view scheme = "https:";
    if (url.size() < scheme.size()) {
        return false;
    }
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        const char c = url[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != scheme[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

CurlHttpClient::CurlHttpClient() : CurlHttpClient(Options{}) {}

CurlHttpClient::CurlHttpClient(Options options) : options_(options) {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if ((info->features & CURL_VERSION_THREADSAFE) == 0) {
        throw std::runtime_error("libcurl was built without thread-safe initialisation");
    }
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        throw std::runtime_error("libcurl could not be initialised");
    }
}

CurlHttpClient::~CurlHttpClient() {
    curl_global_cleanup();
}

HttpResult CurlHttpClient::get(const HttpRequest& request) {
    const EasyHandle handle(curl_easy_init());
    if (!handle) {
        return PlatformError{curl_easy_strerror(CURLE_FAILED_INIT)};
    }
    CURL* curl = handle.get();

    HeaderList headers;
    for (const auto& [name, value] : request.headers) {
        const std::string line = name + ": " + value;
        curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
        if (extended == nullptr) {
            return PlatformError{curl_easy_strerror(CURLE_OUT_OF_MEMORY)};
        }
        headers.release();
        headers.reset(extended);
    }

    Receiver receiver;
    receiver.limit = request.maxBodyBytes;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A request made over TLS never goes on in plain text: its redirects
    // may lead to HTTPS only.
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR,
                     isHttps(request.url) ? "https" : "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options_.certificateAuthorities.empty()) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, options_.certificateAuthorities.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(options_.connectTimeout));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, milliseconds(options_.totalTimeout));
    // Worker threads must not receive the signals libcurl would otherwise use
    // for DNS time-outs.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &receiver);
    if (headers) {
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    }
    if (request.maxBodyBytes) {
        // Refuses a body whose announced length is already too long before
        // any of it is read.
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(*request.maxBodyBytes));
    }

    const CURLcode code = curl_easy_perform(curl);
    const bool cutOff =
        (code == CURLE_WRITE_ERROR && receiver.tooLarge) || code == CURLE_FILESIZE_EXCEEDED;
    if (code != CURLE_OK && !cutOff) {
        return failure(code, errorBuffer);
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return HttpResponse{static_cast<int>(status), std::move(receiver.body), cutOff};
}

}  // namespace halvora::platform::curl
