#include "engine/WordState.h"

#include "engine/VietnameseSyllable.h"
#include "text/Unicode.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>

namespace halvora::engine {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

char32_t lowerKey(char32_t c) {
    if (c < 0x80) {
        return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
    }
    return text::lowerChar(c);
}

bool isModifierKey(char32_t key, bool vni) {
    if (vni) {
        return key >= U'1' && key <= U'9';
    }
    switch (key) {
        case U'a':
        case U'd':
        case U'e':
        case U'o':
        case U'w':
        case U's':
        case U'f':
        case U'r':
        case U'x':
        case U'j':
            return true;
        default:
            return false;
    }
}

// Table rows of the vowels the summaries look at.
constexpr int kRowA = 0;
constexpr int kRowE = 3;
constexpr int kRowO = 6;
constexpr int kRowU = 9;
constexpr int kRowUHorn = 10;

int rowOf(char32_t c) {
    return VowelMap::detail::find(c).row;
}

// Which of the a, e, o, u position lists an unshaped vowel of this row
// belongs to.
int baseList(int row) {
    switch (row) {
        case kRowA:
            return 0;
        case kRowE:
            return 1;
        case kRowO:
            return 2;
        case kRowU:
            return 3;
        default:
            return -1;
    }
}

// The base lists a shape looks through, and the vowel it makes of each base.
unsigned shapeLists(Shape shape) {
    switch (shape) {
        case Shape::circumflex:
            return 0b0111;  // a e o
        case Shape::horn:
            return 0b1100;  // o u
        case Shape::breve:
            return 0b0001;  // a
        case Shape::hornOrBreve:
            return 0b1101;  // a o u
    }
    return 0;
}

char32_t shapedVowel(Shape shape, char32_t base) {
    const bool circumflex = shape == Shape::circumflex;
    switch (base) {
        case U'a':
            return circumflex ? U'â' : U'ă';
        case U'e':
            return U'ê';
        case U'o':
            return circumflex ? U'ô' : U'ơ';
        default:
            return U'ư';
    }
}

// Code points that always stand alone as one user-perceived character
// (printable ASCII and the Latin letter blocks Vietnamese text is made of),
// so a text made only of them counts its characters by counting code points.
bool isSimple(char32_t c) {
    return (c >= 0x20 && c < 0x7F) || (c >= 0xC0 && c < 0x250) || (c >= 0x1E00 && c < 0x1F00);
}

template <class Buffer, class T>
void eraseValue(Buffer& buffer, T value) {
    if (!buffer.empty() && buffer.back() == value) {
        buffer.pop_back();
        return;
    }
    T* end = buffer.end();
    T* found = std::find(buffer.begin(), end, value);
    if (found != end) {
        std::copy(found + 1, end, found);
        buffer.pop_back();
    }
}

template <class Buffer, class T>
void insertSorted(Buffer& buffer, T value, std::size_t from = 0) {
    if (buffer.size() == from || buffer.back() < value) {
        buffer.push_back(value);
        return;
    }
    T* at = std::lower_bound(buffer.begin() + from, buffer.end(), value);
    if (at != buffer.end() && *at == value) {
        return;
    }
    const std::size_t offset = static_cast<std::size_t>(at - buffer.begin());
    buffer.push_back(value);
    T* slot = buffer.begin() + offset;
    std::copy_backward(slot, buffer.end() - 1, buffer.end());
    *slot = value;
}

template <class Buffer, class T>
bool containsSorted(const Buffer& buffer, T value) {
    return std::binary_search(buffer.begin(), buffer.end(), value);
}

}  // namespace

void WordState::start(bool vni, bool modernTone) {
    vni_ = vni;
    modernTone_ = modernTone;
    malformedTail_ = false;
    raw32_.clear();
    list_.clear();
    lastModifier_ = 0;
    escaped_ = false;
    english_.reset();
    vowelCount_ = 0;
    firstVowel_ = secondVowel_ = lastVowel_ = kNone;
    gapSinceVowel_ = false;
    interrupted_ = false;
    foreign_ = false;
    toned_.clear();
    lastShaped_ = kNone;
    for (auto& positions : bases_) {
        positions.clear();
    }
    ds_.clear();
    dFront_ = 0;
    pairs_.clear();
    changes_.clear();
    recording_ = false;
    lastShapedBefore_ = kNone;
    touched_.clear();
    text32_.clear();
    text8_.clear();
    nonSimple_ = 0;
    // The empty word shows the empty text, with nothing marked.
    settled_ = true;
    textIsRaw_ = false;
    textIsList_ = true;
    lastTarget_ = kNone;
}

