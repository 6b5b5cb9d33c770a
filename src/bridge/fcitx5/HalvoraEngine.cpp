#include "bridge/fcitx5/HalvoraEngine.h"

#include "bridge/BridgeProtocol.h"
#include "bridge/ContextFacts.h"
#include "bridge/KeyTranslation.h"

#include <fcitx-utils/capabilityflags.h>
#include <fcitx-utils/log.h>
#include <fcitx-utils/utf8.h>
#include <fcitx/event.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputmethodentry.h>
#include <fcitx/inputpanel.h>
#include <fcitx/surroundingtext.h>
#include <fcitx/text.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string_view>
#include <utility>

namespace halvora::bridge {
namespace {

const std::string service(protocol::serviceName);

std::uint32_t fieldFlagsOf(const fcitx::InputContext& ic) {
    using fcitx::CapabilityFlag;
    const fcitx::CapabilityFlags caps = ic.capabilityFlags();
    std::uint32_t flags = 0;
    if (caps.test(CapabilityFlag::Password))
        flags |= protocol::fieldFlags::password;
    if (caps.test(CapabilityFlag::Sensitive))
        flags |= protocol::fieldFlags::sensitive;
    if (caps.test(CapabilityFlag::Url))
        flags |= protocol::fieldFlags::url;
    if (caps.test(CapabilityFlag::Terminal))
        flags |= protocol::fieldFlags::terminal;
    return flags;
}

}  // namespace

HalvoraEngine::HalvoraEngine(fcitx::Instance* instance)
    : instance_(instance),
      keyCallTimeout_(keyCallTimeout()),
      client_(protocol::socketPath()),
      keyCodes_(8) {
    // Clients such as Qt's do not reset the input method when the user
    // clicks into the text; they only report the caret's new place.
    surroundingWatch_ = instance_->watchEvent(
        fcitx::EventType::InputContextSurroundingTextUpdated,
        fcitx::EventWatcherPhase::PostInputMethod, [this](fcitx::Event& event) {
            onSurroundingText(*static_cast<fcitx::InputContextEvent&>(event).inputContext());
        });
#ifdef HALVORA_FCITX5_WAYLAND
    if (fcitx::AddonInstance* wayland = instance_->addonManager().addon("wayland")) {
        waylandCreated_ = wayland->call<fcitx::IWaylandModule::addConnectionCreatedCallback>(
            [this](const std::string&, wl_display* display, fcitx::FocusGroup* group) {
                waylandDisplays_[group] = display;
            });
        waylandClosed_ = wayland->call<fcitx::IWaylandModule::addConnectionClosedCallback>(
            [this](const std::string&, wl_display* display) {
                std::erase_if(waylandDisplays_,
                              [display](const auto& entry) { return entry.second == display; });
            });
    }
#endif
    // The session bus only says when the desktop comes and goes; keys and
    // edits travel on the desktop's socket.
    try {
        bus_ = std::make_unique<fcitx::dbus::Bus>(fcitx::dbus::BusType::Session);
        bus_->attachEventLoop(&instance_->eventLoop());
        watcher_ = std::make_unique<fcitx::dbus::ServiceWatcher>(*bus_);
        watch_ = watcher_->watchService(
            service, [this](const std::string&, const std::string&, const std::string& newOwner) {
                // A desktop that starts after the framework learns of the
                // addon at once, not only at the first key.
                if (!newOwner.empty()) {
                    connectToDesktop();
                } else {
                    disconnectFromDesktop();
                }
            });
    } catch (const std::exception& error) {
        FCITX_WARN() << "Halvora bridge: no session bus (" << error.what()
                     << "); the desktop is looked for at each key";
        bus_.reset();
    }
    connectToDesktop();
}

HalvoraEngine::~HalvoraEngine() = default;

std::uint64_t HalvoraEngine::contextId(const fcitx::InputContext& ic) {
    const fcitx::ICUUID& uuid = ic.uuid();
    std::uint64_t id = 0;
    std::memcpy(&id, uuid.data(), sizeof id);
    return id == 0 ? 1 : id;
}

bool HalvoraEngine::connectToDesktop() {
    if (client_.isConnected()) {
        return true;
    }
    if (!client_.connect()) {
        return false;
    }
    socketWatch_ = instance_->eventLoop().addIOEvent(
        client_.fd(), fcitx::IOEventFlag::In,
        [this](fcitx::EventSourceIO*, int, fcitx::IOEventFlags) {
            if (!client_.receive([this](wire::Message& message) { onMessage(message); })) {
                // The desktop is gone. This watch is done too, but it is
                // inside its own callback: it is only switched off here.
                client_.close();
                setConnected(false);
                if (socketWatch_) {
                    socketWatch_->setEnabled(false);
                }
            }
            return true;
        });
    setConnected(true);
    return true;
}

void HalvoraEngine::disconnectFromDesktop() {
    socketWatch_.reset();
    client_.close();
    setConnected(false);
}

void HalvoraEngine::sendContextMessage(wire::Type type, fcitx::InputContext& ic) {
    if (!connectToDesktop()) {
        return;
    }
    wire::Message message;
    message.type = type;
    message.contextId = contextId(ic);
    if (type == wire::Type::focusIn) {
        message.program = ic.program();
        message.fieldFlags = fieldFlagsOf(ic);
    }
    if (!client_.send(std::move(message))) {
        disconnectFromDesktop();
    }
}

void HalvoraEngine::activate(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) {
    judgeFor(*event.inputContext()).forget();
    sendContextMessage(wire::Type::focusIn, *event.inputContext());
    startDesktopIfAbsent();
}

void HalvoraEngine::startDesktopIfAbsent() {
    // The input method is wanted and nobody serves it: the bus starts
    // halvora-desktop from its service file (through the systemd user unit
    // where there is one, which also restarts it after a crash). The service
    // watcher connects once the name is owned.
    if (client_.isConnected() || !bus_ || startPending_) {
        return;
    }
    auto call = bus_->createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "StartServiceByName");
    call << std::string(service) << std::uint32_t{0};
    startPending_ = true;
    startCall_ = call.callAsync(30'000'000, [this](fcitx::dbus::Message& reply) {
        startPending_ = false;
        if (reply.isError()) {
            FCITX_INFO() << "Halvora bridge: halvora-desktop could not be started by the bus: "
                         << reply.errorMessage();
        }
        return true;
    });
}

