#include "bridge/fcitx5/HalvoraEngine.h"

#include "bridge/BridgeProtocol.h"
#include "bridge/KeyTranslation.h"
#include "bridge/ProgramIdentity.h"

#include <fcitx-utils/capabilityflags.h>
#include <fcitx-utils/dbus/matchrule.h>
#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/log.h>
#include <fcitx-utils/utf8.h>
#include <fcitx/event.h>
#include <fcitx/inputmethodentry.h>
#include <fcitx/inputpanel.h>
#include <fcitx/surroundingtext.h>
#include <fcitx/text.h>

#include <linux/input-event-codes.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>
#include <utility>

namespace halvora::bridge {
namespace {

const std::string service(protocol::serviceName);
const std::string path(protocol::objectPath);
const std::string interface(protocol::interfaceName);

constexpr std::uint64_t usecPerMs = 1000;

/// The wait for the desktop's answer to a key: the protocol's, or
/// HALVORA_KEY_TIMEOUT_MS (1 to 1000) for machines, and tests, where the
/// desktop may be starved of CPU for longer.
std::uint64_t keyCallTimeoutUsec() {
    if (const char* value = std::getenv("HALVORA_KEY_TIMEOUT_MS")) {
        char* end = nullptr;
        const long ms = std::strtol(value, &end, 10);
        if (end != value && *end == '\0' && ms >= 1 && ms <= 1000) {
            return static_cast<std::uint64_t>(ms) * usecPerMs;
        }
    }
    return protocol::keyCallTimeoutMs * usecPerMs;
}

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

fcitx::KeyStates statesFor(std::uint64_t flags) {
    fcitx::KeyStates states;
    if (flags & protocol::shiftFlag)
        states |= fcitx::KeyState::Shift;
    if (flags & protocol::controlFlag)
        states |= fcitx::KeyState::Ctrl;
    if (flags & protocol::optionFlag)
        states |= fcitx::KeyState::Alt;
    if (flags & protocol::commandFlag)
        states |= fcitx::KeyState::Super;
    return states;
}

/// How long keys forwarded to a client may wait in its key queue.
constexpr std::chrono::milliseconds keyQueueWait{60};
/// Timers of the event loop are otherwise allowed to run up to a quarter of
/// a second late.
constexpr std::uint64_t timerAccuracyUsec = 1000;

/// Shifted letters type on the same key as their lower case.
std::uint32_t lowerKeySym(fcitx::KeySym sym) {
    const auto value = static_cast<std::uint32_t>(sym);
    return value >= FcitxKey_A && value <= FcitxKey_Z ? value - FcitxKey_A + FcitxKey_a : value;
}

/// The composing word holds precomposed text, one code point a character.
void eraseLastCharacter(std::string& word) {
    const std::size_t length = fcitx::utf8::length(word);
    if (length != fcitx::utf8::INVALID_LENGTH && length > 0) {
        word.erase(
            static_cast<std::size_t>(fcitx::utf8::ncharByteLength(word.begin(), length - 1)));
    } else {
        word.clear();
    }
}

}  // namespace

HalvoraEngine::HalvoraEngine(fcitx::Instance* instance)
    : instance_(instance), keyCallTimeout_(keyCallTimeoutUsec()) {
    // A connection of its own rather than the dbus module's: the bridge
    // needs nothing of the framework's bus services, and a blocking key call
    // on its own connection cannot reorder the framework's messages.
    try {
        bus_ = std::make_unique<fcitx::dbus::Bus>(fcitx::dbus::BusType::Session);
    } catch (const std::exception& error) {
        FCITX_ERROR() << "Halvora bridge: no session bus (" << error.what()
                      << "); keys pass untouched";
        return;
    }
    bus_->attachEventLoop(&instance_->eventLoop());
    // Clients such as Qt's do not reset the input method when the user
    // clicks into the text; they only report the caret's new place.
    surroundingWatch_ = instance_->watchEvent(
        fcitx::EventType::InputContextSurroundingTextUpdated,
        fcitx::EventWatcherPhase::PostInputMethod, [this](fcitx::Event& event) {
            onSurroundingText(*static_cast<fcitx::InputContextEvent&>(event).inputContext());
        });
    watcher_ = std::make_unique<fcitx::dbus::ServiceWatcher>(*bus_);
    watch_ = watcher_->watchService(
        service, [this](const std::string&, const std::string&, const std::string& newOwner) {
            // A desktop that starts after the framework learns of the addon
            // at once, not only at the first key.
            if (!newOwner.empty()) {
                attach();
            } else {
                setConnected(false);
            }
        });
    postMatch_ = bus_->addMatch(
        fcitx::dbus::MatchRule("", path, interface, std::string(protocol::signalNames::post)),
        [this](fcitx::dbus::Message& message) { return onPost(message); });
    attach();
}

HalvoraEngine::~HalvoraEngine() = default;

std::uint64_t HalvoraEngine::contextId(const fcitx::InputContext& ic) {
    const fcitx::ICUUID& uuid = ic.uuid();
    std::uint64_t id = 0;
    std::memcpy(&id, uuid.data(), sizeof id);
    return id == 0 ? 1 : id;
}

void HalvoraEngine::attach() {
    if (bus_ == nullptr) {
        return;
    }
    auto call = bus_->createMethodCall(service.c_str(), path.c_str(), interface.c_str(),
                                       std::string(protocol::methodNames::attach).c_str());
    call.send();
}

void HalvoraEngine::sendContextMessage(const char* member, fcitx::InputContext& ic,
                                       bool withFocus) {
    if (bus_ == nullptr) {
        return;
    }
    auto call = bus_->createMethodCall(service.c_str(), path.c_str(), interface.c_str(), member);
    if (withFocus) {
        call << ic.program() << fieldFlagsOf(ic);
    }
    call << contextId(ic);
    call.send();
}

void HalvoraEngine::activate(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) {
    sendContextMessage(std::string(protocol::methodNames::focusIn).c_str(), *event.inputContext(),
                       true);
}

void HalvoraEngine::deactivate(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) {
    fcitx::InputContext& ic = *event.inputContext();
    // Text waiting behind forwarded keys still belongs to this context.
    flushDeferredCommit(ic);
    if (event.type() == fcitx::EventType::InputContextFocusOut) {
        // The framework itself commits the pre-edit text of a context losing
        // the focus (or the client does, when it says so): committing it
        // here too would type the word twice. The word is then the client's
        // text, out of reach of pre-edit corrections, so it ends here.
        if (!compositionOf(ic).empty()) {
            dropComposition(ic);
            sendContextMessage(std::string(protocol::methodNames::mouseDown).c_str(), ic, false);
        }
    } else {
        // Another input method takes over: the word is the user's text.
        commitComposition(ic);
    }
    // Not a reset: losing the focus is not a click.
    sendContextMessage(std::string(protocol::methodNames::focusOut).c_str(), ic, false);
}

void HalvoraEngine::reset(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) {
    // Clients ask for a reset when the user clicks into the field or moves
    // the caret by other means than keys; either ends the word. A client
    // that resets keeps or discards its pre-edit text by itself (Chromium
    // keeps it), so the composing word is only forgotten here.
    dropComposition(*event.inputContext());
    if (!applying_) {
        sendContextMessage(std::string(protocol::methodNames::mouseDown).c_str(),
                           *event.inputContext(), false);
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
    if (caretMovedAlone && !applying_) {
        sendContextMessage(std::string(protocol::methodNames::mouseDown).c_str(), ic, false);
    }
}

void HalvoraEngine::keyEvent(const fcitx::InputMethodEntry&, fcitx::KeyEvent& event) {
    if (event.isRelease() || applying_ || bus_ == nullptr) {
        return;
    }
    const fcitx::Key& raw = event.rawKey();
    learnKeyCode(raw);
    flushDeferredCommit(*event.inputContext());
    const auto key = KeyTranslation::fromKeySym(static_cast<std::uint32_t>(raw.sym()),
                                                static_cast<std::uint32_t>(raw.states()),
                                                fcitx::Key::keySymToUTF8(raw.sym()));
    if (!key) {
        return;
    }
    fcitx::InputContext& ic = *event.inputContext();
    auto call = bus_->createMethodCall(service.c_str(), path.c_str(), interface.c_str(),
                                       std::string(protocol::methodNames::keyDown).c_str());
    call << static_cast<std::uint32_t>(key->keyCode) << static_cast<std::uint64_t>(key->flags)
         << key->text << ic.program() << fieldFlagsOf(ic) << contextId(ic);
    auto reply = call.call(keyCallTimeout_);
    if (reply.type() != fcitx::dbus::MessageType::Reply ||
        reply.signature() != protocol::signatures::keyDownReply) {
        // Not running, too slow or confused: the key is the user's.
        setConnected(false);
        return;
    }
    setConnected(true);
    bool pass = true;
    Presses presses;
    reply >> pass >> presses.keyCodes >> presses.flags >> presses.texts;
    if (!reply) {
        return;
    }
    apply(ic, presses);
    if (!pass || (erasingFor(ic) == Erasing::composing && composePassedKey(ic, raw, key->text))) {
        event.filterAndAccept();
    }
}

bool HalvoraEngine::composePassedKey(fcitx::InputContext& ic, const fcitx::Key& key,
                                     const std::string& text) {
    std::string& word = compositionOf(ic);
    const bool plain = !key.states().testAny(
        fcitx::KeyStates{fcitx::KeyState::Ctrl, fcitx::KeyState::Alt, fcitx::KeyState::Super});
    if (plain && key.sym() == FcitxKey_BackSpace && !word.empty()) {
        // The user erases a character of the word: it is still pre-edit.
        eraseLastCharacter(word);
        showComposition(ic);
        return true;
    }
    if (plain && !text.empty() && static_cast<unsigned char>(text[0]) >= 0x20 && text != "\x7f") {
        word += text;
        if (text == " ") {
            // A space ends the word, and goes with it.
            commitComposition(ic);
        } else {
            showComposition(ic);
        }
        return true;
    }
    // Return, Tab, arrows, shortcuts: the word is done before the key acts.
    commitComposition(ic);
    return false;
}

std::string& HalvoraEngine::compositionOf(const fcitx::InputContext& ic) {
    const std::uint64_t id = contextId(ic);
    if (composition_.contextId != id) {
        // A word left in another context went with that context's focus.
        composition_ = {id, {}};
    }
    return composition_.text;
}

void HalvoraEngine::showComposition(fcitx::InputContext& ic) {
    const std::string& word = compositionOf(ic);
    fcitx::Text preedit;
    if (!word.empty()) {
        preedit.append(word, fcitx::TextFormatFlag::Underline);
        preedit.setCursor(static_cast<int>(word.size()));
    }
    ic.inputPanel().setClientPreedit(preedit);
    ic.updatePreedit();
}

void HalvoraEngine::commitComposition(fcitx::InputContext& ic) {
    std::string& word = compositionOf(ic);
    if (word.empty()) {
        return;
    }
    const std::string text = std::exchange(word, {});
    showComposition(ic);
    ic.commitString(text);
}

void HalvoraEngine::dropComposition(fcitx::InputContext& ic) {
    std::string& word = compositionOf(ic);
    if (!word.empty()) {
        word.clear();
        ic.inputPanel().setClientPreedit(fcitx::Text());
    }
}

bool HalvoraEngine::onPost(fcitx::dbus::Message& message) {
    if (message.signature() != protocol::signatures::postArguments) {
        return false;
    }
    std::uint64_t id = 0;
    Presses presses;
    message >> id >> presses.keyCodes >> presses.flags >> presses.texts;
    if (!message) {
        return false;
    }
    // Only into the context the presses were meant for, and only while it
    // still has the focus.
    fcitx::InputContext* ic = instance_->mostRecentInputContext();
    if (ic != nullptr && ic->hasFocus() && contextId(*ic) == id &&
        instance_->inputMethodEngine(ic) == this) {
        apply(*ic, presses);
    }
    return false;
}

HalvoraEngine::Erasing HalvoraEngine::erasingFor(const fcitx::InputContext& ic) {
    // Clients that keep the input method informed of the text around the
    // caret apply a deletion in order with the commit that follows it. A
    // forwarded BackSpace goes through the client's key queue instead, which
    // some toolkits run after commits already received (Qt; Chromium, whose
    // text boxes report no surrounding text, mixes them up too). Pre-edit
    // text is updated in order with commits by every client that shows it.
    const fcitx::CapabilityFlags caps = ic.capabilityFlags();
    if (caps.test(fcitx::CapabilityFlag::SurroundingText) && ic.surroundingText().isValid()) {
        return Erasing::inPlace;
    }
    // Password fields are left alone by the controller; their characters
    // must not show up as pre-edit text either.
    if (caps.test(fcitx::CapabilityFlag::Preedit) && !caps.test(fcitx::CapabilityFlag::Password) &&
        !caps.test(fcitx::CapabilityFlag::Sensitive)) {
        return Erasing::composing;
    }
    return Erasing::forwardedKeys;
}

void HalvoraEngine::apply(fcitx::InputContext& ic, const Presses& presses) {
    const std::size_t count =
        std::min({presses.keyCodes.size(), presses.flags.size(), presses.texts.size()});
    applying_ = true;
    constexpr std::uint64_t shortcutMask =
        protocol::controlFlag | protocol::optionFlag | protocol::commandFlag;
    const Erasing erasing = erasingFor(ic);
    const bool inPlace = erasing == Erasing::inPlace;
    const bool composing = erasing == Erasing::composing;
    std::string& word = compositionOf(ic);
    bool wordChanged = false;
    unsigned int pendingDeletes = 0;
    auto flushDeletes = [&] {
        if (pendingDeletes > 0) {
            // The text being erased is what the controller typed: precomposed
            // characters, one code point each.
            ic.deleteSurroundingText(-static_cast<int>(pendingDeletes), pendingDeletes);
            pendingDeletes = 0;
        }
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t code = presses.keyCodes[i];
        const std::uint64_t flags = presses.flags[i];
        const std::string& text = presses.texts[i];
        if (code == protocol::backspaceKey && (flags & shortcutMask) == 0) {
            if (composing && !word.empty()) {
                eraseLastCharacter(word);
                wordChanged = true;
            } else if (inPlace) {
                ++pendingDeletes;
            } else {
                forward(ic, fcitx::Key(FcitxKey_BackSpace));
            }
            continue;
        }
        flushDeletes();
        if (composing && keysInFlight(ic) &&
            (!text.empty() || (code == platform::keyCodes::space && (flags & shortcutMask) == 0))) {
            // Text right after keys forwarded to the client (a suggestion
            // taken after the Space erases beyond the word with BackSpace
            // keys): those keys wait in the client's key queue, which a
            // commit or pre-edit text would overtake, so the text is
            // committed once they have had time to pass.
            deferCommit(ic, text.empty() ? std::string(" ") : text);
            continue;
        }
        // Anything else acts after text still waiting.
        flushDeferredCommit(ic);
        if (composing && !text.empty()) {
            word += text;
            wordChanged = true;
            continue;
        }
        if (composing && code == platform::keyCodes::space && (flags & shortcutMask) == 0) {
            word += ' ';
            commitComposition(ic);
            wordChanged = false;
            continue;
        }
        if (composing) {
            // Whatever else comes acts after the word, as the controller
            // expects of text it typed.
            commitComposition(ic);
            wordChanged = false;
        }
        if (!text.empty()) {
            ic.commitString(text);
        } else if (code == protocol::pasteKey && (flags & protocol::commandFlag) != 0) {
            if (!forwardsModifiers(ic)) {
                // The shortcut would arrive as a bare "v" in the user's text;
                // the contents stay on the clipboard for a paste by hand.
                FCITX_WARN() << "Halvora bridge: " << ic.frontend()
                             << " contexts cannot receive the paste shortcut; not pasted";
                continue;
            }
            const bool terminal = ic.capabilityFlags().test(fcitx::CapabilityFlag::Terminal) ||
                                  ProgramIdentity::isTerminal(ic.program());
            fcitx::KeyStates states = fcitx::KeyState::Ctrl;
            if (terminal) {
                states |= fcitx::KeyState::Shift;
            }
            forward(ic, fcitx::Key(FcitxKey_v, states));
        } else if (code == platform::keyCodes::space && (flags & shortcutMask) == 0) {
            // A Space after a corrected word: committed, so that it cannot
            // overtake the correction.
            ic.commitString(" ");
        } else if (const std::uint32_t sym =
                       KeyTranslation::keySymFor(static_cast<platform::KeyCode>(code))) {
            forward(ic, fcitx::Key(static_cast<fcitx::KeySym>(sym), statesFor(flags)));
        }
    }
    flushDeletes();
    if (wordChanged) {
        showComposition(ic);
    }
    applying_ = false;
}

void HalvoraEngine::forward(fcitx::InputContext& ic, const fcitx::Key& key) {
    // Frontends that hand keys back to the display server as key codes
    // (Wayland's input-method protocol, XIM) need the code, not the symbol.
    const fcitx::Key coded(key.sym(), key.states(), keyCodeFor(key.sym()));
    if (erasingFor(ic) == Erasing::composing) {
        keysInFlight_ = {contextId(ic), std::chrono::steady_clock::now() + keyQueueWait};
    }
    ic.forwardKey(coded, false);
    ic.forwardKey(coded, true);
}

bool HalvoraEngine::keysInFlight(const fcitx::InputContext& ic) const {
    return keysInFlight_.contextId == contextId(ic) &&
           std::chrono::steady_clock::now() < keysInFlight_.until;
}

void HalvoraEngine::deferCommit(fcitx::InputContext& ic, const std::string& text) {
    const std::uint64_t id = contextId(ic);
    if (deferred_.contextId != id) {
        deferred_ = {id, {}};
    }
    deferred_.text += text;
    const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(keyQueueWait);
    deferredTimer_ = instance_->eventLoop().addTimeEvent(
        CLOCK_MONOTONIC, fcitx::now(CLOCK_MONOTONIC) + static_cast<std::uint64_t>(wait.count()),
        timerAccuracyUsec, [this](fcitx::EventSourceTime*, std::uint64_t) {
            // Only into the context it was meant for, while it has the focus.
            fcitx::InputContext* focused = instance_->mostRecentInputContext();
            if (focused != nullptr && focused->hasFocus()) {
                flushDeferredCommit(*focused);
            }
            deferred_ = {};
            deferredTimer_.reset();
            return true;
        });
}

void HalvoraEngine::flushDeferredCommit(fcitx::InputContext& ic) {
    if (deferred_.text.empty() || deferred_.contextId != contextId(ic)) {
        return;
    }
    const std::string text = std::exchange(deferred_.text, {});
    ic.commitString(text);
}

bool HalvoraEngine::forwardsModifiers(const fcitx::InputContext& ic) {
    // Wayland's input-method road (text-input-v3 clients through the
    // compositor) hands forwarded keys back without their modifiers.
    return std::string_view(ic.frontend()) != "wayland_v2";
}

void HalvoraEngine::learnKeyCode(const fcitx::Key& key) {
    if (key.code() != 0 && key.sym() != FcitxKey_None) {
        learnedCodes_[lowerKeySym(key.sym())] = key.code();
    }
}

int HalvoraEngine::keyCodeFor(fcitx::KeySym sym) const {
    const auto lower = lowerKeySym(sym);
    if (const auto learned = learnedCodes_.find(lower); learned != learnedCodes_.end()) {
        return learned->second;
    }
    // Keys the user has not pressed yet: where a US keyboard has them (X key
    // codes are the kernel's plus 8).
    constexpr int x = 8;
    switch (lower) {
        case FcitxKey_v:
            return KEY_V + x;
        case FcitxKey_BackSpace:
            return KEY_BACKSPACE + x;
        case FcitxKey_Return:
            return KEY_ENTER + x;
        case FcitxKey_KP_Enter:
            return KEY_KPENTER + x;
        case FcitxKey_Tab:
            return KEY_TAB + x;
        case FcitxKey_Escape:
            return KEY_ESC + x;
        case FcitxKey_space:
            return KEY_SPACE + x;
        case FcitxKey_Delete:
            return KEY_DELETE + x;
        case FcitxKey_Left:
            return KEY_LEFT + x;
        case FcitxKey_Right:
            return KEY_RIGHT + x;
        case FcitxKey_Up:
            return KEY_UP + x;
        case FcitxKey_Down:
            return KEY_DOWN + x;
        case FcitxKey_Home:
            return KEY_HOME + x;
        case FcitxKey_End:
            return KEY_END + x;
        case FcitxKey_Page_Up:
            return KEY_PAGEUP + x;
        case FcitxKey_Page_Down:
            return KEY_PAGEDOWN + x;
        default:
            return 0;
    }
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