void WordState::add(std::string_view utf8) {
    // Decoded exactly as text::toUtf32 decodes the whole raw text: each
    // malformed sequence stands for U+FFFD.
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c = s[i];
        if (c < 0x80) {
            ++i;
            malformedTail_ = false;
        } else {
            U8_NEXT(s, i, length, c);
            malformedTail_ = c < 0;
            if (c < 0) {
                c = static_cast<UChar32>(kReplacement);
            }
        }
        raw32_.push_back(static_cast<char32_t>(c));
        push(static_cast<char32_t>(c));
    }
}

// ---------------------------------------------------------------- the fold

// One step of render's loop, with the same rules in the same order; only the
// bookkeeping differs (see the summaries in the header).
void WordState::push(char32_t ch) {
    english_.advance(ch);
    const char32_t key = lowerKey(ch);
    // A key that is no modifier (nor the tone-clearing key) transforms
    // nothing: render appends it and forgets the last modifier. It cannot
    // double one either, since only modifier keys are ever remembered.
    if (!isModifierKey(key, vni_) && key != (vni_ ? U'0' : U'z')) {
        lastModifier_ = 0;
        append(ch);
        return;
    }
    pushModifier(ch, key);
}

void WordState::pushModifier(char32_t ch, char32_t key) {
    if (lastModifier_ != 0 && lastModifier_ == key) {
        // render sets the list to its snapshot, the list before the previous
        // key. The snapshot is taken at every modifier key and only a key
        // that transformed the word leaves the last modifier set, so that
        // previous key changed the list in place without appending, and
        // undoing its recorded changes gives back exactly the snapshot.
        undoLastKey();
        append(ch);
        lastModifier_ = 0;
        escaped_ = true;
        return;
    }

    const bool modifier = isModifierKey(key, vni_);
    lastModifier_ = modifier ? key : 0;
    if (modifier) {
        changes_.clear();
        lastShapedBefore_ = lastShaped_;
    }
    recording_ = modifier;

    if (key == (vni_ ? U'0' : U'z') && !toned_.empty()) {
        while (!toned_.empty()) {
            const Index p = toned_.back();
            setChar(p, VowelMap::withTone(list_[p], 0));
        }
        recording_ = false;
        return;
    }

    bool consumed = false;
    if (!vni_) {
        const char32_t lastBase = list_.empty() ? 0 : VowelMap::base(list_.back());
        if (key == U'd' && (lastBase == U'd' || lastBase == U'đ')) {
            const Index last = static_cast<Index>(list_.size() - 1);
            setChar(last, VowelMap::copyCase(U'đ', list_[last]));
            consumed = true;
        } else if ((key == U'a' || key == U'e' || key == U'o') && lastBase == key) {
            consumed = shapeLastVowel(Shape::circumflex);
        } else if (key == U'w') {
            consumed = shapeLastVowel(Shape::hornOrBreve);
        } else if (const int tone = telexToneIndex(key); tone != 0) {
            consumed = applyTone(tone);
        }
    } else {
        if (key == U'9') {
            if (dFront_ < ds_.size()) {
                const Index p = ds_[dFront_];
                setChar(p, VowelMap::copyCase(U'đ', list_[p]));
                consumed = true;
            }
        } else if (key == U'6' || key == U'7' || key == U'8') {
            consumed = shapeLastVowel(key == U'6'   ? Shape::circumflex
                                      : key == U'7' ? Shape::horn
                                                    : Shape::breve);
        } else if (key >= U'1' && key <= U'5') {
            consumed = applyTone(static_cast<int>(key - U'0'));
        }
    }
    recording_ = false;

    if (!consumed) {
        lastModifier_ = 0;
        append(ch);
    }
}

