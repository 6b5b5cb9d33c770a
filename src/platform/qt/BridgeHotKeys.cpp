#include "platform/qt/BridgeHotKeys.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace halvora::platform::qt {
namespace {

constexpr EventFlags kModifiers =
    eventFlags::shift | eventFlags::control | eventFlags::option | eventFlags::command;

}  // namespace

BridgeHotKeys::BridgeHotKeys(BridgeKeystrokeSource& bridge) : bridge_(bridge) {
    bridge_.setHotKeyRoute(this);
    grabs_.setGrabbing(!bridge_.contextHasFocus());
}

BridgeHotKeys::~BridgeHotKeys() {
    bridge_.setHotKeyRoute(nullptr);
}

HotKeyResult BridgeHotKeys::installHandler(Handler handler) {
    handler_ = std::move(handler);
    // The grabs report to the same handler, through this object, so that
    // ending this registration ends both roads.
    HotKeyResult grabbed = grabs_.installHandler(
        [this](const HotKeyId& id) { return handler_ && Handler(handler_)(id); });
    auto grab = std::make_shared<Registration>(std::move(grabbed.registration));
    std::weak_ptr<int> alive = lifetime_;
    return HotKeyResult{grabbed.status, Registration([this, alive, grab] {
                            grab->cancel();
                            if (!alive.expired()) {
                                handler_ = nullptr;
                            }
                        })};
}

HotKeyResult BridgeHotKeys::registerHotKey(const HotKey& hotKey) {
    HotKeyResult grabbed = grabs_.registerHotKey(hotKey);
    if (!grabbed.succeeded() && grabbed.status != XcbHotKeys::kNoX11Display) {
        // Another program has the key: pressing it reaches that program,
        // never the addon, so the hot key is not this program's anywhere.
        return grabbed;
    }
    const std::uint64_t serial = nextSerial_++;
    entries_.push_back(Entry{serial, hotKey});
    auto grab = std::make_shared<Registration>(std::move(grabbed.registration));
    std::weak_ptr<int> alive = lifetime_;
    return HotKeyResult{0, Registration([this, alive, serial, grab] {
                            grab->cancel();
                            if (!alive.expired()) {
                                std::erase_if(entries_, [serial](const Entry& entry) {
                                    return entry.serial == serial;
                                });
                            }
                        })};
}

bool BridgeHotKeys::takeHotKey(KeyCode keyCode, EventFlags flags) {
    const auto entry = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.hotKey.keyCode == keyCode && e.hotKey.modifiers == (flags & kModifiers);
    });
    if (entry == entries_.end() || !handler_) {
        return false;
    }
    // Copied: the handler may end registrations (and entries_).
    const HotKeyId id = entry->hotKey.id;
    Handler handler = handler_;
    return handler(id);
}

void BridgeHotKeys::contextFocusChanged(bool focused) {
    grabs_.setGrabbing(!focused);
}

}  // namespace halvora::platform::qt