void HalvoraEngine::deactivate(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) {
    fcitx::InputContext& ic = *event.inputContext();
    // Text waiting behind forwarded keys still belongs to this context.
    releaseHeldText(ic);
    judgeFor(ic).forget();
    const bool wordShown = !ic.inputPanel().clientPreedit().empty();
    if (event.type() == fcitx::EventType::InputContextFocusOut) {
        // The framework itself commits the pre-edit text of a context losing
        // the focus (or the client does, when it says so): committing it
        // here too would type the word twice.
        forgetPreedit(ic);
    } else if (wordShown) {
        // Another input method takes over: the word is the user's text.
        ic.commitString(ic.inputPanel().clientPreedit().toString());
        forgetPreedit(ic);
        ic.updatePreedit();
    }
    if (wordShown) {
        // The word is the client's text now, out of reach of corrections.
        sendContextMessage(wire::Type::mouseDown, ic);
    }
    // Not a reset: losing the focus is not a click.
    sendContextMessage(wire::Type::focusOut, ic);
}

void HalvoraEngine::reset(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) {
    // A client resets the input method when the user clicks into the field
    // or moves the caret by other means than keys: the word ends. Chromium
    // and Qt have kept their pre-edit text as typed by then; it is cleared
    // on the client's side of the framework too, or that side would take
    // the next word for more of the old composition.
    fcitx::InputContext& ic = *event.inputContext();
    releaseHeldText(ic);
    const bool wordShown = !ic.inputPanel().clientPreedit().empty();
    // Pre-edit text in a client that also reports its text: Firefox.
    const bool reportingPreeditClient =
        roadFor(ic) == ClientRoad::preedit && ic.surroundingText().isValid();
    if (wordShown) {
        if (reportingPreeditClient) {
            // Firefox keeps its composition through a reset and waits for
            // the input method to commit it. It also resets by itself, for
            // a change it reads late, right after a commit of ours; the
            // next word's first letter, shown by then, would be dropped.
            // After a click it has committed the word itself and ignores
            // this commit.
            ic.commitString(ic.inputPanel().clientPreedit().toString());
        }
        forgetPreedit(ic);
        ic.updatePreedit();
    }
    if (!applying_ && judgeFor(ic).resetIsClick(wordShown, reportingPreeditClient)) {
        sendContextMessage(wire::Type::mouseDown, ic);
    }
}

