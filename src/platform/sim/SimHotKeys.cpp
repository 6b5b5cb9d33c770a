#include "platform/sim/SimHotKeys.h"

namespace halvora::platform::sim {

SimHotKeys::SimHotKeys() : alive_(std::make_shared<bool>(true)) {}

HotKeyResult SimHotKeys::installHandler(Handler handler) {
    if (handlerStatus_ != 0) {
        return {handlerStatus_, {}};
    }
    const auto id = nextId_++;
    handlers_.emplace(id, std::move(handler));
    return {0, Registration([this, id, alive = std::weak_ptr(alive_)] {
                if (alive.lock()) {
                    handlers_.erase(id);
                }
            })};
}

HotKeyResult SimHotKeys::registerHotKey(const HotKey& hotKey) {
    if (registrationStatus_ != 0) {
        return {registrationStatus_, {}};
    }
    for (const auto& [id, existing] : hotKeys_) {
        if (existing.keyCode == hotKey.keyCode && existing.modifiers == hotKey.modifiers) {
            return {hotKeyExistsStatus, {}};
        }
    }
    const auto id = nextId_++;
    hotKeys_.emplace(id, hotKey);
    return {0, Registration([this, id, alive = std::weak_ptr(alive_)] {
                if (alive.lock()) {
                    hotKeys_.erase(id);
                }
            })};
}

bool SimHotKeys::press(KeyCode keyCode, EventFlags modifiers) {
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey.keyCode != keyCode || hotKey.modifiers != modifiers) {
            continue;
        }
        const HotKeyId pressed = hotKey.id;
        // Copy: a handler may end registrations while it runs.
        const auto handlers = handlers_;
        for (const auto& [handlerId, handler] : handlers) {
            if (handler(pressed)) {
                return true;
            }
        }
        return false;
    }
    return false;
}

std::vector<HotKey> SimHotKeys::registered() const {
    std::vector<HotKey> result;
    for (const auto& [id, hotKey] : hotKeys_) {
        result.push_back(hotKey);
    }
    return result;
}

}  // namespace halvora::platform::sim
