#include "engine/VietInputEngine.h"

#include "engine/EnglishWords.h"
#include "engine/VietnameseSyllable.h"
#include "text/Unicode.h"

#include <optional>

namespace halvora::engine {
namespace {

constexpr std::u32string_view kTelexModifiers = U"adeowsfrxj";
constexpr std::u32string_view kVniModifiers = U"123456789";

bool isModifierKey(char32_t key, bool vni) {
    return (vni ? kVniModifiers : kTelexModifiers).find(key) != std::u32string_view::npos;
}

// The new vowel a shape makes of a toneless base, or nothing.
std::optional<char32_t> shapedVowel(Shape shape, char32_t base) {
    switch (shape) {
        case Shape::circumflex:
            if (base == U'a')
                return U'â';
            if (base == U'e')
                return U'ê';
            if (base == U'o')
                return U'ô';
            return std::nullopt;
        case Shape::horn:
            if (base == U'o')
                return U'ơ';
            if (base == U'u')
                return U'ư';
            return std::nullopt;
        case Shape::breve:
            if (base == U'a')
                return U'ă';
            return std::nullopt;
        case Shape::hornOrBreve:
            if (base == U'a')
                return U'ă';
            if (base == U'o')
                return U'ơ';
            if (base == U'u')
                return U'ư';
            return std::nullopt;
    }
    return std::nullopt;
}

bool takesShape(std::optional<Shape> shape, char32_t base) {
    if (!shape) {
        // An unknown shape name scans for the bases of hornOrBreve.
        shape = Shape::hornOrBreve;
    }
    switch (*shape) {
        case Shape::circumflex:
            return base == U'a' || base == U'e' || base == U'o';
        case Shape::horn:
            return base == U'o' || base == U'u';
        case Shape::breve:
            return base == U'a';
        case Shape::hornOrBreve:
            return base == U'a' || base == U'o' || base == U'u';
    }
    return false;
}

bool shapeLastVowelImpl(std::u32string& word, std::optional<Shape> shape) {
    std::size_t found = word.size();
    for (std::size_t i = word.size(); i-- > 0;) {
        if (takesShape(shape, VowelMap::base(word[i]))) {
            found = i;
            break;
        }
    }
    if (found == word.size() || !shape) {
        return false;
    }
    const std::optional<char32_t> shaped = shapedVowel(*shape, VowelMap::base(word[found]));
    if (!shaped) {
        return false;
    }
    word[found] = VowelMap::withShape(*shaped, word[found]);

    // ươ go together: shaping the o of "uo" shapes its u as well, except in qu,
    // where the u belongs to the onset (quơ).
    if ((*shape == Shape::horn || *shape == Shape::hornOrBreve) && *shaped == U'ơ' && found >= 1 &&
        VowelMap::base(word[found - 1]) == U'u' &&
        !(found >= 2 && VowelMap::base(word[found - 2]) == U'q')) {
        word[found - 1] = VowelMap::withShape(U'ư', word[found - 1]);
    }
    return true;
}

}  // namespace

bool VietInputEngine::applyTone(std::u32string& word, int tone, bool modernTone) {
    constexpr std::size_t none = std::u32string::npos;
    std::size_t first = none;
    std::size_t second = none;
    std::size_t last = none;
    std::size_t lastShaped = none;
    std::size_t count = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (!VowelMap::isVowel(word[i])) {
            continue;
        }
        word[i] = VowelMap::withTone(word[i], 0);
        if (count == 0) {
            first = i;
        } else if (count == 1) {
            second = i;
        }
        if (VowelMap::isShaped(word[i])) {
            lastShaped = i;
        }
        last = i;
        ++count;
    }
    if (count == 0) {
        return false;
    }

    const char32_t firstBase = VowelMap::base(word[first]);
    std::size_t target = first;
    if (lastShaped != none) {
        // The shaped vowel carries the tone: tiếng, người, quở.
        target = lastShaped;
    } else if (count == 2 && ((firstBase == U'o' && (VowelMap::base(word[second]) == U'a' ||
                                                     VowelMap::base(word[second]) == U'e')) ||
                              (firstBase == U'u' && VowelMap::base(word[second]) == U'y'))) {
        // oa, oe, uy: the old rule marks the first vowel only when nothing
        // follows the vowels (hòa, khỏe, thùy); otherwise the second (hoà, hoàn).
        target = (!modernTone && last == word.size() - 1) ? first : second;
    } else if (firstBase == U'i' && count >= 2 && first == 1 && text::lowerChar(word[0]) == U'g') {
        // The i of gi belongs to the onset: già.
        target = second;
    } else if (firstBase == U'u' && count >= 2 && first >= 1 &&
               text::lowerChar(word[first - 1]) == U'q') {
        // The u of qu belongs to the onset: quà.
        target = second;
    } else if (count == 3) {
        // Exactly three vowels take the tone in the middle (khoái, khuỷu). Four
        // or more never make a syllable; they fall to the general rule below.
        target = second;
    }
    word[target] = VowelMap::withTone(word[target], tone);
    return true;
}