inline void WordState::append(char32_t ch) {
    const auto p = static_cast<Index>(list_.size());
    list_.push_back(ch);
    touched_.push_back(p);
    const VowelMap::detail::Position at = VowelMap::detail::find(ch);
    if (at.row < 0) {
        if (ch >= 0x80 && ch != U'đ' && ch != U'Đ') {
            foreign_ = true;
        }
        if (vni_ && lowerKey(ch) == U'd') {
            ds_.push_back(p);
        }
        if (vowelCount_ > 0) {
            gapSinceVowel_ = true;
        }
        return;
    }
    if (at.column != 0) {
        toned_.push_back(p);
    }
    if (((VowelMap::detail::kShapedRows >> at.row) & 1u) != 0) {
        lastShaped_ = p;
    }
    if (const int b = baseList(at.row); b >= 0) {
        bases_[b].push_back(p);
    }
    if (at.row == kRowO && p >= 1 && rowOf(list_[p - 1]) == kRowUHorn) {
        pairs_.push_back(p);
    }
    if (vowelCount_ == 0) {
        firstVowel_ = p;
    } else {
        if (gapSinceVowel_) {
            interrupted_ = true;
        }
        if (vowelCount_ == 1) {
            secondVowel_ = p;
        }
    }
    lastVowel_ = p;
    ++vowelCount_;
    gapSinceVowel_ = false;
}

// Every change of a character already in the list goes through here, so the
// summaries follow it.
inline void WordState::setChar(Index p, char32_t c) {
    const char32_t before = list_[p];
    if (before == c) {
        return;
    }
    if (recording_) {
        changes_.push_back({p, before});
    }
    list_[p] = c;
    touched_.push_back(p);

    const VowelMap::detail::Position was = VowelMap::detail::find(before);
    const VowelMap::detail::Position now = VowelMap::detail::find(c);
    const bool tonedBefore = was.column != 0;
    const bool tonedAfter = now.column != 0;
    if (tonedBefore && !tonedAfter) {
        eraseValue(toned_, p);
    } else if (!tonedBefore && tonedAfter) {
        toned_.push_back(p);
    }

    const int listBefore = baseList(was.row);
    const int listAfter = baseList(now.row);
    if (listBefore != listAfter) {
        if (listBefore >= 0) {
            eraseValue(bases_[listBefore], p);
        }
        if (listAfter >= 0) {
            insertSorted(bases_[listAfter], p);
        }
    }

    if (vni_) {
        const bool dBefore = lowerKey(before) == U'd';
        const bool dAfter = lowerKey(c) == U'd';
        if (dBefore && !dAfter) {
            if (dFront_ < ds_.size() && ds_[dFront_] == p) {
                ++dFront_;
            } else {
                // Not the first d (no rule of the fold changes another one);
                // kept correct all the same.
                Index* end = ds_.end();
                Index* found =
                    std::find(ds_.begin() + static_cast<std::ptrdiff_t>(dFront_), end, p);
                if (found != end) {
                    std::copy(found + 1, end, found);
                    ds_.pop_back();
                }
            }
        } else if (!dBefore && dAfter) {
            if (dFront_ > 0 && ds_[dFront_ - 1] == p) {
                --dFront_;
            } else {
                insertSorted(ds_, p, dFront_);
            }
        }
    }

    if (was.row != now.row) {  // only vowel rows make ươ pairs
        recheckPair(p);
        if (p + 1 < list_.size()) {
            recheckPair(p + 1);
        }
    }
}

inline void WordState::recheckPair(Index j) {
    const bool pair =
        j >= 1 && VowelMap::base(list_[j - 1]) == U'ư' && VowelMap::base(list_[j]) == U'o';
    if (pair) {
        insertSorted(pairs_, j);
    } else if (!pairs_.empty() && (pairs_.back() == j || containsSorted(pairs_, j))) {
        eraseValue(pairs_, j);
    }
}

void WordState::undoLastKey() {
    recording_ = false;
    for (std::size_t i = changes_.size(); i-- > 0;) {
        setChar(changes_[i].position, changes_[i].before);
    }
    changes_.clear();
    lastShaped_ = lastShapedBefore_;
}

// VietInputEngine::applyTone on the list, with the vowel positions taken from
// the summaries instead of a scan.
bool WordState::applyTone(int tone) {
    if (vowelCount_ == 0) {
        return false;
    }
    clearTones();
    const Index target = toneTarget(lastShaped_);
    setChar(target, VowelMap::withTone(list_[target], tone));
    return true;
}

void WordState::clearTones() {
    while (!toned_.empty()) {
        const Index p = toned_.back();
        const char32_t toneless = VowelMap::withTone(list_[p], 0);
        if (toneless == list_[p]) {
            toned_.pop_back();  // cannot happen: only toned vowels are listed
            continue;
        }
        setChar(p, toneless);
    }
}

