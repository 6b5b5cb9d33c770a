#include "TestBedServer.h"

#include "BankDirectory.h"
#include "QrCode.h"
#include "TransferPayload.h"

#include <httplib.h>
#include <signal.h>

#include <strings.h>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace halvora::testbed {
namespace {

constexpr std::size_t streamPiece = 64 * 1024;

/// A padded body made on the fly, so that bodies of many megabytes cost
/// nothing until they are sent: the SVG, an XML comment of filler, a newline.
class PaddedBody {
  public:
    PaddedBody(std::string svg, std::size_t totalBytes)
        : head_(std::move(svg) + "\n<!--"), tail_("-->\n") {
        total_ = std::max(totalBytes, head_.size() + tail_.size());
    }

    std::size_t size() const { return total_; }

    /// Bytes [offset, offset + count).
    std::string piece(std::size_t offset, std::size_t count) const {
        std::string out;
        out.reserve(count);
        const std::size_t tailStart = total_ - tail_.size();
        for (std::size_t i = offset; i < offset + count && i < total_; ++i) {
            if (i < head_.size()) {
                out += head_[i];
            } else if (i >= tailStart) {
                out += tail_[i - tailStart];
            } else {
                out += 'x';
            }
        }
        return out;
    }

  private:
    std::string head_;
    std::string tail_;
    std::size_t total_ = 0;
};

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0) {
            return value;
        }
    }
    return std::nullopt;
}

struct TestBedServer::State {
    explicit State(std::unique_ptr<httplib::Server> made, bool secure)
        : server(*made), owned(std::move(made)), tls(secure) {}

    httplib::Server& server;
    std::unique_ptr<httplib::Server> owned;
    bool tls = false;
    std::thread thread;
    std::atomic<bool> listenEnded{false};
    int port = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool stopping = false;
    DirectoryBehaviour directory;
    ImageBehaviour image;
    std::vector<RecordedRequest> requests;
    std::optional<StreamReport> lastStream;

    /// Sleeps for `delay` unless the server stops first.
    void pause(std::chrono::milliseconds delay) {
        if (delay.count() <= 0) {
            return;
        }
        std::unique_lock lock(mutex);
        changed.wait_for(lock, delay, [this] { return stopping; });
    }

    void record(const httplib::Request& request) {
        RecordedRequest recorded{request.path, request.target, {}};
        for (const auto& [key, value] : request.headers) {
            recorded.headers.emplace_back(key, value);
        }
        std::lock_guard lock(mutex);
        requests.push_back(std::move(recorded));
    }

    void serveDirectory(httplib::Response& response) {
        DirectoryBehaviour behaviour;
        {
            std::lock_guard lock(mutex);
            behaviour = directory;
        }
        pause(behaviour.delay);
        if (behaviour.redirectTo) {
            response.set_redirect(*behaviour.redirectTo, 302);
            return;
        }
        std::string body = bankDirectoryJson(behaviour.code, behaviour.binAsNumber);
        if (behaviour.invalidJson) {
            body.resize(body.size() / 2);
        }
        response.status = behaviour.status;
        response.set_content(body, "application/json");
    }

    void serveImage(const httplib::Request& request, httplib::Response& response) {
        ImageBehaviour behaviour;
        {
            std::lock_guard lock(mutex);
            behaviour = image;
        }
        pause(behaviour.delay);

        const std::string bin = request.matches[1];
        const std::string account = request.matches[2];
        if (bankWithBin(bin) == nullptr) {
            response.status = 400;
            response.set_content("{\"error\":\"unknown bank\"}", "application/json");
            return;
        }
        if (!request.has_param("accountName")) {
            response.status = 400;
            response.set_content("{\"error\":\"accountName is required\"}", "application/json");
            return;
        }
        TransferDetails details{bin, account, request.get_param_value("amount"),
                                request.get_param_value("addInfo")};
        details.bin = behaviour.bin.value_or(details.bin);
        details.account = behaviour.account.value_or(details.account);
        details.amount = behaviour.amount.value_or(details.amount);
        details.memo = behaviour.memo.value_or(details.memo);
        const std::string payload = behaviour.payload.value_or(transferPayload(details));

        std::string svg;
        switch (behaviour.body) {
            case ImageBehaviour::Body::qrCode: {
                const auto code = QrCode::encode(payload);
                if (!code) {
                    response.status = 500;
                    response.set_content("payload too long for a QR code", "text/plain");
                    return;
                }
                svg = code->svg(behaviour.width, behaviour.height);
                break;
            }
            case ImageBehaviour::Body::blank:
                svg = QrCode::blankSvg(behaviour.width, behaviour.height);
                break;
            case ImageBehaviour::Body::notAnImage:
                svg = "not an image";
                break;
            case ImageBehaviour::Body::empty:
                break;
        }
        response.status = behaviour.status;
        if (behaviour.bodyBytes == 0) {
            response.set_content(svg, "image/svg+xml");
            return;
        }
        streamPadded(response, PaddedBody(std::move(svg), behaviour.bodyBytes), behaviour.chunked);
    }

