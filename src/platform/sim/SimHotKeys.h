#pragma once

#include "platform/HotKeys.h"

#include <map>
#include <memory>
#include <vector>

namespace halvora::platform::sim {

/// Global hot keys. A registration fails with the platform's "hot key
/// exists" status when another registration holds the same key and
/// modifiers; tests can force other failures.
class SimHotKeys final : public HotKeys {
  public:
    static constexpr int hotKeyExistsStatus = -9878;

    SimHotKeys();

    HotKeyResult installHandler(Handler handler) override;
    HotKeyResult registerHotKey(const HotKey& hotKey) override;

    /// The status the next installations or registrations fail with (0 lets
    /// them succeed again).
    void setHandlerStatus(int status) { handlerStatus_ = status; }
    void setRegistrationStatus(int status) { registrationStatus_ = status; }

    /// The user presses a key with modifiers: when it is a registered hot key
    /// the handlers are asked in turn; answers whether one handled it.
    bool press(KeyCode keyCode, EventFlags modifiers);

    std::vector<HotKey> registered() const;
    std::size_t handlerCount() const { return handlers_.size(); }

  private:
    std::map<std::uint64_t, Handler> handlers_;
    std::map<std::uint64_t, HotKey> hotKeys_;
    std::uint64_t nextId_ = 1;
    int handlerStatus_ = 0;
    int registrationStatus_ = 0;
    std::shared_ptr<bool> alive_;
};

}  // namespace halvora::platform::sim
