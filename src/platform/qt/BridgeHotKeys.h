#pragma once

#include "platform/HotKeys.h"
#include "platform/qt/BridgeKeystrokeSource.h"
#include "platform/qt/XcbHotKeys.h"

#include <vector>

namespace halvora::platform::qt {

/// Global hot keys on a desktop where the input-method addon is attached.
///
/// While one of the addon's contexts has the keyboard focus, a hot key
/// comes as the addon's key, in order with the typing around it, and the
/// edits it makes go back in the answer to that key. The display's key
/// grabs are let go meanwhile: a grab takes the focus from the client for
/// as long as the key is down, so GTK clients (Firefox among them) drop
/// their input context and with it the edits meant for it. Elsewhere
/// (windows without an input context of the addon's) the grabs stand in.
class BridgeHotKeys final : public HotKeys, private BridgeKeystrokeSource::HotKeyRoute {
  public:
    explicit BridgeHotKeys(BridgeKeystrokeSource& bridge);
    ~BridgeHotKeys() override;
    BridgeHotKeys(const BridgeHotKeys&) = delete;
    BridgeHotKeys& operator=(const BridgeHotKeys&) = delete;

    HotKeyResult installHandler(Handler handler) override;
    /// The display's status; without a display (Wayland) the hot key works
    /// through the addon alone, and that is a success.
    HotKeyResult registerHotKey(const HotKey& hotKey) override;

  private:
    struct Entry {
        std::uint64_t serial;
        HotKey hotKey;
    };

    bool takeHotKey(KeyCode keyCode, EventFlags flags) override;
    void contextFocusChanged(bool focused) override;

    BridgeKeystrokeSource& bridge_;
    XcbHotKeys grabs_;
    Handler handler_;
    std::vector<Entry> entries_;
    std::uint64_t nextSerial_ = 1;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace halvora::platform::qt