void HalvoraEngine::onSurroundingText(fcitx::InputContext& ic) {
    if (!ic.hasFocus() || instance_->inputMethodEngine(&ic) != this) {
        return;
    }
    const fcitx::SurroundingText& surrounding = ic.surroundingText();
    if (!surrounding.isValid()) {
        lastSurrounding_ = {};
        return;
    }
    Surrounding now{contextId(ic), surrounding.text(), surrounding.cursor(), surrounding.anchor()};
    const bool caretMovedAlone =
        now.contextId == lastSurrounding_.contextId && now.text == lastSurrounding_.text &&
        (now.cursor != lastSurrounding_.cursor || now.anchor != lastSurrounding_.anchor);
    lastSurrounding_ = std::move(now);
    // Clients that show pre-edit text reset the input method when the
    // caret moves; Firefox also reports a caret a character off while it
    // composes.
    if (caretMovedAlone && !applying_ && roadFor(ic) != ClientRoad::preedit) {
        judgeFor(ic).forget();
        sendContextMessage(wire::Type::mouseDown, ic);
    }
}

void HalvoraEngine::keyEvent(const fcitx::InputMethodEntry&, fcitx::KeyEvent& event) {
    if (event.isRelease() || applying_) {
        return;
    }
    const fcitx::Key& raw = event.rawKey();
    learnKeyCode(raw);
    // The key came through the client's queue, behind any keys forwarded
    // to it before.
    releaseHeldText(*event.inputContext());
    const auto key = KeyTranslation::fromKeySym(static_cast<std::uint32_t>(raw.sym()),
                                                static_cast<std::uint32_t>(raw.states()),
                                                fcitx::Key::keySymToUTF8(raw.sym()));
    if (!key || !connectToDesktop()) {
        return;
    }
    fcitx::InputContext& ic = *event.inputContext();
    if (judgeFor(ic).pendingResetWasClick(textBeforeCaret(ic))) {
        sendContextMessage(wire::Type::mouseDown, ic);
    }
    wire::Message call;
    call.keyCode = key->keyCode;
    call.flags = key->flags;
    call.text = key->text;
    call.program = ic.program();
    call.fieldFlags = fieldFlagsOf(ic);
    call.contextId = contextId(ic);
    // Edits made for earlier keys or a delayed paste may come first; they
    // are carried out first, in order.
    const std::optional<wire::Message> reply = client_.call(
        std::move(call), keyCallTimeout_, [this](wire::Message& message) { onMessage(message); });
    if (!reply) {
        // Not running, too slow or confused: the key is the user's.
        if (!client_.isConnected()) {
            disconnectFromDesktop();
        } else {
            FCITX_WARN() << "Halvora bridge: halvora-desktop answered too late; the key passes";
        }
        return;
    }
    const bool plain = !raw.states().testAny(
        fcitx::KeyStates{fcitx::KeyState::Ctrl, fcitx::KeyState::Alt, fcitx::KeyState::Super});
    if (apply(ic, reply->edits, AnsweredKey{key->keyCode, key->text, plain, reply->pass})) {
        event.filterAndAccept();
    }
}

void HalvoraEngine::onMessage(wire::Message& message) {
    if (message.type != wire::Type::edit) {
        return;
    }
    // Only into the context the edits were meant for, and only while it
    // still has the focus.
    fcitx::InputContext* target = nullptr;
    instance_->inputContextManager().foreach ([&](fcitx::InputContext* ic) {
        if (contextId(*ic) == message.contextId) {
            target = ic;
            return false;
        }
        return true;
    });
    if (target != nullptr && target->hasFocus() && instance_->inputMethodEngine(target) == this) {
        apply(*target, message.edits, std::nullopt);
#ifdef HALVORA_FCITX5_WAYLAND
        // A pasted snippet or a quick reply comes with no key: on the
        // compositor's road it would reach the client only with the next key.
        flushWayland(*target);
#endif
    }
}

