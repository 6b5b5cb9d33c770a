#pragma once

// The composition of the word being typed, kept from one key to the next.
//
// `VietInputEngine::render` composes a word by folding its raw keystrokes one
// by one into a character list and then running a few passes over the whole
// list (ươ completion, tone placement again, the choice between the list and
// the raw keys). This class keeps the fold's state after the last key, so a
// new key costs one fold step; the passes are kept as a small set of marked
// positions (see `settle`) so they cost what the key changed, not the length
// of the word. The state is a cache: the engine rebuilds it from its raw
// keystrokes when the owner has set them or the shown text from outside.

#include "engine/EnglishWords.h"
#include "engine/SmallBuffer.h"
#include "engine/VowelMap.h"

#include <cstdint>
#include <string_view>

namespace halvora::engine {

/// The tone a Telex key sets (1 sắc, 2 huyền, 3 hỏi, 4 ngã, 5 nặng); 0 for
/// any other key.
int telexToneIndex(char32_t key);

class WordState {
  public:
    /// Whether the state is settled under these rules. That it was built
    /// from the owner's raw keystrokes and shows its text is the owner's to
    /// know (the engine tracks every change of them).
    bool describes(bool vni, bool modernTone) const {
        return settled_ && vni == vni_ && modernTone == modernTone_;
    }
    /// The same, and the keystrokes can be extended by more bytes without
    /// composing the word again from the start.
    bool extends(bool vni, bool modernTone) const {
        // A raw text ending inside a UTF-8 sequence may decode differently
        // once more bytes follow; such a word is composed again from its start.
        return !malformedTail_ && describes(vni, modernTone);
    }

    /// Forgets everything: an empty word under these rules.
    void start(bool vni, bool modernTone);
    /// Appends raw keystrokes (UTF-8), one fold step per character.
    void add(std::string_view utf8);
    /// Brings the shown text up to date with the keys added since the last
    /// call; returns how many leading bytes of the text stayed as they were.
    std::size_t settle();
    /// `add` of one ASCII key followed by `settle`, in one step: the usual
    /// key of a word.
    std::size_t typeAscii(char key);

    /// The composed text, as `render` gives it for the keystrokes added.
    std::string_view text() const { return {text8_.data(), text8_.size()}; }
    /// VietnameseSyllable::isValid of `text()`.
    bool textIsSyllable() const;
    /// User-perceived characters of `text()` as of the last `settle`.
    std::size_t graphemes() const { return nonSimple_ == 0 ? text32_.size() : countGraphemes(); }
    /// Whether a doubled modifier key undid a transformation in the word
    /// (render reports none for an English word, which it leaves untouched).
    bool escaped() const { return escaped_ && !english_.matches(); }
    /// Whether the keystrokes, lower-cased, are one of the English words.
    bool english() const { return english_.matches(); }

  private:
    using Index = std::uint32_t;
    static constexpr Index kNone = static_cast<Index>(-1);

    struct Change {
        Index position;
        char32_t before;
    };

    void push(char32_t ch);
    [[gnu::noinline]] void pushModifier(char32_t ch, char32_t key);
    void append(char32_t ch);
    void setChar(Index p, char32_t c);
    void undoLastKey();
    void clearTones();
    void recheckPair(Index j);
    bool applyTone(int tone);
    bool shapeLastVowel(Shape shape);
    Index toneTarget(Index lastShaped) const;

    struct FinalForm {
        bool anyTone = false;
        int tone = 0;
        Index target = kNone;
    };
    FinalForm finalForm() const;
    bool completes(Index p) const;
    char32_t finalAt(Index p, const FinalForm& form) const;
    bool showsRaw() const;
    void setOut(Index p, char32_t c, bool fresh, Index& lowest);
    void appendShown(char32_t c);
    std::size_t countGraphemes() const;
    [[gnu::noinline]] std::size_t settleChanges(bool raw);

    bool vni_ = false;
    bool modernTone_ = true;
    bool malformedTail_ = false;

    // The keystrokes, decoded.
    SmallBuffer<char32_t, 64> raw32_;

    // The fold: the character list and what render keeps beside it.
    SmallBuffer<char32_t, 64> list_;
    char32_t lastModifier_ = 0;
    bool escaped_ = false;
    EnglishWordMatcher english_;

    // Summaries of the list, each updated where the list changes.
    // Vowel positions: a position is a vowel for good once appended (tones
    // and shapes keep vowels vowels, đ is no vowel), so these only grow.
    Index vowelCount_ = 0;
    Index firstVowel_ = kNone;
    Index secondVowel_ = kNone;
    Index lastVowel_ = kNone;
    bool gapSinceVowel_ = false;
    bool interrupted_ = false;
    // Whether the list holds a character outside ASCII, đ and the vowels.
    bool foreign_ = false;
    // Positions holding a tone mark (any order).
    SmallBuffer<Index, 8> toned_;
    // Last shaped vowel (ă â ê ô ơ ư), or kNone.
    Index lastShaped_ = kNone;
    // Positions of unshaped vowels with base a, e, o, u, in order: the vowel a
    // shape key takes is the last one of its bases.
    SmallBuffer<Index, 16> bases_[4];
    // Under VNI, positions of d or D in order; those before dFront_ became đ.
    SmallBuffer<Index, 8> ds_;
    std::size_t dFront_ = 0;
    // Positions j where ư (any tone) is followed by o: ươ completion candidates.
    SmallBuffer<Index, 8> pairs_;

    // What the last key changed, when it was a modifier key: doubling it
    // restores this (render's snapshot).
    SmallBuffer<Change, 8> changes_;
    bool recording_ = false;
    Index lastShapedBefore_ = kNone;

    // List positions changed since the last settle.
    SmallBuffer<Index, 16> touched_;

    // The shown text, as code points and as UTF-8, and how it was made.
    SmallBuffer<char32_t, 64> text32_;
    SmallBuffer<char, 128> text8_;
    std::size_t nonSimple_ = 0;
    bool settled_ = false;
    bool textIsRaw_ = false;
    // Where the tone went at the last settle that showed the list's
    // composition (kNone when the word had no tone).
    Index lastTarget_ = kNone;
    // Whether the text as last settled is the list itself.
    bool textIsList_ = false;
    // Up to this many list characters, the text is composed whole when a key
    // changes more than its end (see settleChanges).
    static constexpr Index kShortWord = 24;
};

}  // namespace halvora::engine