// The placement rule of VietInputEngine::applyTone, in the same order.
WordState::Index WordState::toneTarget(Index lastShaped) const {
    if (lastShaped != kNone) {
        return lastShaped;
    }
    const char32_t firstBase = VowelMap::base(list_[firstVowel_]);
    if (vowelCount_ == 2) {
        const char32_t secondBase = VowelMap::base(list_[secondVowel_]);
        if ((firstBase == U'o' && (secondBase == U'a' || secondBase == U'e')) ||
            (firstBase == U'u' && secondBase == U'y')) {
            return (!modernTone_ && lastVowel_ == list_.size() - 1) ? firstVowel_ : secondVowel_;
        }
    }
    if (firstBase == U'i' && vowelCount_ >= 2 && firstVowel_ == 1 && lowerKey(list_[0]) == U'g') {
        return secondVowel_;
    }
    if (firstBase == U'u' && vowelCount_ >= 2 && firstVowel_ >= 1 &&
        lowerKey(list_[firstVowel_ - 1]) == U'q') {
        return secondVowel_;
    }
    if (vowelCount_ == 3) {
        return secondVowel_;
    }
    return firstVowel_;
}

// VietInputEngine::shapeLastVowel on the list: the last vowel of the shape's
// bases is the last entry of one of their position lists.
bool WordState::shapeLastVowel(Shape shape) {
    const unsigned lists = shapeLists(shape);
    Index found = kNone;
    for (int b = 0; b < 4; ++b) {
        if ((lists >> b) & 1u && !bases_[b].empty() &&
            (found == kNone || bases_[b].back() > found)) {
            found = bases_[b].back();
        }
    }
    if (found == kNone) {
        return false;
    }
    const char32_t shaped = shapedVowel(shape, VowelMap::base(list_[found]));
    setChar(found, VowelMap::withShape(shaped, list_[found]));
    if (lastShaped_ == kNone || found > lastShaped_) {
        lastShaped_ = found;
    }
    if ((shape == Shape::horn || shape == Shape::hornOrBreve) && shaped == U'ơ' && found >= 1 &&
        VowelMap::base(list_[found - 1]) == U'u' &&
        !(found >= 2 && VowelMap::base(list_[found - 2]) == U'q')) {
        setChar(found - 1, VowelMap::withShape(U'ư', list_[found - 1]));
    }
    return true;
}

// ---------------------------------------------------------------- the passes

// render ends with passes over the whole list: ươ completion (an o after ư
// takes the horn when a letter follows it), the tone placed again for the
// word as it stands, and the choice of the list or the raw keys. Their
// outcome differs from the list only at a few positions: the completed o's,
// the toned vowels (cleared) and the tone's new place. What a position shows
// depends on its list character, on whether it is a completed o, on whether
// the word has a tone at all, and on whether the tone goes there. So after a
// key, a position can show something new only when the key changed it or the
// character before it (which makes or breaks its ươ pair), when it is the
// last old position (an o there completes once a letter follows), or when it
// is the tone's old or new place. Whether the word has a tone matters only
// for a position that carries one itself, and such a position keeps it
// unless the key changed it. `settle` recomputes exactly those positions.

[[gnu::always_inline]] inline bool WordState::completes(Index p) const {
    return !pairs_.empty() && p + 1 < list_.size() && containsSorted(pairs_, p);
}

inline WordState::FinalForm WordState::finalForm() const {
    FinalForm form;
    if (toned_.empty()) {
        return form;
    }
    // The tone of the first toned character in word order (completion keeps
    // tones), placed for the completed word.
    const Index firstToned = *std::min_element(toned_.begin(), toned_.end());
    form.anyTone = true;
    form.tone = VowelMap::toneIndex(list_[firstToned]);
    Index lastShaped = lastShaped_;
    for (std::size_t i = pairs_.size(); i-- > 0;) {
        if (pairs_[i] + 1 < list_.size()) {
            if (lastShaped == kNone || pairs_[i] > lastShaped) {
                lastShaped = pairs_[i];
            }
            break;
        }
    }
    form.target = toneTarget(lastShaped);
    return form;
}

