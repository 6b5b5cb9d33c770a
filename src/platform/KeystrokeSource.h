#pragma once

// The keystroke side of a real desktop, as one replaceable object.
//
// On macOS the event tap, synthesised events, the keyboard state, the
// accessibility interfaces and the frontmost application all come from the
// window server. On Linux they come from whatever carries keys to this
// program: an input-method framework bridge (fcitx5), or nothing at all. The
// desktop program takes every one of those services from a single
// KeystrokeSource, so that swapping the bridge in or out changes one object
// and no other adapter.
//
// What an implementation promises:
// - `install` hands back a tap only while it can really deliver key-downs
//   (and the mouse-downs that end a word) from the focused application; it
//   answers nothing otherwise, which the keyboard controller treats like a
//   missing permission.
// - `isProcessTrusted` is true exactly when keys can be seen and written:
//   the application shell starts the keyboard controller only then, and
//   stops it again when it turns false.
// - `answerKey`/`perform` carry out the controller's text edits on the
//   focused field by the framework's own means (pre-edit text, commits,
//   surrounding-text deletions, forwarded keys); `perform` answers false
//   when the edits cannot reach anything.
// - `focusedElement`/`attributes` describe the focused text field in the
//   accessibility vocabulary of the ports ("AXTextField",
//   "AXSecureTextField", ...); a bridge maps its own content hints (password,
//   URL) onto those roles.
// - `frontmostApplication`, `activate` and `onActivate` are the focused
//   program as the keystroke side knows it (the program of the focused input
//   context); `onActivate` notices arrive on the main queue.
// Everything is called on the main queue.

#include "platform/Accessibility.h"
#include "platform/KeyEventTap.h"
#include "platform/KeyboardState.h"
#include "platform/Registration.h"
#include "platform/TextOutput.h"
#include "platform/Workspace.h"

#include <optional>

namespace halvora::platform {

class KeystrokeSource : public KeyEventTap,
                        public TextOutput,
                        public KeyboardState,
                        public Accessibility {
  public:
    ~KeystrokeSource() override = default;

    /// The application that receives keystrokes now; nothing when unknown.
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;
    /// Asks that application to take the keyboard again; false when there is
    /// no such application or it cannot be reached.
    virtual bool activate(ProcessId pid) = 0;
    /// Notices that another application receives the keystrokes.
    virtual Registration onActivate(Workspace::ApplicationHandler handler) = 0;
};

}  // namespace halvora::platform
