#pragma once

// The composition engine: keeps the raw keystrokes of the word being typed and
// shows, after every key, what composing the whole word from them gives.

#include "engine/InputAction.h"
#include "engine/VowelMap.h"
#include "engine/WordState.h"

#include <string>
#include <string_view>

namespace halvora::engine {

struct RenderResult {
    std::string text;
    /// True when a doubled modifier key undid a transformation in the word.
    bool escaped = false;

    bool operator==(const RenderResult&) const = default;
};

struct RenderResult32 {
    std::u32string text;
    bool escaped = false;

    bool operator==(const RenderResult32&) const = default;
};

/// A value record owned by the keyboard controller. Its owner starts a new
/// word by emptying `rawKeystrokes` and `composed` (`setWord("", "")`).
///
/// The two strings are read through accessors and changed only through the
/// engine's own calls and setters: the engine keeps the composition of the
/// word beside them, and a setter is how it learns that the owner changed
/// them, so that the next key composes from what the owner wrote.
struct VietInputEngine {
    /// true: VNI rules; false: Telex rules.
    bool vniMode = false;
    /// true: tone on the second vowel of oa, oe, uy (hoà); false: on the first (hòa).
    bool modernTone = true;

    /// The characters fed for the current word, in order and in the case typed.
    const std::string& rawKeystrokes() const { return rawKeystrokes_; }
    /// The text currently shown in the target application for the current word.
    const std::string& composed() const { return composed_; }
    /// Replaces the raw keystrokes (keeping the string's storage).
    void setRawKeystrokes(std::string_view raw) {
        rawKeystrokes_.assign(raw);
        kept_ = false;
    }
    /// Replaces the shown text (keeping the string's storage).
    void setComposed(std::string_view shown) {
        composed_.assign(shown);
        kept_ = false;
    }
    /// Both at once; `setWord("", "")` starts a new word.
    void setWord(std::string_view raw, std::string_view shown) {
        setRawKeystrokes(raw);
        setComposed(shown);
    }

    /// Adds one character to the word.
    InputAction feed(char32_t key) {
        InputAction action;
        feed(key, action);
        return action;
    }
    /// The same, with the answer written into `out` (see below).
    void feed(char32_t key, InputAction& out);
    /// Adds one typed character given as UTF-8; a character made of several
    /// code points (a letter with a combining mark) is added whole.
    InputAction feed(std::string_view key) {
        InputAction action;
        feed(key, action);
        return action;
    }
    /// The same, with the answer written into `out`: a caller that keeps one
    /// InputAction for every key reuses its text's storage, so that a key
    /// allocates nothing once the longest word so far has been typed.
    void feed(std::string_view key, InputAction& out);
    /// Takes back the last shown character; from then on the shown text is the
    /// word's raw keystrokes.
    InputAction backspace();
    /// The text the word should finally read at a boundary: with `autoRestore`,
    /// an English or non-Vietnamese word goes back to the letters as typed.
    /// `boundary` is accepted for the caller's convenience and not used.
    std::string peekCommitText(bool autoRestore, char32_t /*boundary*/) const {
        return commitSource(autoRestore);
    }
    /// The same, written into `out` (keeping its storage).
    void peekCommitText(bool autoRestore, char32_t boundary, std::string& out) const;

    /// Composes a whole word from its raw keystrokes. Pure.
    static RenderResult render(std::string_view raw, bool vni, bool modernTone);
    static RenderResult32 render(std::u32string_view raw, bool vni, bool modernTone);

    /// Clears every tone of the word and puts `tone` on the vowel the placement
    /// rule chooses; false (word unchanged) when the word has no vowel.
    static bool applyTone(std::u32string& word, int tone, bool modernTone);
    /// Gives `shape` to the last vowel that can take it; false when none can.
    static bool shapeLastVowel(std::u32string& word, Shape shape);
    /// The same by shape name; a name that is not one of the four shapes has
    /// no table of new vowels, so nothing is shaped and the answer is false.
    static bool shapeLastVowel(std::u32string& word, std::string_view shapeName);

  private:
    void answer(InputAction& out, bool typesItself, int deleteCount) const;
    // The field the commit text is, `rawKeystrokes_` or `composed_`.
    const std::string& commitSource(bool autoRestore) const;
    // Whether `word_` describes the two strings under the current rules.
    bool kept() const { return kept_ && word_.describes(vniMode, modernTone); }

    std::string rawKeystrokes_;
    std::string composed_;
    // The word's composition after the last key, so that a key does not
    // compose the whole word again. It describes the strings above while
    // `kept_` holds: every change of them outside the engine's own steps
    // goes through a setter, which clears it, and the next key builds the
    // composition again from the strings.
    WordState word_;
    bool kept_ = false;
};

}  // namespace halvora::engine
