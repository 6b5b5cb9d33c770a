#include "cli/ComposeSession.h"

#include "engine/TypoSuggester.h"
#include "text/Unicode.h"

namespace halvora::cli {

ComposeSession::ComposeSession(ComposeOptions options) : options_(options) {
    engine_.vniMode = options_.vni;
    engine_.modernTone = !options_.oldTone;
    defaults_.set("modernTone", !options_.oldTone);
}

void ComposeSession::type(std::u32string_view characters, std::string& out) {
    for (char32_t c : characters) {
        if (text::isLetter(c) || (options_.vni && text::isNumber(c))) {
            engine_.feed(c, action_);
            continue;
        }
        endWord(out);
        if (!options_.trace) {
            text::appendUtf8(out, c);
        }
    }
}

void ComposeSession::finish(std::string& out) {
    endWord(out);
}

void ComposeSession::endWord(std::string& out) {
    if (engine_.rawKeystrokes().empty()) {
        return;
    }
    const std::string commit = engine_.peekCommitText(true, U' ');
    if (options_.trace) {
        const bool escaped =
            engine::VietInputEngine::render(std::string_view(engine_.rawKeystrokes()), options_.vni,
                                            !options_.oldTone)
                .escaped;
        const std::optional<std::string> suggestion = engine::TypoSuggester::suggest(
            engine_.rawKeystrokes(), commit,
            options_.vni ? engine::InputMethod::vni : engine::InputMethod::telex, defaults_);
        out += engine_.rawKeystrokes();
        out += '\t';
        out += engine_.composed();
        out += '\t';
        out += commit;
        out += '\t';
        out += escaped ? '1' : '0';
        out += '\t';
        out += suggestion.value_or("");
        out += '\n';
    } else {
        out += commit;
    }
    engine_.setWord({}, {});
}

std::string composeText(std::string_view utf8, const ComposeOptions& options) {
    ComposeSession session(options);
    const std::u32string characters = text::toUtf32(text::toNFC(utf8));
    std::string out;
    session.type(characters, out);
    session.finish(out);
    return out;
}

}  // namespace halvora::cli
