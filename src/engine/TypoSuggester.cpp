#include "engine/TypoSuggester.h"

#include "engine/EnglishWords.h"
#include "engine/VietInputEngine.h"
#include "engine/VietnameseSyllable.h"
#include "text/Unicode.h"

#include <algorithm>
#include <vector>

namespace halvora::engine::TypoSuggester {
namespace {

constexpr std::size_t kShortestWord = 4;
constexpr std::size_t kLongestWord = 9;

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool endsWithToneKey(std::string_view raw) {
    const char last = static_cast<char>(text::lowerChar(static_cast<unsigned char>(raw.back())));
    return std::string_view("sfrxj").find(last) != std::string_view::npos;
}

// What a candidate would commit at Space, decided as the engine decides it.
std::u32string commitText(const std::u32string& candidate, bool modernTone) {
    RenderResult32 rendered =
        VietInputEngine::render(std::u32string_view(candidate), false, modernTone);
    if (rendered.text == candidate || rendered.escaped) {
        return std::move(rendered.text);
    }
    if (isEnglishWord(candidate) ||
        !VietnameseSyllable::isValid(std::u32string_view(rendered.text))) {
        return candidate;
    }
    return std::move(rendered.text);
}

}  // namespace

std::optional<std::string> suggest(std::string_view raw, std::string_view shown, InputMethod method,
                                   const platform::UserDefaults& defaults) {
    // Cheap preconditions first: this runs on every Space.
    if (method != InputMethod::telex || raw != shown) {
        return std::nullopt;
    }
    // Only ASCII letters pass, so bytes, code points and characters agree.
    if (!std::all_of(raw.begin(), raw.end(), isAsciiLetter)) {
        return std::nullopt;
    }
    if (raw.size() < kShortestWord || raw.size() > kLongestWord || !endsWithToneKey(raw)) {
        return std::nullopt;
    }
    const std::u32string shown32 = text::toUtf32(shown);
    if (VietnameseSyllable::isValid(std::u32string_view(shown32))) {
        return std::nullopt;
    }

    const bool modernTone = defaults.boolOr("modernTone", true);
    const std::u32string raw32 = text::toUtf32(raw);
    std::vector<std::u32string> results;
    // The final tone key is never moved: pairs run up to the one before it.
    for (std::size_t i = 0; i + 2 < raw32.size(); ++i) {
        if (raw32[i] == raw32[i + 1]) {
            continue;
        }
        std::u32string candidate = raw32;
        std::swap(candidate[i], candidate[i + 1]);
        std::u32string commit = commitText(candidate, modernTone);
        if (commit != shown32 && commit != candidate &&
            VietnameseSyllable::isValid(std::u32string_view(commit)) &&
            std::find(results.begin(), results.end(), commit) == results.end()) {
            results.push_back(std::move(commit));
        }
    }
    if (results.size() != 1) {
        return std::nullopt;
    }
    return text::toUtf8(results.front());
}

}  // namespace halvora::engine::TypoSuggester
