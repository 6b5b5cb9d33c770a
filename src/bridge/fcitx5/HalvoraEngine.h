#pragma once

// The Halvora input method of fcitx5: a bridge without rules of its own. It
// asks the keyboard controller inside halvora-desktop about every key of the
// focused input context (bridge/BridgeProtocol.h) and carries out on that
// context the text edits the controller answers, in order, on the input
// method's own channel (bridge/EditPlan.h).

#include "bridge/BridgeClient.h"
#include "bridge/EditPlan.h"
#include "bridge/KeyTranslation.h"
#include "bridge/ResetJudge.h"

#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/dbus/servicewatcher.h>
#include <fcitx-utils/event.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addoninstance.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/instance.h>
#ifdef HALVORA_FCITX5_WAYLAND
#include <wayland_public.h>
#endif

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace halvora::bridge {

class HalvoraEngine final : public fcitx::InputMethodEngineV2 {
  public:
    explicit HalvoraEngine(fcitx::Instance* instance);
    ~HalvoraEngine() override;

    void keyEvent(const fcitx::InputMethodEntry& entry, fcitx::KeyEvent& event) override;
    void activate(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;
    void deactivate(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;
    void reset(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;

    /// The number the bridge knows an input context by.
    static std::uint64_t contextId(const fcitx::InputContext& ic);

  private:
    /// Connects to the desktop's socket unless connected; false when the
    /// desktop is not there.
    bool connectToDesktop();
    void disconnectFromDesktop();
    /// A message about the context that is not answered.
    void sendContextMessage(wire::Type type, fcitx::InputContext& ic);
    /// Asks the session bus to start halvora-desktop when it is not there.
    void startDesktopIfAbsent();
    static ClientRoad roadFor(const fcitx::InputContext& ic);
    /// Carries out edits on the context; answers whether the key they
    /// answer (if any) is kept.
    bool apply(fcitx::InputContext& ic, const std::vector<WireEdit>& edits,
               const std::optional<AnsweredKey>& key);
    void showPreedit(fcitx::InputContext& ic, const std::string& text);
    /// Commits text that waited behind keys forwarded to the context, once
    /// the client reports from behind them (its next key, a reset, the
    /// focus leaving).
    void releaseHeldText(fcitx::InputContext& ic);
    ResetJudge& judgeFor(const fcitx::InputContext& ic);
    /// What the client reports before the caret; nothing when it does not,
    /// or when text is selected.
    static std::optional<std::string_view> textBeforeCaret(const fcitx::InputContext& ic);
    /// The word shown as pre-edit text ended by the client's hand (a click,
    /// the focus leaving): the client keeps or drops it itself.
    void forgetPreedit(fcitx::InputContext& ic);
    void forward(fcitx::InputContext& ic, const fcitx::Key& key);
    void pasteShortcut(fcitx::InputContext& ic);
    static bool isTerminal(const fcitx::InputContext& ic);
    /// Whether keys forwarded to the context keep their modifiers.
    static bool forwardsModifiers(const fcitx::InputContext& ic);
    /// Remembers which key code types a symbol, from the user's own keys.
    void learnKeyCode(const fcitx::Key& key);
    /// The key code that types `sym` on the user's keyboard, as far as known.
    int keyCodeFor(fcitx::KeySym sym) const;
    /// A message of the desktop's own: edits made outside a key.
    void onMessage(wire::Message& message);
    /// A caret that moved over unchanged text was moved by the user's hand
    /// (a click, a selection): the controller hears it as a click.
    void onSurroundingText(fcitx::InputContext& ic);
    /// A context of a client that talks to the compositor's text-input
    /// protocol (fcitx5's input-method-v2 frontend under Wayland).
    static bool onCompositorRoad(const fcitx::InputContext& ic);
    void setConnected(bool connected);

    fcitx::Instance* instance_;
    std::chrono::microseconds keyCallTimeout_;
    /// The direct connection to halvora-desktop.
    BridgeClient client_;
    std::unique_ptr<fcitx::EventSourceIO> socketWatch_;
    /// A session-bus connection of the addon's own, on the framework's event
    /// loop, that watches the desktop come and go; absent without a bus.
    std::unique_ptr<fcitx::dbus::Bus> bus_;
    std::unique_ptr<fcitx::dbus::ServiceWatcher> watcher_;
    std::unique_ptr<fcitx::dbus::ServiceWatcherEntry> watch_;
    /// The bus's start of halvora-desktop (D-Bus activation), while asked.
    std::unique_ptr<fcitx::dbus::Slot> startCall_;
    bool startPending_ = false;
    std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>> surroundingWatch_;
#ifdef HALVORA_FCITX5_WAYLAND
    /// fcitx5's Wayland connections by focus group: what fcitx5 sends a
    /// compositor outside a key event waits in the connection's buffer until
    /// something flushes it.
    void flushWayland(const fcitx::InputContext& ic);
    std::unordered_map<const fcitx::FocusGroup*, wl_display*> waylandDisplays_;
    std::unique_ptr<fcitx::HandlerTableEntry<fcitx::WaylandConnectionCreated>> waylandCreated_;
    std::unique_ptr<fcitx::HandlerTableEntry<fcitx::WaylandConnectionClosed>> waylandClosed_;
#endif
    /// The focused context's text around the caret as last reported.
    struct Surrounding {
        std::uint64_t contextId = 0;
        std::string text;
        unsigned int cursor = 0;
        unsigned int anchor = 0;
    };
    Surrounding lastSurrounding_;
    /// Set while edits are carried out, so that what the client reports
    /// about them (a reset, a moved caret, a key handed back) is not taken
    /// for the user's doing.
    bool applying_ = false;
    /// Text to commit behind BackSpace keys forwarded to a client that
    /// ignores deletions, and its context.
    struct HeldText {
        std::uint64_t contextId = 0;
        std::string text;
    };
    HeldText held_;
    /// Tells the user's clicks from a client's resets after a commit, for
    /// the context `judged_`.
    ResetJudge resetJudge_;
    std::uint64_t judged_ = 0;
    /// X11 key codes of the symbols the user has typed.
    KeyTranslation::HardwareKeyCodes keyCodes_;
    bool connected_ = false;
};

class HalvoraEngineFactory final : public fcitx::AddonFactory {
  public:
    fcitx::AddonInstance* create(fcitx::AddonManager* manager) override;
};

}  // namespace halvora::bridge