    void streamPadded(httplib::Response& response, PaddedBody body, bool chunked) {
        const std::size_t total = body.size();
        {
            std::lock_guard lock(mutex);
            lastStream.reset();
        }
        auto sent = std::make_shared<std::size_t>(0);
        auto release = [this, sent, total](bool) {
            std::lock_guard lock(mutex);
            lastStream = StreamReport{total, *sent};
            changed.notify_all();
        };
        if (chunked) {
            response.set_chunked_content_provider(
                "image/svg+xml",
                [body = std::move(body), sent, total](std::size_t offset, httplib::DataSink& sink) {
                    if (offset >= total) {
                        sink.done();
                        return true;
                    }
                    const std::string piece = body.piece(offset, streamPiece);
                    if (!sink.write(piece.data(), piece.size())) {
                        return false;
                    }
                    *sent += piece.size();
                    return true;
                },
                release);
            return;
        }
        response.set_content_provider(
            total, "image/svg+xml",
            [body = std::move(body), sent](std::size_t offset, std::size_t length,
                                           httplib::DataSink& sink) {
                const std::string piece = body.piece(offset, std::min(length, streamPiece));
                if (!sink.write(piece.data(), piece.size())) {
                    return false;
                }
                *sent += piece.size();
                return true;
            },
            release);
    }
};

TestBedServer::TestBedServer()
    : state_(std::make_unique<State>(std::make_unique<httplib::Server>(), false)) {
    start();
}

TestBedServer::TestBedServer(const TlsIdentity& tls) {
    auto server = std::make_unique<httplib::SSLServer>(tls.certificateFile.c_str(),
                                                       tls.privateKeyFile.c_str());
    if (!server->is_valid()) {
        throw std::runtime_error("the test bed cannot use the certificate " + tls.certificateFile +
                                 " with the key " + tls.privateKeyFile);
    }
    state_ = std::make_unique<State>(std::move(server), true);
    start();
}

void TestBedServer::start() {
    State& state = *state_;
    state.server.set_keep_alive_max_count(1);
    state.server.set_pre_routing_handler(
        [&state](const httplib::Request& request, httplib::Response&) {
            state.record(request);
            return httplib::Server::HandlerResponse::Unhandled;
        });
    state.server.Get("/v2/banks", [&state](const httplib::Request&, httplib::Response& response) {
        state.serveDirectory(response);
    });
    state.server.Get(R"(/image/([0-9]+)-([^/]+)-compact2\.svg)",
                     [&state](const httplib::Request& request, httplib::Response& response) {
                         state.serveImage(request, response);
                     });

    state.port = state.server.bind_to_any_port("127.0.0.1");
    if (state.port <= 0) {
        throw std::runtime_error("the test bed could not bind a port on 127.0.0.1");
    }
    state.thread = std::thread([&state] {
        // A client that hangs up mid-body must cost the writer an EPIPE, not
        // the process a SIGPIPE. The server's worker threads are started from
        // here and inherit this mask.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        state.server.listen_after_bind();
        state.listenEnded = true;
    });
    // stop() is ignored until the server runs, so wait for it here.
    while (!state.server.is_running()) {
        if (state.listenEnded) {
            state.thread.join();
            throw std::runtime_error("the test bed could not listen on 127.0.0.1");
        }
        std::this_thread::yield();
    }
}

TestBedServer::~TestBedServer() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->changed.notify_all();
    state_->server.stop();
    state_->thread.join();
}

int TestBedServer::port() const {
    return state_->port;
}

std::string TestBedServer::baseUrl() const {
    return (state_->tls ? "https://127.0.0.1:" : "http://127.0.0.1:") +
           std::to_string(state_->port);
}

void TestBedServer::setDirectory(DirectoryBehaviour behaviour) {
    std::lock_guard lock(state_->mutex);
    state_->directory = std::move(behaviour);
}

void TestBedServer::setImage(ImageBehaviour behaviour) {
    std::lock_guard lock(state_->mutex);
    state_->image = std::move(behaviour);
}

void TestBedServer::reset() {
    std::lock_guard lock(state_->mutex);
    state_->directory = {};
    state_->image = {};
    state_->requests.clear();
    state_->lastStream.reset();
}

std::vector<RecordedRequest> TestBedServer::requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

std::optional<StreamReport> TestBedServer::waitForStreamEnd(std::chrono::milliseconds wait) const {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait_for(lock, wait, [this] { return state_->lastStream.has_value(); });
    return state_->lastStream;
}

}  // namespace halvora::testbed
