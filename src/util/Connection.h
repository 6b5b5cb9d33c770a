#pragma once

#include <functional>
#include <utility>

namespace halvora::util {

/// Owns one registration (a signal slot, a platform observer, a timer, a hot
/// key, a handler) and ends it when destroyed or cancelled. Move-only; an
/// empty connection does nothing.
class Connection {
  public:
    Connection() = default;
    explicit Connection(std::function<void()> release) : release_(std::move(release)) {}
    ~Connection() { cancel(); }

    Connection(Connection&& other) noexcept : release_(std::exchange(other.release_, {})) {}
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) {
            cancel();
            release_ = std::exchange(other.release_, {});
        }
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// Ends the registration now; later calls do nothing.
    void cancel() {
        if (auto release = std::exchange(release_, {})) {
            release();
        }
    }
    bool isActive() const { return static_cast<bool>(release_); }

    // The same, in the words of a signal's observers.
    void disconnect() { cancel(); }
    bool connected() const { return isActive(); }

  private:
    std::function<void()> release_;
};

}  // namespace halvora::util
