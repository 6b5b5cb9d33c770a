#pragma once

// A session bus of the test's own: a dbus-daemon started for the test and
// stopped with it, so that tests never touch the user's session.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace halvora::bridge::testing {

class PrivateSessionBus {
  public:
    /// Starts the daemon and points DBUS_SESSION_BUS_ADDRESS at it.
    PrivateSessionBus() {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        if (out == nullptr) {
            throw std::runtime_error("cannot run dbus-daemon");
        }
        char line[512];
        if (std::fgets(line, sizeof line, out) != nullptr) {
            address_ = trimmed(line);
        }
        if (std::fgets(line, sizeof line, out) != nullptr) {
            pid_ = static_cast<pid_t>(std::atol(line));
        }
        ::pclose(out);
        if (address_.empty() || pid_ <= 0) {
            throw std::runtime_error("dbus-daemon did not start");
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
        // The bridge's socket of the test's own, beside nothing of the user's.
        socket_ = "/tmp/halvora-test-bridge-" + std::to_string(::getpid());
        ::setenv("HALVORA_BRIDGE_SOCKET", socket_.c_str(), 1);
    }
    ~PrivateSessionBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
        }
        ::unlink(socket_.c_str());
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    const std::string& address() const { return address_; }
    const std::string& socketPath() const { return socket_; }

  private:
    static std::string trimmed(std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        return text;
    }

    std::string address_;
    std::string socket_;
    pid_t pid_ = 0;
};

}  // namespace halvora::bridge::testing