#ifdef HALVORA_FCITX5_WAYLAND
void HalvoraEngine::flushWayland(const fcitx::InputContext& ic) {
    if (const auto found = waylandDisplays_.find(ic.focusGroup());
        found != waylandDisplays_.end()) {
        wl_display_flush(found->second);
    }
}
#endif

ClientRoad HalvoraEngine::roadFor(const fcitx::InputContext& ic) {
    const fcitx::CapabilityFlags caps = ic.capabilityFlags();
    // Through the compositor's input-method road (text-input-v3 clients such
    // as Chromium under Wayland) deletions of the text before the caret were
    // not applied once keys came a few milliseconds apart: Chromium doubled
    // letters ("Tieêngếng"). Pre-edit text needs no deletions, so such a
    // context is taken as one that does not report its text.
    const bool appliesDeletions = !onCompositorRoad(ic);
    return bridge::roadFor(
        ContextFacts{ic.program(), fieldFlagsOf(ic), caps.test(fcitx::CapabilityFlag::Preedit),
                     appliesDeletions && caps.test(fcitx::CapabilityFlag::SurroundingText) &&
                         ic.surroundingText().isValid()});
}

bool HalvoraEngine::apply(fcitx::InputContext& ic, const std::vector<WireEdit>& edits,
                          const std::optional<AnsweredKey>& key) {
    const ClientRoad road = roadFor(ic);
    const ClientPlan plan = planEdits(edits, road, key, ic.inputPanel().clientPreedit().toString());
    releaseHeldText(ic);
    ResetJudge& judge = judgeFor(ic);
    applying_ = true;
    bool behindForwardedKeys = false;
    for (const ClientStep& step : plan.steps) {
        switch (step.kind) {
            case ClientStep::Kind::showPreedit:
                showPreedit(ic, step.text);
                break;
            case ClientStep::Kind::commit: {
                if (behindForwardedKeys) {
                    // A commit would overtake the keys still queued; it
                    // waits for the client's next word from that queue.
                    held_ = {contextId(ic), held_.text + step.text};
                    break;
                }
                const bool hadPreedit = !ic.inputPanel().clientPreedit().empty();
                if (!step.text.empty()) {
                    ic.commitString(step.text);
                    judge.wrote(step.text);
                }
                if (hadPreedit) {
                    showPreedit(ic, {});
                }
                break;
            }
            case ClientStep::Kind::deleteBefore:
                if (ic.capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText)) {
                    // What is deleted is text the controller wrote:
                    // precomposed characters, one code point each.
                    ic.deleteSurroundingText(-static_cast<int>(step.count), step.count);
                    judge.deleted(step.count);
                } else {
                    judge.forget();
                    // The client ignores deletions: BackSpace keys, which
                    // join its key queue. One that shows pre-edit text
                    // (Chromium) runs that queue behind commits, so what
                    // follows waits; one without either has no ordered
                    // channel at all and gets it at once.
                    for (std::uint32_t i = 0; i < step.count; ++i) {
                        forward(ic, fcitx::Key(FcitxKey_BackSpace));
                    }
                    behindForwardedKeys = road == ClientRoad::preedit;
                }
                break;
            case ClientStep::Kind::forwardKey:
                judge.forget();
                if (const std::uint32_t sym = KeyTranslation::keySymFor(step.keyCode)) {
                    forward(ic, fcitx::Key(static_cast<fcitx::KeySym>(sym)));
                }
                break;
            case ClientStep::Kind::pasteShortcut:
                if (!step.text.empty() && !isTerminal(ic)) {
                    // Plain text goes the way typed text goes, so that
                    // nothing typed after it overtakes it; a forwarded
                    // shortcut waits in the client's key queue (Chromium
                    // runs it once the typing stops). Terminals paste, so
                    // that a line break is not taken for Return.
                    if (behindForwardedKeys) {
                        held_ = {contextId(ic), held_.text + step.text};
                    } else {
                        ic.commitString(step.text);
                        judge.wrote(step.text);
                    }
                } else {
                    judge.forget();
                    pasteShortcut(ic);
                }
                break;
        }
    }
    applying_ = false;
    if (key && !plan.keyTaken) {
        // What the key does is the client's business.
        judge.forget();
    }
    return plan.keyTaken;
}

ResetJudge& HalvoraEngine::judgeFor(const fcitx::InputContext& ic) {
    if (judged_ != contextId(ic)) {
        judged_ = contextId(ic);
        resetJudge_.forget();
    }
    return resetJudge_;
}

