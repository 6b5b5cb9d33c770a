#pragma once

// What the keyboard controller does to the text before the caret of the
// focused field, in its own words. The controller (with its engine) is the
// one owner of the word being composed; an adapter turns these edits into
// whatever its platform understands: synthesised key events for an event
// tap, pre-edit text, commits and surrounding-text deletions for an
// input-method framework.

#include "platform/KeyEvent.h"

#include <cstddef>
#include <span>
#include <string>
#include <utility>

namespace halvora::platform {

struct TextEdit {
    enum class Kind : std::uint8_t {
        /// The word being composed, which read `shown`, now reads `text`.
        compose,
        /// The word being composed, which read `shown`, ends reading `text`.
        commit,
        /// Outside any word: the last `count` characters before the caret
        /// become `text`.
        replace,
        /// The key `keyCode` acts now, after the text before it.
        key,
        /// The platform's paste shortcut; `text` is what the pasteboard
        /// holds when that is plain text alone (empty otherwise), for
        /// adapters that can write it more directly.
        paste,
    };

    Kind kind = Kind::compose;
    std::string text;
    std::string shown;
    /// User-perceived characters (replace only).
    std::size_t count = 0;
    KeyCode keyCode = 0;
    /// compose only: the key being decided turns `shown` into `text` on its
    /// own, so an adapter whose key goes on to the application may let it.
    bool byKey = false;

    static TextEdit compose(std::string shown, std::string text, bool byKey = false) {
        return {Kind::compose, std::move(text), std::move(shown), 0, 0, byKey};
    }
    static TextEdit commit(std::string shown, std::string text) {
        return {Kind::commit, std::move(text), std::move(shown), 0, 0, false};
    }
    static TextEdit replace(std::size_t count, std::string text) {
        return {Kind::replace, std::move(text), {}, count, 0, false};
    }
    static TextEdit key(KeyCode keyCode) { return {Kind::key, {}, {}, 0, keyCode, false}; }
    static TextEdit paste(std::string text = {}) {
        return {Kind::paste, std::move(text), {}, 0, 0, false};
    }

    bool operator==(const TextEdit&) const = default;
};

/// Carries out text edits on the focused field. Main queue only.
class TextOutput {
  public:
    virtual ~TextOutput() = default;

    /// The edits made while one key was decided, in order, and the
    /// controller's answer for it in key-event terms: `pass` lets the key go
    /// on to the application after them. Answers whether it goes on; an
    /// adapter that carries the word by other means may keep a key whose
    /// effect it has already shown.
    virtual bool answerKey(std::span<const TextEdit> edits, bool pass) = 0;

    /// Edits made outside a key (a paste after a delay, a retry, a
    /// replacement); false when they cannot reach a focused field.
    virtual bool perform(std::span<const TextEdit> edits) = 0;
};

}  // namespace halvora::platform
