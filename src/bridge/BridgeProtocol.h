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
//       -> (b pass, au keyCodes, at flags, as texts)
//       One key-down of the focused input context. `text` is the UTF-8 the
//       key types (empty for keys that type nothing); `program` the context's
//       program name as the framework reports it ("firefox"); `fieldFlags`
//       the `fieldFlags` bits below; `contextId` a number the addon gives the
//       context, stable while it lives. The reply: whether the key goes on to
//       the application (`pass`), then the key presses the controller posted
//       while deciding, as three parallel arrays of equal length, in order.
//       The addon waits at most `keyCallTimeoutMs`; a late or failed reply
//       lets the key pass untouched.
//
//   MouseDown(t contextId) -> ()
//       The user clicked into the context (or its caret moved under the
//       user's hand, or the client took over a word shown as pre-edit
//       text): the word in progress ends.
//
//   FocusIn(s program, u fieldFlags, t contextId) -> ()
//   FocusOut(t contextId) -> ()
//       Keyboard focus moved to, or left, an input context.
//
// Signals (desktop -> addon):
//
//   Post(t contextId, au keyCodes, at flags, as texts)
//       Key presses the controller posted outside a key call (a snippet
//       pasted after a delay, a retry, a suggestion replacement). The addon
//       applies them only when `contextId` still has the focus.
//
// A posted key press is one (keyCode, flags, text) triple, applied to the
// context in order:
//   keyCode `backspaceKey`, no modifiers  -> erase one character before the
//                                             caret (a run of them is one
//                                             surrounding-text deletion where
//                                             the client supports it)
//   non-empty text                         -> commit the text
//
// Clients that report no surrounding text but show pre-edit text (Chromium)
// get the word as pre-edit text instead: typed keys, posted text and posted
// erasures change the pre-edit text, and it is committed when a Space, any
// other posted or passed key, or a new context ends the word.
//   keyCode `pasteKey` with `commandFlag`  -> the paste shortcut (Ctrl+V,
//                                             Ctrl+Shift+V in terminals)
//   Space without text                     -> commit " "
//   any other key without text             -> forward the key itself
//                                             (Return, Tab, ...)

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
inline constexpr std::string_view post = "Post";
}  // namespace signalNames

/// D-Bus signatures of the arguments, in order.
namespace signatures {
inline constexpr std::string_view keyDownArguments = "utssut";
inline constexpr std::string_view keyDownReply = "bauatas";
inline constexpr std::string_view focusInArguments = "sut";
inline constexpr std::string_view contextArgument = "t";
inline constexpr std::string_view postArguments = "tauatas";
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
