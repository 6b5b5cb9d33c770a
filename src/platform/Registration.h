#pragma once

#include <functional>
#include <utility>

namespace halvora::platform {

/// Owns one registration with the platform (an observer, a timer, a hot key,
/// a handler) and ends it when destroyed or cancelled. Move-only; an empty
/// registration does nothing.
class Registration {
  public:
    Registration() = default;
    explicit Registration(std::function<void()> release) : release_(std::move(release)) {}
    ~Registration() { cancel(); }

    Registration(Registration&& other) noexcept : release_(std::exchange(other.release_, {})) {}
    Registration& operator=(Registration&& other) noexcept {
        if (this != &other) {
            cancel();
            release_ = std::exchange(other.release_, {});
        }
        return *this;
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    /// Ends the registration now; later calls do nothing.
    void cancel() {
        if (auto release = std::exchange(release_, {})) {
            release();
        }
    }

    bool isActive() const { return static_cast<bool>(release_); }

  private:
    std::function<void()> release_;
};

}  // namespace halvora::platform
