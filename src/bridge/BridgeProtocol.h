#pragma once

// The keystroke bridge between an input-method framework on Linux (the
// fcitx5 addon) and the keyboard controller inside halvora-desktop, on the
// session D-Bus. Both ends include this header; it names everything on the
// wire and depends on nothing but the standard library.
//
// Roles: halvora-desktop owns `serviceName` and exports `objectPath`; the
// addon is the client. Keys travel as the virtual key codes and modifier
// flags of platform/KeyEvent.h, so the desktop hands them to the controller
// unchanged.
//
// Methods (addon -> desktop), interface `interfaceName`:
//
//   Attach() -> ()
//       The addon announces itself. Until an addon is attached the desktop
//       reports the keystroke side as not trusted and keeps the controller
//       stopped; it detaches on its own when the addon's bus name vanishes.
//
//   KeyDown(u keyCode, t flags, s text, s program, u fieldFlags, t contextId)
//       -> (b pass, au kinds, au counts, as texts, as shown)
//       One key-down of the focused input context. `text` is the UTF-8 the
//       key types (empty for keys that type nothing); `program` the context's
//       program name as the framework reports it ("firefox"); `fieldFlags`
//       the `fieldFlags` bits below; `contextId` a number the addon gives the
//       context, stable while it lives. The reply: the controller's answer in
//       key-event terms (`pass`: the key goes on to the application after the
//       edits), then the text edits it made while deciding, as four parallel
//       arrays of equal length, in order (see "Edits" below). The addon waits
//       at most `keyCallTimeoutMs`; a late or failed reply lets the key pass
//       untouched.
//
//   MouseDown(t contextId) -> ()
//       The user clicked into the context (or its caret moved under the
//       user's hand, or the client reset the input method): the word in
//       progress ends, and the field keeps what it showed of it.
//
//   FocusIn(s program, u fieldFlags, t contextId) -> ()
//   FocusOut(t contextId) -> ()
//       Keyboard focus moved to, or left, an input context.
//
// Signals (desktop -> addon):
//
//   Edit(t contextId, au kinds, au counts, as texts, as shown)
//       Edits the controller made outside a key call (a snippet pasted after
//       a delay, a retry, a suggestion replacement). The addon applies them
//       only when `contextId` still has the focus.
//
// Edits: one (kind, count, text, shown) quadruple each, applied in order.
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
#include <string_view>

namespace halvora::bridge::protocol {

inline constexpr std::string_view serviceName = "vn.halvora.KeystrokeBridge";
inline constexpr std::string_view objectPath = "/vn/halvora/KeystrokeBridge";
inline constexpr std::string_view interfaceName = "vn.halvora.KeystrokeBridge1";

namespace methodNames {
inline constexpr std::string_view attach = "Attach";
inline constexpr std::string_view keyDown = "KeyDown";
inline constexpr std::string_view mouseDown = "MouseDown";
inline constexpr std::string_view focusIn = "FocusIn";
inline constexpr std::string_view focusOut = "FocusOut";
}  // namespace methodNames

namespace signalNames {
inline constexpr std::string_view edit = "Edit";
}  // namespace signalNames

/// The `kinds` of the edits on the wire.
namespace editKinds {
inline constexpr std::uint32_t compose = 1;
inline constexpr std::uint32_t composeByKey = 2;
inline constexpr std::uint32_t commit = 3;
inline constexpr std::uint32_t replace = 4;
inline constexpr std::uint32_t key = 5;
inline constexpr std::uint32_t paste = 6;
}  // namespace editKinds

/// D-Bus signatures of the arguments, in order.
namespace signatures {
inline constexpr std::string_view keyDownArguments = "utssut";
inline constexpr std::string_view keyDownReply = "bauauasas";
inline constexpr std::string_view focusInArguments = "sut";
inline constexpr std::string_view contextArgument = "t";
inline constexpr std::string_view editArguments = "tauauasas";
}  // namespace signatures

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

inline constexpr std::uint32_t backspaceKey = 51;
inline constexpr std::uint32_t pasteKey = 9;
inline constexpr std::uint64_t shiftFlag = 0x20000;
inline constexpr std::uint64_t controlFlag = 0x40000;
inline constexpr std::uint64_t optionFlag = 0x80000;
inline constexpr std::uint64_t commandFlag = 0x100000;

}  // namespace halvora::bridge::protocol
