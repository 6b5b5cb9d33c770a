#pragma once

// The addon's end of the bridge socket: a direct connection to
// halvora-desktop, with no bus daemon in between, so that a key costs one
// wake-up on each side. POSIX only; framework-free, so that the addons of
// every framework, the tests and the benchmark share it.

#include "bridge/BridgeWire.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace halvora::bridge {

/// How long an addon waits for the answer to a key: the protocol's, or
/// HALVORA_KEY_TIMEOUT_MS (1 to 1000) for machines, and tests, where the
/// desktop may be starved of CPU for longer.
std::chrono::microseconds keyCallTimeout();

class BridgeClient {
  public:
    using Handler = std::function<void(wire::Message&)>;

    explicit BridgeClient(std::string socketPath);
    ~BridgeClient();
    BridgeClient(const BridgeClient&) = delete;
    BridgeClient& operator=(const BridgeClient&) = delete;

    /// Connects and announces the addon; true when connected (now or from
    /// before). Nothing waits: the desktop is there or it is not.
    bool connect();
    void close();
    bool isConnected() const { return fd_ >= 0; }
    /// The socket, for the caller's event loop to watch; -1 when closed.
    int fd() const { return fd_; }

    /// Sends a message that is not answered; false when the connection is
    /// gone (it is then closed).
    bool send(wire::Message message);

    /// Sends a key-down and waits at most `timeout` for its reply. Messages
    /// of other kinds that arrive first go to `others`, in order. Nothing
    /// when the desktop is gone or too slow; a reply that comes later is
    /// dropped.
    std::optional<wire::Message> call(wire::Message keyDown, std::chrono::microseconds timeout,
                                      const Handler& others);

    /// Takes every whole message that has arrived, without waiting; false
    /// when the desktop closed the connection (it is then closed here too).
    bool receive(const Handler& handler);

  private:
    /// Reads what the socket holds after waiting at most `timeoutMs`
    /// (0: not at all); false when the connection ended or broke.
    bool readSome(int timeoutMs);
    /// Hands every decoded message to `handler`, dropping stale replies.
    bool drain(const Handler& handler, std::optional<wire::Message>* reply, std::uint64_t serial);

    std::string path_;
    int fd_ = -1;
    wire::Decoder decoder_;
    std::uint64_t nextSerial_ = 1;
};

}  // namespace halvora::bridge
