#include "platform/KeyEventTextOutput.h"

#include "text/Unicode.h"

#include <array>
#include <string_view>

namespace halvora::platform {

bool KeyEventTextOutput::answerKey(std::span<const TextEdit> edits, bool pass) {
    for (const TextEdit& edit : edits) {
        post(edit, pass);
    }
    return pass;
}

bool KeyEventTextOutput::perform(std::span<const TextEdit> edits) {
    bool posted = true;
    for (const TextEdit& edit : edits) {
        posted = post(edit, false) && posted;
    }
    return posted;
}

bool KeyEventTextOutput::post(const TextEdit& edit, bool keyPasses) {
    switch (edit.kind) {
        case TextEdit::Kind::compose:
        case TextEdit::Kind::commit: {
            if (edit.text == edit.shown || (edit.byKey && keyPasses)) {
                // The application already shows it, or the key goes on and
                // types it itself.
                return true;
            }
            bool posted = postBackspaces(text::graphemeCount(std::string_view(edit.shown)));
            if (!edit.text.empty()) {
                posted = postKeyPair(keyCodes::a, edit.text) && posted;
            }
            return posted;
        }
        case TextEdit::Kind::replace: {
            bool posted = postBackspaces(edit.count);
            // A text to type is posted even when empty, as every trailing text is.
            if (!edit.text.empty() || edit.count == 0) {
                posted = postKeyPair(keyCodes::a, edit.text) && posted;
            }
            return posted;
        }
        case TextEdit::Kind::key:
            return postKeyPair(edit.keyCode, {});
        case TextEdit::Kind::paste: {
            // Both events are created before either is posted, so that a
            // failure never leaves Command half pressed.
            const std::array events{
                KeyEvent{EventType::keyDown,
                         keyCodes::v,
                         eventFlags::command,
                         {},
                         kSyntheticEventMarker},
                KeyEvent{
                    EventType::keyUp, keyCodes::v, eventFlags::command, {}, kSyntheticEventMarker},
            };
            return poster_.postAll(events);
        }
    }
    return false;
}

bool KeyEventTextOutput::postKeyPair(KeyCode keyCode, const std::string& text) {
    // A failed event is skipped; the rest of the sequence still goes out.
    // One event, posted as the key-down and then as the key-up.
    KeyEvent event{EventType::keyDown, keyCode, 0, text, kSyntheticEventMarker};
    bool posted = poster_.post(event);
    event.type = EventType::keyUp;
    posted = poster_.post(event) && posted;
    return posted;
}

bool KeyEventTextOutput::postBackspaces(std::size_t count) {
    bool posted = true;
    for (std::size_t i = 0; i < count; ++i) {
        posted = postKeyPair(keyCodes::backspace, {}) && posted;
    }
    return posted;
}

}  // namespace halvora::platform
