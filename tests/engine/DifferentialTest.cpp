// The engine keeps the state of the word between keys; this drives it and a
// plain re-render of the whole word side by side over a large random corpus
// and requires every observable answer to be the same.

#include "engine/EnglishWords.h"
#include "engine/VietInputEngine.h"
#include "engine/VietnameseSyllable.h"
#include "text/Unicode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace halvora::engine {
namespace {

// The engine as the word's rules state it: every key renders the whole word
// again from its raw keystrokes, and so does the commit.
struct ReferenceEngine {
    bool vniMode = false;
    bool modernTone = true;
    std::string rawKeystrokes;
    std::string composed;

    InputAction feed(std::string_view key) {
        const std::string old = composed;
        rawKeystrokes.append(key);
        composed =
            VietInputEngine::render(std::string_view(rawKeystrokes), vniMode, modernTone).text;
        if (composed == old + std::string(key)) {
            return InputAction::passThrough();
        }
        return InputAction::replace(static_cast<int>(text::graphemeCount(std::string_view(old))),
                                    composed);
    }

    InputAction backspace() {
        if (rawKeystrokes.empty()) {
            return InputAction::passThrough();
        }
        const std::u32string old = text::toUtf32(composed);
        composed = text::toUtf8(std::u32string_view(old).substr(0, text::lastGraphemeStart(old)));
        rawKeystrokes = composed;
        return InputAction::replace(static_cast<int>(text::graphemeCount(std::u32string_view(old))),
                                    composed);
    }

