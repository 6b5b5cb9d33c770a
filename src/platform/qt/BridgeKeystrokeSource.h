#pragma once

#include "platform/KeystrokeSource.h"

#include "bridge/BridgeWire.h"

#include <QDBusConnection>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace halvora::platform::qt {

/// The keystroke side of the Linux desktop, fed by the input-method addon
/// over the bridge's socket (bridge/BridgeProtocol.h describes the wire).
///
/// - The tap sees each key the addon asks about; the text edits the
///   controller makes go back in the answer to that key, or, when made
///   later, as a signal to the context that had the focus.
/// - Trusted means an addon is attached; it stops being trusted when the
///   addon's connection goes away.
/// - The focused element is the focused input context: a password or
///   sensitive context is a secure text field, a URL context a search
///   field, any other an ordinary text field. Secure input is on while a
///   password context has the focus.
/// - The frontmost application is the focused context's program under its
///   desktop identifier; this program's own contexts get this process's id
///   and `ownIdentifier`. Other programs get stable made-up process ids,
///   since the framework does not tell the real ones.
/// - A click into a context, or focus moving between contexts of one
///   program, reaches the tap as a left mouse-down; focus moving to another
///   program is an activation notice.
class BridgeKeystrokeSource final : public KeystrokeSource {
  public:
    /// Sees the addon's keys before the tap does, and hears whether one of
    /// its contexts has the keyboard focus: the road for hot keys pressed in
    /// those contexts (see BridgeHotKeys).
    class HotKeyRoute {
      public:
        virtual ~HotKeyRoute() = default;
        /// True when the key is a hot key and was handled; edits it makes
        /// go back in the answer to the key.
        virtual bool takeHotKey(KeyCode keyCode, EventFlags flags) = 0;
        virtual void contextFocusChanged(bool focused) = 0;
    };

    /// `connection` is the session bus, where the bridge's name is claimed;
    /// the socket is `socketPath`.
    BridgeKeystrokeSource(QDBusConnection connection, std::string ownProgram,
                          std::string ownIdentifier, std::string socketPath);
    ~BridgeKeystrokeSource() override;
    BridgeKeystrokeSource(const BridgeKeystrokeSource&) = delete;
    BridgeKeystrokeSource& operator=(const BridgeKeystrokeSource&) = delete;

    /// Claims the service name and listens on the socket; false (with the
    /// reason in `error`) when the bus is unreachable, another program holds
    /// the name or the socket cannot be made.
    bool start(std::string* error = nullptr);

    /// Stops serving the bridge: the addon's connection closes, the socket
    /// and the name go, and keys are the user's again.
    void stop();

    bool isAttached() const { return addon_ != nullptr; }
    /// Whether a context of the addon has the keyboard focus.
    bool contextHasFocus() const { return hasFocus_; }
    /// One route at a time; null ends it. It must outlive its use here.
    void setHotKeyRoute(HotKeyRoute* route) { hotKeyRoute_ = route; }

    // KeyEventTap
    std::unique_ptr<InstalledTap> install(Callback callback) override;
    // TextOutput
    bool answerKey(std::span<const TextEdit> edits, bool pass) override;
    bool perform(std::span<const TextEdit> edits) override;
    // KeyboardState
    bool isSecureInputEnabled() const override;
    /// Always none: events reach the application through the input context,
    /// where modifiers the user still holds do not change them.
    EventFlags modifierFlags() const override { return 0; }
    // Accessibility
    bool isProcessTrusted() const override { return isAttached(); }
    bool promptForTrust() override { return isAttached(); }
    std::optional<AccessibilityElement> focusedElement(double timeoutSeconds) override;
    ElementAttributes attributes(const AccessibilityElement& element,
                                 double timeoutSeconds) override;
    bool setFocused(const AccessibilityElement& element, double timeoutSeconds) override;
    // Front application
    std::optional<RunningApplication> frontmostApplication() const override;
    bool activate(ProcessId pid) override;
    Registration onActivate(Workspace::ApplicationHandler handler) override;

  private:
    struct Tap;
    class BridgeTap;
    struct Context {
        std::uint64_t id = 0;
        std::string program;
        std::uint32_t fieldFlags = 0;
    };

    void acceptConnections();
    void readFrom(QLocalSocket* socket);
    /// Acts on one message of the attached addon.
    void handleMessage(QLocalSocket* socket, const bridge::wire::Message& message);
    void attach(QLocalSocket* socket);
    void detach();
    void write(QLocalSocket* socket, const bridge::wire::Message& message);
    /// Keyboard focus is in this context now: ends the word or announces
    /// the new program when that changed.
    void focusContext(const Context& context);
    void setHasFocus(bool focused);
    /// Sends the event through the enabled taps; false when one swallows it.
    bool deliver(const KeyEvent& event);
    void emitEdits(std::uint64_t contextId, const std::vector<TextEdit>& edits);
    ProcessId pidFor(const std::string& program) const;
    RunningApplication applicationFor(const std::string& program) const;

    QDBusConnection connection_;
    std::string ownProgram_;
    std::string ownIdentifier_;
    std::string socketPath_;
    std::unique_ptr<QLocalServer> server_;
    bool registered_ = false;

    /// The attached addon's connection; the newest one wins.
    QLocalSocket* addon_ = nullptr;
    /// What each connection has sent that is not a whole message yet.
    std::map<QLocalSocket*, bridge::wire::Decoder> decoders_;
    std::optional<Context> focused_;
    /// Whether `focused_` still has the keyboard (it stays the front
    /// program after its focus went out, as long as no other took it).
    bool hasFocus_ = false;
    HotKeyRoute* hotKeyRoute_ = nullptr;
    std::vector<std::shared_ptr<Tap>> taps_;  ///< newest first
    std::map<std::uint64_t, Workspace::ApplicationHandler> activationHandlers_;
    std::uint64_t nextHandler_ = 1;
    mutable std::map<std::string, ProcessId> pids_;
    mutable ProcessId nextPid_ = 0x40000000;
    /// The edits made while a key is decided; absent outside.
    std::vector<TextEdit>* collecting_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace halvora::platform::qt