bool VietInputEngine::shapeLastVowel(std::u32string& word, Shape shape) {
    return shapeLastVowelImpl(word, shape);
}

bool VietInputEngine::shapeLastVowel(std::u32string& word, std::string_view shapeName) {
    return shapeLastVowelImpl(word, shapeFromName(shapeName));
}

RenderResult32 VietInputEngine::render(std::u32string_view raw, bool vni, bool modernTone) {
    if (isEnglishWord(raw)) {
        return {std::u32string(raw), false};
    }

    std::u32string list;
    list.reserve(raw.size());
    std::u32string snapshot;
    snapshot.reserve(raw.size());
    char32_t lastModifier = 0;  // 0: none
    bool escaped = false;
    const char32_t clearToneKey = vni ? U'0' : U'z';

    for (char32_t ch : raw) {
        const char32_t key = text::lowerChar(ch);

        // Doubling a key that just transformed the word undoes it and types
        // the key as a letter.
        if (lastModifier != 0 && lastModifier == key) {
            list = snapshot;
            list.push_back(ch);
            lastModifier = 0;
            escaped = true;
            continue;
        }

        if (isModifierKey(key, vni)) {
            snapshot = list;
            lastModifier = key;
        } else {
            lastModifier = 0;
        }

        if (key == clearToneKey) {
            bool anyTone = false;
            for (char32_t c : list) {
                if (VowelMap::toneIndex(c) != 0) {
                    anyTone = true;
                    break;
                }
            }
            if (anyTone) {
                for (char32_t& c : list) {
                    c = VowelMap::withTone(c, 0);
                }
                continue;
            }
        }

        bool consumed = false;
        if (!vni) {
            if (key == U'd' && !list.empty() &&
                (VowelMap::base(list.back()) == U'd' || VowelMap::base(list.back()) == U'đ')) {
                // Only the character right before the second d counts: dd → đ, did stays.
                list.back() = VowelMap::copyCase(U'đ', list.back());
                consumed = true;
            } else if ((key == U'a' || key == U'e' || key == U'o') && !list.empty() &&
                       VowelMap::base(list.back()) == key) {
                consumed = shapeLastVowelImpl(list, Shape::circumflex);
            } else if (key == U'w') {
                consumed = shapeLastVowelImpl(list, Shape::hornOrBreve);
            } else if (const int tone = telexToneIndex(key); tone != 0) {
                consumed = applyTone(list, tone, modernTone);
            }
        } else {
            if (key == U'9') {
                // VNI's đ key finds the first d of the word, wherever it is.
                for (char32_t& c : list) {
                    if (text::lowerChar(c) == U'd') {
                        c = VowelMap::copyCase(U'đ', c);
                        consumed = true;
                        break;
                    }
                }
            } else if (key == U'6' || key == U'7' || key == U'8') {
                const Shape shape = key == U'6'   ? Shape::circumflex
                                    : key == U'7' ? Shape::horn
                                                  : Shape::breve;
                consumed = shapeLastVowelImpl(list, shape);
            } else if (key >= U'1' && key <= U'5') {
                consumed = applyTone(list, static_cast<int>(key - U'0'), modernTone);
            }
        }

        if (!consumed) {
            lastModifier = 0;
            list.push_back(ch);
        }
    }

    // ươ completion: an o right after ư takes the horn once another letter
    // follows it (thuwo stays thưo, thuwong gives thương).
    if (list.size() >= 3) {
        for (std::size_t i = 0; i + 2 < list.size(); ++i) {
            if (VowelMap::base(list[i]) == U'ư' && VowelMap::base(list[i + 1]) == U'o') {
                list[i + 1] = VowelMap::withShape(U'ơ', list[i + 1]);
            }
        }
    }

    // Place the tone again for the word as it finally stands (hoaf → hòa, but
    // hoafn → hoàn).
    for (char32_t c : list) {
        if (const int tone = VowelMap::toneIndex(c); tone != 0) {
            applyTone(list, tone, modernTone);
            break;
        }
    }

    if (escaped) {
        return {std::move(list), true};
    }
    if (list == raw) {
        return {std::move(list), false};
    }
    if (VietnameseSyllable::hasInterruptedVowels(list)) {
        // A consonant between two vowels: not Vietnamese, shown as typed.
        return {std::u32string(raw), false};
    }
    return {std::move(list), false};
}

RenderResult VietInputEngine::render(std::string_view raw, bool vni, bool modernTone) {
    const std::u32string raw32 = text::toUtf32(raw);
    RenderResult32 result = render(std::u32string_view(raw32), vni, modernTone);
    return {text::toUtf8(result.text), result.escaped};
}

