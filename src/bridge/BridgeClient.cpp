#include "bridge/BridgeClient.h"

#include "bridge/BridgeProtocol.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace halvora::bridge {

std::chrono::microseconds keyCallTimeout() {
    if (const char* value = std::getenv("HALVORA_KEY_TIMEOUT_MS")) {
        char* end = nullptr;
        const long ms = std::strtol(value, &end, 10);
        if (end != value && *end == '\0' && ms >= 1 && ms <= 1000) {
            return std::chrono::milliseconds(ms);
        }
    }
    return std::chrono::milliseconds(protocol::keyCallTimeoutMs);
}

BridgeClient::BridgeClient(std::string socketPath) : path_(std::move(socketPath)) {}

BridgeClient::~BridgeClient() {
    close();
}

bool BridgeClient::connect() {
    if (fd_ >= 0) {
        return true;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.empty() || path_.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path_.data(), path_.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    decoder_ = {};
    return send(wire::Message{});
}

void BridgeClient::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool BridgeClient::send(wire::Message message) {
    if (fd_ < 0) {
        return false;
    }
    const std::string frame = wire::encode(message);
    std::size_t written = 0;
    while (written < frame.size()) {
        const ssize_t n = ::send(fd_, frame.data() + written, frame.size() - written, MSG_NOSIGNAL);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The desktop is not reading: wait a little for room, as a
            // blocking write would, rather than send half a frame.
            pollfd room{fd_, POLLOUT, 0};
            if (::poll(&room, 1, 50) > 0) {
                continue;
            }
        }
        close();
        return false;
    }
    return true;
}

std::optional<wire::Message> BridgeClient::call(wire::Message keyDown,
                                                std::chrono::microseconds timeout,
                                                const Handler& others) {
    keyDown.type = wire::Type::keyDown;
    keyDown.serial = nextSerial_++;
    if (!send(keyDown)) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::optional<wire::Message> reply;
    while (true) {
        if (!drain(others, &reply, keyDown.serial)) {
            return std::nullopt;
        }
        if (reply) {
            return reply;
        }
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        // poll counts in milliseconds: round up, so a short wait still waits.
        if (!readSome(static_cast<int>((left.count() + 999) / 1000))) {
            return std::nullopt;
        }
    }
}

bool BridgeClient::receive(const Handler& handler) {
    if (fd_ < 0) {
        return false;
    }
    if (!readSome(0)) {
        return false;
    }
    return drain(handler, nullptr, 0);
}

bool BridgeClient::drain(const Handler& handler, std::optional<wire::Message>* reply,
                         std::uint64_t serial) {
    while (std::optional<wire::Message> message = decoder_.next()) {
        if (message->type == wire::Type::keyReply) {
            // A reply to an earlier key that was given up on is dropped.
            if (reply && message->serial == serial) {
                *reply = std::move(*message);
                return true;
            }
            continue;
        }
        if (handler) {
            handler(*message);
        }
    }
    if (decoder_.broken()) {
        close();
        return false;
    }
    return true;
}

bool BridgeClient::readSome(int timeoutMs) {
    if (fd_ < 0) {
        return false;
    }
    if (timeoutMs > 0) {
        pollfd readable{fd_, POLLIN, 0};
        const int ready = ::poll(&readable, 1, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            close();
            return false;
        }
        if (ready <= 0) {
            return true;
        }
    }
    char buffer[4096];
    while (true) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            decoder_.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
            if (static_cast<std::size_t>(n) < sizeof buffer) {
                return true;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        // End of stream, or a broken connection.
        close();
        return false;
    }
}

}  // namespace halvora::bridge
