#pragma once

// The Halvora input method of fcitx5: a bridge without rules of its own. It
// asks the keyboard controller inside halvora-desktop about every key of the
// focused input context (bridge/BridgeProtocol.h) and carries out on that
// context what the controller posts.

#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/servicewatcher.h>
#include <fcitx-utils/event.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addoninstance.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/instance.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
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
    struct Presses {
        std::vector<std::uint32_t> keyCodes;
        std::vector<std::uint64_t> flags;
        std::vector<std::string> texts;
    };

    /// Tells the desktop this addon is here (no answer awaited).
    void attach();
    void sendContextMessage(const char* member, fcitx::InputContext& ic, bool withFocus);
    /// How corrections reach a context's text.
    enum class Erasing {
        /// Deletions through the surrounding text the client reports.
        inPlace,
        /// The word stays pre-edit text until it ends; corrections change
        /// the pre-edit text, never what the client holds.
        composing,
        /// BackSpace keys forwarded to the client.
        forwardedKeys,
    };
    static Erasing erasingFor(const fcitx::InputContext& ic);
    /// Carries out posted key presses on the context, in order.
    void apply(fcitx::InputContext& ic, const Presses& presses);
    /// A key the controller let through, on a composing context: typed text
    /// joins the word; anything else ends the word and goes on to the
    /// client. Answers whether the key was taken.
    bool composePassedKey(fcitx::InputContext& ic, const fcitx::Key& key, const std::string& text);
    /// The composing word of `ic` (empty for any other context).
    std::string& compositionOf(const fcitx::InputContext& ic);
    void showComposition(fcitx::InputContext& ic);
    /// Commits the composing word, as it stands, to the client.
    void commitComposition(fcitx::InputContext& ic);
    /// Forgets the composing word when the client keeps it on its own.
    void dropComposition(fcitx::InputContext& ic);
    void forward(fcitx::InputContext& ic, const fcitx::Key& key);
    /// Whether keys forwarded to `ic` may still wait in its key queue.
    bool keysInFlight(const fcitx::InputContext& ic) const;
    /// Commits `text` to `ic` after keys forwarded to it have had time to
    /// leave its key queue (or at its next key, whichever comes first).
    void deferCommit(fcitx::InputContext& ic, const std::string& text);
    void flushDeferredCommit(fcitx::InputContext& ic);
    /// Whether keys forwarded to the context keep their modifiers.
    static bool forwardsModifiers(const fcitx::InputContext& ic);
    /// Remembers which key code types a symbol, from the user's own keys.
    void learnKeyCode(const fcitx::Key& key);
    /// The key code that types `sym` on the user's keyboard, as far as known.
    int keyCodeFor(fcitx::KeySym sym) const;
    bool onPost(fcitx::dbus::Message& message);
    /// A caret that moved over unchanged text was moved by the user's hand
    /// (a click, a selection): the controller hears it as a click.
    void onSurroundingText(fcitx::InputContext& ic);
    void setConnected(bool connected);

    fcitx::Instance* instance_;
    std::uint64_t keyCallTimeout_;  ///< microseconds
    /// A session-bus connection of the addon's own, on the framework's event
    /// loop; absent when there is no session bus.
    std::unique_ptr<fcitx::dbus::Bus> bus_;
    std::unique_ptr<fcitx::dbus::ServiceWatcher> watcher_;
    std::unique_ptr<fcitx::dbus::ServiceWatcherEntry> watch_;
    std::unique_ptr<fcitx::dbus::Slot> postMatch_;
    std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>> surroundingWatch_;
    /// The focused context's text around the caret as last reported.
    struct Surrounding {
        std::uint64_t contextId = 0;
        std::string text;
        unsigned int cursor = 0;
        unsigned int anchor = 0;
    };
    Surrounding lastSurrounding_;
    /// The word being composed as pre-edit text, and its context.
    struct Composition {
        std::uint64_t contextId = 0;
        std::string text;
    };
    Composition composition_;
    /// Set while posted presses are carried out, so that a frontend that
    /// hands a forwarded key back cannot feed it to the controller again.
    bool applying_ = false;
    /// The composing context keys were last forwarded to, and until when
    /// they may wait in its key queue.
    struct KeysInFlight {
        std::uint64_t contextId = 0;
        std::chrono::steady_clock::time_point until;
    };
    KeysInFlight keysInFlight_;
    /// Text waiting for forwarded keys to pass, and its context.
    struct DeferredCommit {
        std::uint64_t contextId = 0;
        std::string text;
    };
    DeferredCommit deferred_;
    std::unique_ptr<fcitx::EventSourceTime> deferredTimer_;
    /// Key codes of the symbols (lower case) the user has typed.
    std::unordered_map<std::uint32_t, int> learnedCodes_;
    bool connected_ = false;
};

class HalvoraEngineFactory final : public fcitx::AddonFactory {
  public:
    fcitx::AddonInstance* create(fcitx::AddonManager* manager) override;
};

}  // namespace halvora::bridge