void VietInputEngine::feed(char32_t key, InputAction& out) {
    if (key < 0x80) {
        const char byte = static_cast<char>(key);
        feed(std::string_view(&byte, 1), out);
        return;
    }
    std::string keyText;
    text::appendUtf8(keyText, key);
    feed(std::string_view(keyText), out);
}

// The result is the one of composing the whole raw keystrokes with `render`
// and comparing with the old shown text; WordState keeps render's state after
// the previous key, so only the new key is folded in and only what changed in
// the shown text is compared and encoded (see WordState for why that gives
// the same text). When the kept state does not describe the word as it stands
// (a new word, Backspace, or fields set by the owner), it is built from the
// whole raw keystrokes, which is render itself.
// InputAction::passThrough() or InputAction::replace(deleteCount, composed),
// written into `out` so that its text keeps its storage.
void VietInputEngine::answer(InputAction& out, bool typesItself, int deleteCount) const {
    if (typesItself) {
        out.kind = InputAction::Kind::passThrough;
        out.deleteCount = 0;
        out.text.clear();
        return;
    }
    out.kind = InputAction::Kind::replace;
    out.deleteCount = deleteCount;
    out.text.assign(composed_);
}

void VietInputEngine::feed(std::string_view key, InputAction& out) {
    // A new word starts from the empty state, which describes it exactly.
    const bool fresh = rawKeystrokes_.empty() && composed_.empty();
    if (fresh) {
        word_.start(vniMode, modernTone);
    }
    const bool continues = fresh || (kept_ && word_.extends(vniMode, modernTone));
    // Either way, after this key the kept state describes the word.
    kept_ = true;
    if (continues) {
        const std::size_t oldBytes = composed_.size();
        const std::size_t oldCharacters = word_.graphemes();
        std::size_t keep = 0;
        if (key.size() == 1 && static_cast<unsigned char>(key.front()) < 0x80) {
            rawKeystrokes_.push_back(key.front());
            keep = word_.typeAscii(key.front());
        } else {
            rawKeystrokes_.append(key);
            word_.add(key);
            keep = word_.settle();
        }
        const std::string_view next = word_.text();
        // When the new text is the old one plus the key, the key types itself.
        const bool typesItself =
            keep == oldBytes && next.size() == oldBytes + key.size() &&
            (key.size() == 1 ? next.back() == key.front() : next.substr(oldBytes) == key);
        if (next.size() == keep + 1 && keep == oldBytes) {
            composed_.push_back(next.back());
        } else {
            composed_.resize(keep);
            composed_.append(next.substr(keep));
        }
        answer(out, typesItself, static_cast<int>(oldCharacters));
        return;
    }

    rawKeystrokes_.append(key);
    word_.start(vniMode, modernTone);
    word_.add(rawKeystrokes_);
    word_.settle();
    const std::string_view next = word_.text();
    const bool typesItself = next.size() == composed_.size() + key.size() &&
                             next.starts_with(composed_) && next.ends_with(key);
    const int deleteCount =
        typesItself ? 0 : static_cast<int>(text::graphemeCount(std::string_view(composed_)));
    composed_.assign(next);
    answer(out, typesItself, deleteCount);
}

InputAction VietInputEngine::backspace() {
    if (rawKeystrokes_.empty()) {
        return InputAction::passThrough();
    }
    const std::u32string old = text::toUtf32(composed_);
    const std::u32string shortened = old.substr(0, text::lastGraphemeStart(old));
    composed_ = text::toUtf8(shortened);
    rawKeystrokes_ = composed_;
    // The shown letters are the new raw keys; the next key composes on them
    // from the start.
    kept_ = false;
    return InputAction::replace(static_cast<int>(text::graphemeCount(std::u32string_view(old))),
                                composed_);
}

void VietInputEngine::peekCommitText(bool autoRestore, char32_t /*boundary*/,
                                     std::string& out) const {
    out.assign(commitSource(autoRestore));
}

const std::string& VietInputEngine::commitSource(bool autoRestore) const {
    if (!autoRestore || rawKeystrokes_ == composed_) {
        return composed_;
    }
    // The kept state already knows both answers for the word it describes.
    const bool known = kept();
    const bool escaped =
        known ? word_.escaped()
              : render(std::string_view(rawKeystrokes_), vniMode, modernTone).escaped;
    if (escaped) {
        // A doubled key undid a transformation somewhere: the shown text stands.
        return composed_;
    }
    const bool english = known ? word_.english() : isEnglishWord(std::string_view(rawKeystrokes_));
    if (english || !(known ? word_.textIsSyllable()
                           : VietnameseSyllable::isValid(std::string_view(composed_)))) {
        return rawKeystrokes_;
    }
    return composed_;
}

}  // namespace halvora::engine
