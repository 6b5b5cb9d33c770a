#pragma once

// An ibus-daemon of the test's own, on its own address and with its own
// configuration folder, that finds the engines of `componentPath` only: the
// user's IBus is never touched. Start it after PrivateSessionBus, so that
// the engines it starts share the test's session bus and bridge socket.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace halvora::bridge::testing {

class PrivateIBus {
  public:
    explicit PrivateIBus(const std::string& componentPath)
        : folder_(std::filesystem::temp_directory_path() /
                  ("halvora-test-ibus-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder_);
        address_ = "unix:path=" + (folder_ / "bus").string();
        ::setenv("IBUS_ADDRESS", address_.c_str(), 1);
        ::setenv("IBUS_COMPONENT_PATH", componentPath.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
        const std::string addressArg = "--address=" + address_;
        // No panel, no settings service, no emoji or XIM helpers: only the
        // daemon and the engines it starts.
        const char* argv[] = {"ibus-daemon",
                              "--panel=disable",
                              "--emoji-extension=disable",
                              "--config=disable",
                              "--cache=none",
                              addressArg.c_str(),
                              nullptr};
        if (::posix_spawnp(&pid_, "ibus-daemon", nullptr, nullptr, const_cast<char**>(argv),
                           environ) != 0) {
            pid_ = 0;
            throw std::runtime_error("cannot run ibus-daemon");
        }
        for (int i = 0; i < 500 && !std::filesystem::exists(folder_ / "bus"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!std::filesystem::exists(folder_ / "bus")) {
            throw std::runtime_error("ibus-daemon did not start");
        }
    }
    ~PrivateIBus() {
        if (pid_ > 0) {
            // The daemon stops the engines it started when it goes.
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    PrivateIBus(const PrivateIBus&) = delete;
    PrivateIBus& operator=(const PrivateIBus&) = delete;

    const std::string& address() const { return address_; }

  private:
    std::filesystem::path folder_;
    std::string address_;
    pid_t pid_ = 0;
};

}  // namespace halvora::bridge::testing