    std::string peekCommitText(bool autoRestore) const {
        if (!autoRestore || rawKeystrokes == composed) {
            return composed;
        }
        if (VietInputEngine::render(std::string_view(rawKeystrokes), vniMode, modernTone).escaped) {
            return composed;
        }
        if (isEnglishWord(text::toUtf32(rawKeystrokes)) ||
            !VietnameseSyllable::isValid(std::string_view(composed))) {
            return rawKeystrokes;
        }
        return composed;
    }
};

// Keys weighted towards the ones that transform words, in both cases, with
// đ, toned and shaped vowels, VNI digits, a combining mark, the Turkish İ
// (which lower-cases outside ASCII) and halves of a UTF-8 sequence.
const std::vector<std::string>& keyPool() {
    static const std::vector<std::string> pool = [] {
        std::vector<std::string> keys;
        for (char c : std::string("aeoudwsfrxjzaeowwsfaaooeeddiyuqgnhtckmplbv")) {
            keys.emplace_back(1, c);
        }
        for (char c : std::string("AEOUDWSFRXJZIYQGNHT")) {
            keys.emplace_back(1, c);
        }
        for (char c : std::string("0123456789966778")) {
            keys.emplace_back(1, c);
        }
        for (const char* k : {"đ", "Đ", "á", "â", "ư", "Ơ", "ệ", "ỳ", "ă", "ô", "\u0301", "e\u0301",
                              "İ", "\xC3", "\xA1", "ß"}) {
            keys.emplace_back(k);
        }
        return keys;
    }();
    return pool;
}

struct Step {
    enum class Kind {
        feed,
        backspace,
        outsideRaw,
        outsideComposed,
        // The owner sets a field to its text with one byte changed anywhere:
        // same length.
        overwriteRaw,
        overwriteComposed,
        toggleTone,
        toggleMethod
    };
    Kind kind;
    std::string key;
};

// Mostly short words, some past any inline buffer; now and then the owner
// changes the word's fields behind the engine's back.
std::vector<Step> randomWord(std::mt19937& rng) {
    std::uniform_int_distribution<int> percent(0, 99);
    const int roll = percent(rng);
    const std::size_t length = roll < 80   ? 1 + rng() % 10
                               : roll < 97 ? 11 + rng() % 30
                                           : 60 + rng() % 240;
    const auto& pool = keyPool();
    std::vector<Step> steps;
    for (std::size_t i = 0; i < length; ++i) {
        const int what = percent(rng);
        if (what < 6) {
            steps.push_back({Step::Kind::backspace, {}});
        } else if (what == 6 && percent(rng) < 30) {
            steps.push_back({Step::Kind::outsideRaw, pool[rng() % pool.size()]});
        } else if (what == 7 && percent(rng) < 30) {
            steps.push_back({Step::Kind::outsideComposed, pool[rng() % pool.size()]});
        } else if (what == 8 && percent(rng) < 15) {
            steps.push_back(
                {percent(rng) < 50 ? Step::Kind::overwriteRaw : Step::Kind::overwriteComposed,
                 // The byte, then where it goes (taken modulo the length).
                 std::string{"aeouwdn"[rng() % 7], static_cast<char>(rng() % 128)}});
        } else if (what == 9 && percent(rng) < 15) {
            steps.push_back({Step::Kind::toggleTone, {}});
        } else if (what == 10 && percent(rng) < 20) {
            steps.push_back({Step::Kind::toggleMethod, {}});
        } else {
            steps.push_back({Step::Kind::feed, pool[rng() % pool.size()]});
        }
    }
    return steps;
}

std::string describe(const std::vector<Step>& steps, std::size_t upTo) {
    std::string out;
    for (std::size_t i = 0; i <= upTo && i < steps.size(); ++i) {
        switch (steps[i].kind) {
            case Step::Kind::feed:
                out += steps[i].key;
                break;
            case Step::Kind::backspace:
                out += "<BS>";
                break;
            case Step::Kind::outsideRaw:
                out += "<raw+=" + steps[i].key + ">";
                break;
            case Step::Kind::outsideComposed:
                out += "<composed+=" + steps[i].key + ">";
                break;
            case Step::Kind::overwriteRaw:
                out += "<raw[" + std::to_string(steps[i].key[1]) + "]=" + steps[i].key[0] + ">";
                break;
            case Step::Kind::overwriteComposed:
                out +=
                    "<composed[" + std::to_string(steps[i].key[1]) + "]=" + steps[i].key[0] + ">";
                break;
            case Step::Kind::toggleTone:
                out += "<tone>";
                break;
            case Step::Kind::toggleMethod:
                out += "<method>";
                break;
        }
    }
    return out;
}

// The owner's change of one byte, the same in both fields; `key` holds the
// byte and where it goes, modulo the length. Answers the engine's new field.
std::string overwrite(std::string field, std::string& referenceField, const std::string& key) {
    if (!field.empty()) {
        const std::size_t at = static_cast<std::size_t>(key[1]) % field.size();
        field[at] = key[0];
        referenceField[at] = key[0];
    }
    return field;
}

void runCorpus(bool vni, bool modern, unsigned seed, int words) {
    std::mt19937 rng(seed);
    VietInputEngine engine;
    ReferenceEngine reference;
    engine.vniMode = reference.vniMode = vni;
    engine.modernTone = reference.modernTone = modern;
    for (int w = 0; w < words; ++w) {
        const std::vector<Step> steps = randomWord(rng);
        // The owner starts each word by emptying both fields, at once or one
        // after the other.
        if (w % 2 == 0) {
            engine.setWord({}, {});
        } else {
            engine.setRawKeystrokes(std::string());
            engine.setComposed(std::string());
        }
        reference.rawKeystrokes.clear();
        reference.composed.clear();
        // Half the words answer into one InputAction kept across keys, as
        // the controller does: what a key leaves in it must not leak into the
        // next answer.
        const bool reuse = w % 4 < 2;
        InputAction kept;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const Step& step = steps[i];
            InputAction got;
            InputAction want;
            switch (step.kind) {
                case Step::Kind::feed:
                    if (reuse) {
                        engine.feed(std::string_view(step.key), kept);
                        got = kept;
                    } else {
                        got = engine.feed(std::string_view(step.key));
                    }
                    want = reference.feed(step.key);
                    break;
                case Step::Kind::backspace:
                    got = engine.backspace();
                    want = reference.backspace();
                    break;
                case Step::Kind::outsideRaw:
                    engine.setRawKeystrokes(engine.rawKeystrokes() + step.key);
                    reference.rawKeystrokes += step.key;
                    break;
                case Step::Kind::outsideComposed:
                    engine.setComposed(engine.composed() + step.key);
                    reference.composed += step.key;
                    break;
                case Step::Kind::overwriteRaw:
                    engine.setRawKeystrokes(
                        overwrite(engine.rawKeystrokes(), reference.rawKeystrokes, step.key));
                    break;
                case Step::Kind::overwriteComposed:
                    engine.setComposed(overwrite(engine.composed(), reference.composed, step.key));
                    break;
                case Step::Kind::toggleTone:
                    engine.modernTone = reference.modernTone = !reference.modernTone;
                    break;
                case Step::Kind::toggleMethod:
                    engine.vniMode = reference.vniMode = !reference.vniMode;
                    break;
            }
            const bool same = got == want && engine.rawKeystrokes() == reference.rawKeystrokes &&
                              engine.composed() == reference.composed &&
                              engine.peekCommitText(true, U' ') == reference.peekCommitText(true) &&
                              engine.peekCommitText(false, U' ') == reference.peekCommitText(false);
            std::string commit = "left over";
            engine.peekCommitText(true, U' ', commit);
            const bool sameCommit = commit == reference.peekCommitText(true);
            if (!same || !sameCommit) {
                ADD_FAILURE() << (vni ? "VNI " : "Telex ") << (modern ? "modern" : "old")
                              << " seed " << seed << " word " << w << ": " << describe(steps, i)
                              << "\n  raw " << engine.rawKeystrokes() << " | "
                              << reference.rawKeystrokes << "\n  composed " << engine.composed()
                              << " | " << reference.composed << "\n  action "
                              << static_cast<int>(got.kind) << "/" << got.deleteCount << "/"
                              << got.text << " | " << static_cast<int>(want.kind) << "/"
                              << want.deleteCount << "/" << want.text << "\n  commit "
                              << engine.peekCommitText(true, U' ') << " | "
                              << reference.peekCommitText(true);
                return;
            }
        }
    }
}

TEST(DifferentialTest, KeptStateAnswersAsAFullRenderOnRandomWords) {
    for (bool vni : {false, true}) {
        for (bool modern : {false, true}) {
            runCorpus(vni, modern, 1700u + (vni ? 2u : 0u) + (modern ? 1u : 0u), 15000);
        }
    }
}

// A copy of an engine carries on the word like the original does.
TEST(DifferentialTest, CopiedEngineContinuesTheWord) {
    VietInputEngine engine;
    for (char32_t key : std::u32string(U"nguow")) {
        engine.feed(key);
    }
    VietInputEngine copy = engine;
    ReferenceEngine reference{false, true, engine.rawKeystrokes(), engine.composed()};
    for (char key : std::string("ifsfn")) {
        const std::string_view k(&key, 1);
        const InputAction want = reference.feed(std::string(k));
        EXPECT_EQ(copy.feed(k), want);
        EXPECT_EQ(engine.feed(k), want);
        EXPECT_EQ(copy.composed(), reference.composed);
        EXPECT_EQ(engine.composed(), reference.composed);
    }
}

}  // namespace
}  // namespace halvora::engine
