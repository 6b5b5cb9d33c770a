#pragma once

// The keystroke bridge between an input-method framework on Linux (the
// fcitx5 addon) and the keyboard controller inside halvora-desktop. Both
// ends include this header; it names everything on the wire and depends on
// nothing but the standard library.
//
// Roles: halvora-desktop owns the session-bus name `serviceName`, which
// tells addons when it is there and keeps a second desktop from serving the
// bridge too, and listens on the Unix socket `socketPath()`. The addon
// connects to that socket directly: a key costs one wake-up of each side and
// none of a bus daemon. Every message of both directions travels on that
// one connection, in order (bridge/BridgeWire.h frames them). Keys travel as
// the virtual key codes and modifier flags of platform/KeyEvent.h, so the
// desktop hands them to the controller unchanged.
//
// Messages addon -> desktop:
//
//   attach
//       The addon announces itself, first thing on a new connection. Until
//       an addon is attached the desktop reports the keystroke side as not
//       trusted and keeps the controller stopped; it detaches when the
//       connection closes.
//
//   keyDown(serial, keyCode, flags, text, program, fieldFlags, contextId)
//       One key-down of the focused input context. `text` is the UTF-8 the
//       key types (empty for keys that type nothing); `program` the context's
//       program name as the framework reports it ("firefox"); `fieldFlags`
//       the `fieldFlags` bits below; `contextId` a number the addon gives the
//       context, stable while it lives. Answered by keyReply with the same
//       `serial`. The addon waits at most `keyCallTimeoutMs`; a late or
//       missing reply lets the key pass untouched (and is dropped when it
//       comes).
//
//   mouseDown(contextId)
//       The user clicked into the context (or its caret moved under the
//       user's hand, or the client reset the input method): the word in
//       progress ends, and the field keeps what it showed of it.
//
//   focusIn(program, fieldFlags, contextId), focusOut(contextId)
//       Keyboard focus moved to, or left, an input context.
//
// Messages desktop -> addon:
//
//   keyReply(serial, pass, edits)
//       The controller's answer in key-event terms (`pass`: the key goes on
//       to the application after the edits), then the text edits it made
//       while deciding, in order.
//
//   edit(contextId, edits)
//       Edits the controller made outside a key (a snippet pasted after a
//       delay, a retry, a suggestion replacement). The addon applies them
//       only when `contextId` still has the focus.
//
// Edits: one (kind, count, text, shown) each, applied in order.
//   compose        the word being composed, which read `shown` (`count`
//                  characters), now reads `text`
//   composeByKey   the same, where the key being decided turns `shown` into
//                  `text` by itself when it goes on to the client
//   commit         the word, which read `shown` (`count` characters), ends
//                  reading `text`
//   replace        outside a word: the `count` characters before the caret
//                  become `text`
//   key            the key with the virtual key code `count` acts now, after
//                  the text before it (a word-boundary key behind a
//                  correction)
//   paste          the platform's paste shortcut (Ctrl+V, Ctrl+Shift+V in
//                  terminals)
// Characters are user-perceived characters of precomposed text, one code
// point each for the text the controller writes.
//
// How the addon carries them out: one ordered channel per client. A word
// travels as pre-edit text, committed when it ends, in every client that
// shows pre-edit text; elsewhere as commits corrected by surrounding-text
// deletions. A key that goes on after edits does so behind them: text it
// types is committed in the same channel, any other key (Return, Tab, an
// arrow, a shortcut) is let through once the commit is out.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

namespace halvora::bridge::protocol {

inline constexpr std::string_view serviceName = "vn.halvora.KeystrokeBridge";

/// The desktop's socket: $HALVORA_BRIDGE_SOCKET when set (tests), else in
/// the user's runtime folder, which only the user can enter.
inline std::string socketPath() {
    if (const char* path = std::getenv("HALVORA_BRIDGE_SOCKET"); path && *path) {
        return path;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        return std::string(runtime) + "/halvora-bridge";
    }
    return "/tmp/halvora-bridge-" + std::to_string(::getuid());
}

/// The `kind` of an edit on the wire.
namespace editKinds {
inline constexpr std::uint32_t compose = 1;
inline constexpr std::uint32_t composeByKey = 2;
inline constexpr std::uint32_t commit = 3;
inline constexpr std::uint32_t replace = 4;
inline constexpr std::uint32_t key = 5;
inline constexpr std::uint32_t paste = 6;
}  // namespace editKinds

/// How long the addon waits for the answer to a key before letting the key
/// pass: long enough for a busy desktop, short enough that nobody notices a
/// stalled one.
inline constexpr int keyCallTimeoutMs = 50;

/// What the addon knows about the focused field, from the framework's
/// content hints.
namespace fieldFlags {
inline constexpr std::uint32_t password = 1u << 0;
/// Sensitive data other than a password (the framework's "sensitive" hint).
inline constexpr std::uint32_t sensitive = 1u << 1;
inline constexpr std::uint32_t url = 1u << 2;
inline constexpr std::uint32_t terminal = 1u << 3;
}  // namespace fieldFlags

}  // namespace halvora::bridge::protocol
