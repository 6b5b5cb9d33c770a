#pragma once

// The life of an object as seen by work it hands to queues and callbacks:
// deferred work checks it first, so a task that falls due after its owner is
// gone does nothing.

#include <functional>
#include <memory>
#include <utility>

namespace halvora::util {

class Lifetime {
  public:
    using Token = std::weak_ptr<const int>;

    Lifetime() = default;
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;

    /// Expires when the owner ends (or calls `end`); test with `lock()`.
    Token token() const { return alive_; }

    /// `task`, doing nothing once the owner has ended.
    std::function<void()> guard(std::function<void()> task) const {
        return [alive = token(), task = std::move(task)] {
            if (alive.lock()) {
                task();
            }
        };
    }

    /// Ends the life early: from now on, guarded work does nothing.
    void end() { alive_.reset(); }

  private:
    std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
};

}  // namespace halvora::util