std::optional<std::string_view> HalvoraEngine::textBeforeCaret(const fcitx::InputContext& ic) {
    const fcitx::SurroundingText& surrounding = ic.surroundingText();
    if (!surrounding.isValid() || surrounding.cursor() != surrounding.anchor()) {
        return std::nullopt;
    }
    const std::string& text = surrounding.text();
    if (fcitx::utf8::length(text) < surrounding.cursor()) {
        return std::nullopt;
    }
    return std::string_view(text).substr(
        0, fcitx::utf8::ncharByteLength(text.begin(), surrounding.cursor()));
}

void HalvoraEngine::releaseHeldText(fcitx::InputContext& ic) {
    if (held_.text.empty() || held_.contextId != contextId(ic)) {
        return;
    }
    const std::string text = std::exchange(held_.text, {});
    ic.commitString(text);
}

void HalvoraEngine::showPreedit(fcitx::InputContext& ic, const std::string& text) {
    fcitx::Text preedit;
    if (!text.empty()) {
        preedit.append(text, fcitx::TextFormatFlag::Underline);
        preedit.setCursor(static_cast<int>(text.size()));
    }
    ic.inputPanel().setClientPreedit(preedit);
    ic.updatePreedit();
}

void HalvoraEngine::forgetPreedit(fcitx::InputContext& ic) {
    if (!ic.inputPanel().clientPreedit().empty()) {
        ic.inputPanel().setClientPreedit(fcitx::Text());
    }
}

void HalvoraEngine::pasteShortcut(fcitx::InputContext& ic) {
    if (!forwardsModifiers(ic)) {
        // The shortcut would arrive as a bare "v" in the user's text; the
        // contents stay on the clipboard for a paste by hand.
        FCITX_WARN() << "Halvora bridge: " << ic.frontend()
                     << " contexts cannot receive the paste shortcut; not pasted";
        return;
    }
    fcitx::KeyStates states = fcitx::KeyState::Ctrl;
    if (isTerminal(ic)) {
        states |= fcitx::KeyState::Shift;
    }
    forward(ic, fcitx::Key(FcitxKey_v, states));
}

void HalvoraEngine::forward(fcitx::InputContext& ic, const fcitx::Key& key) {
    // Frontends that hand keys back to the display server as key codes
    // (Wayland's input-method protocol, XIM) need the code, not the symbol.
    const fcitx::Key coded(key.sym(), key.states(), keyCodeFor(key.sym()));
    ic.forwardKey(coded, false);
    ic.forwardKey(coded, true);
}

bool HalvoraEngine::isTerminal(const fcitx::InputContext& ic) {
    return bridge::isTerminal(ContextFacts{ic.program(), fieldFlagsOf(ic)});
}

bool HalvoraEngine::forwardsModifiers(const fcitx::InputContext& ic) {
    // Wayland's input-method road (text-input-v3 clients through the
    // compositor) hands forwarded keys back without their modifiers.
    return !onCompositorRoad(ic);
}

bool HalvoraEngine::onCompositorRoad(const fcitx::InputContext& ic) {
    return std::string_view(ic.frontend()) == "wayland_v2";
}

void HalvoraEngine::learnKeyCode(const fcitx::Key& key) {
    keyCodes_.learn(static_cast<std::uint32_t>(key.sym()), static_cast<std::uint32_t>(key.code()));
}

int HalvoraEngine::keyCodeFor(fcitx::KeySym sym) const {
    return static_cast<int>(keyCodes_.codeFor(static_cast<std::uint32_t>(sym)));
}

void HalvoraEngine::setConnected(bool connected) {
    if (connected == connected_) {
        return;
    }
    connected_ = connected;
    if (connected) {
        FCITX_INFO() << "Halvora bridge: connected to halvora-desktop";
    } else {
        FCITX_WARN() << "Halvora bridge: halvora-desktop is not answering; keys pass untouched";
    }
}

fcitx::AddonInstance* HalvoraEngineFactory::create(fcitx::AddonManager* manager) {
    return new HalvoraEngine(manager->instance());
}

}  // namespace halvora::bridge

FCITX_ADDON_FACTORY(halvora::bridge::HalvoraEngineFactory);