[[gnu::always_inline]] inline char32_t WordState::finalAt(Index p, const FinalForm& form) const {
    char32_t c = list_[p];
    if (pairs_.empty() && !form.anyTone) {
        return c;
    }
    if (completes(p)) {
        c = VowelMap::withShape(U'ơ', c);
    }
    if (form.anyTone) {
        c = VowelMap::withTone(c, p == form.target ? form.tone : 0);
    }
    return c;
}

// render shows the raw keys for an English word, and for a word with a
// consonant between vowels unless a doubled key escaped (when the list equals
// the raw keys both choices are the same text). Vowel positions never change
// once appended, so "interrupted" only turns on, and "escaped" only on too.
inline bool WordState::showsRaw() const {
    return english_.matches() || (!escaped_ && interrupted_);
}

[[gnu::always_inline]] inline void WordState::setOut(Index p, char32_t c, bool fresh,
                                                     Index& lowest) {
    if (!fresh) {
        const char32_t before = text32_[p];
        if (before == c) {
            return;
        }
        nonSimple_ -= isSimple(before) ? 0 : 1;
        lowest = std::min(lowest, p);
    }
    nonSimple_ += isSimple(c) ? 0 : 1;
    text32_[p] = c;
}

// UTF-8 of one code point, byte by byte: a call to a copy routine would cost
// more than the two or three bytes of a Vietnamese letter.
template <class Buffer>
[[gnu::always_inline]] inline void appendUtf8(Buffer& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000 || c > 0x10FFFF) {
        // As text::toUtf8 writes them: what is no Unicode scalar value
        // becomes U+FFFD (no fold step makes one; kept exact all the same).
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

inline void WordState::appendShown(char32_t c) {
    nonSimple_ += isSimple(c) ? 0 : 1;
    text32_.push_back(c);
    appendUtf8(text8_, c);
}

std::size_t WordState::settle() {
    // The common key appends one character to a text that is the list itself
    // (no tone, no ươ pair, nothing marked before or after the key) or the
    // raw keys, and the text stays so: the text gains that one character,
    // exactly what the general path computes for it.
    const auto oldCount = static_cast<Index>(text32_.size());
    const bool raw = showsRaw();
    if (settled_ && raw == textIsRaw_) {
        const std::size_t oldBytes = text8_.size();
        if (raw) {
            if (raw32_.size() == oldCount + 1) {
                touched_.clear();
                appendShown(raw32_.back());
                return oldBytes;
            }
        } else if (textIsList_ && toned_.empty() && pairs_.empty() && touched_.size() == 1 &&
                   touched_[0] == oldCount && list_.size() == oldCount + 1) {
            touched_.clear();
            appendShown(list_.back());
            return oldBytes;
        }
    }
    return settleChanges(raw);
}

// Everything it calls that is small enough is inlined into it; the rare
// paths (a modifier key, a key that changes more than the end of the text)
// stay calls.
[[gnu::flatten]] std::size_t WordState::typeAscii(char key) {
    raw32_.push_back(static_cast<char32_t>(key));
    malformedTail_ = false;
    push(static_cast<char32_t>(key));
    return settle();
}

std::size_t WordState::settleChanges(bool raw) {
    bool listFinal = false;
    const auto oldCount = static_cast<Index>(text32_.size());
    const std::size_t oldBytes = text8_.size();
    Index lowest = oldCount;

    // Writes the whole text anew, noting where it first differs from the old.
    const auto rewrite = [&](Index count, auto&& at) {
        const Index common = std::min(oldCount, count);
        text32_.resize(count);
        for (Index p = 0; p < count; ++p) {
            setOut(p, at(p), p >= common, lowest);
        }
        if (count < oldCount) {
            lowest = std::min(lowest, count);
            nonSimple_ = 0;
            for (char32_t c : text32_) {
                nonSimple_ += isSimple(c) ? 0 : 1;
            }
        }
    };

    if (raw) {
        // The choice between list and raw keys changes a bounded number of
        // times per word: English words are short, and the other two flags
        // only turn on.
        if (!settled_ || !textIsRaw_) {
            rewrite(static_cast<Index>(raw32_.size()), [&](Index p) { return raw32_[p]; });
        } else {
            // Raw keys shown: the new characters are the new keys.
            text32_.resize(raw32_.size());
            for (Index p = oldCount; p < raw32_.size(); ++p) {
                setOut(p, raw32_[p], true, lowest);
            }
        }
    } else {
        const FinalForm form = finalForm();
        const auto count = static_cast<Index>(list_.size());
        // The passes leave the list as it is when no ươ pair completes and
        // the one toned vowel, if any, is where the tone goes (as right after
        // a tone key).
        listFinal =
            pairs_.empty() && (!form.anyTone || (toned_.size() == 1 && form.target == toned_[0]));
        if (listFinal && textIsList_ && settled_ && !textIsRaw_) {
            // The text was the list and is the list: only the positions the
            // key touched (appended ones included) can read differently.
            text32_.resize(count);
            for (Index p : touched_) {
                setOut(p, list_[p], p >= oldCount, lowest);
            }
        } else if (count <= kShortWord && settled_ && !textIsRaw_) {
            // A short word is cheaper composed whole than position by
            // position. The list never shrinks, so every old position is
            // still there.
            text32_.resize(count);
            std::size_t nonSimple = 0;
            for (Index p = 0; p < count; ++p) {
                const char32_t c = finalAt(p, form);
                if (p >= oldCount || text32_[p] != c) {
                    if (p < oldCount && p < lowest) {
                        lowest = p;
                    }
                    text32_[p] = c;
                }
                nonSimple += isSimple(c) ? 0 : 1;
            }
            nonSimple_ = nonSimple;
        } else if (!settled_ || textIsRaw_) {
            rewrite(count, [&](Index p) { return finalAt(p, form); });
        } else {
            // The text is the passes' outcome for the list at the last
            // settle; only the positions named above can read differently.
            text32_.resize(count);
            for (Index p = oldCount; p < count; ++p) {
                setOut(p, finalAt(p, form), true, lowest);
            }
            const auto refresh = [&](Index p) {
                if (p < oldCount) {
                    setOut(p, finalAt(p, form), false, lowest);
                }
            };
            for (Index p : touched_) {
                refresh(p);
                refresh(p + 1);
            }
            if (oldCount > 0) {
                refresh(oldCount - 1);
            }
            if (lastTarget_ != kNone) {
                refresh(lastTarget_);
            }
            if (form.anyTone) {
                refresh(form.target);
            }
        }
        lastTarget_ = form.anyTone ? form.target : kNone;
    }
    if (!settled_) {
        lowest = 0;
    }
    touched_.clear();
    settled_ = true;
    textIsRaw_ = raw;
    textIsList_ = !raw && listFinal;

    // The bytes before the first changed character stay; the rest is encoded
    // again (for a key that appends, that is only the new character).
    std::size_t keep = 0;
    if (lowest == oldCount) {
        keep = oldBytes;
    } else if (lowest > 0) {
        keep = oldBytes;
        for (Index n = oldCount - lowest; n > 0;) {
            --keep;
            if ((static_cast<unsigned char>(text8_[keep]) & 0xC0) != 0x80) {
                --n;
            }
        }
    }
    text8_.resize(keep);
    for (Index p = lowest; p < text32_.size(); ++p) {
        appendUtf8(text8_, text32_[p]);
    }
    return keep;
}

bool WordState::textIsSyllable() const {
    if (textIsRaw_) {
        return VietnameseSyllable::isValid(std::u32string_view(text32_.data(), text32_.size()));
    }
    // The text is the list with some vowels changed in tone or shape; every
    // other character is the list's, and a vowel stays a vowel. So the text's
    // vowels stand where the summaries say, and the test needs only the
    // characters around them.
    // A character outside ASCII and the vowel table might lower-case into a
    // vowel (İ gives i), which the summaries do not count as one.
    if (foreign_) {
        return VietnameseSyllable::isValid(std::u32string_view(text32_.data(), text32_.size()));
    }
    if (vowelCount_ == 0 || interrupted_ || lastVowel_ - firstVowel_ >= 3) {
        return false;
    }
    const std::u32string_view list(list_.data(), list_.size());
    return VietnameseSyllable::isValidAround(list.substr(0, firstVowel_),
                                             list.substr(lastVowel_ + 1));
}

std::size_t WordState::countGraphemes() const {
    return text::graphemeCount(text());
}

int telexToneIndex(char32_t key) {
    switch (key) {
        case U's':
            return 1;
        case U'f':
            return 2;
        case U'r':
            return 3;
        case U'x':
            return 4;
        case U'j':
            return 5;
        default:
            return 0;
    }
}

}  // namespace halvora::engine
