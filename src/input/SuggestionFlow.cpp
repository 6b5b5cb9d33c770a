#include "input/SuggestionFlow.h"

#include "text/Unicode.h"

#include <string_view>
#include <utility>

namespace halvora::input {
namespace {

constexpr double kModifierCheckInterval = 0.01;
constexpr int kModifierChecks = 99;

}  // namespace

SuggestionFlow::SuggestionFlow(platform::Platform& platform, FlowHost& host)
    : platform_(platform), host_(host) {}

void SuggestionFlow::offer(Suggestion suggestion) {
    host_.willChange();
    suggestion_ = std::move(suggestion);
    host_.didChange();
}

void SuggestionFlow::clear() {
    if (!suggestion_) {
        return;
    }
    host_.willChange();
    suggestion_.reset();
    host_.didChange();
}

bool SuggestionFlow::accept() {
    if (!suggestion_) {
        return false;
    }
    host_.willChange();
    Suggestion accepted = std::move(*suggestion_);
    suggestion_.reset();
    host_.resetWordAndCode();
    host_.didChange();
    const util::Uuid id = util::Uuid::random();
    pendingReplacement_ = id;
    finishReplacement(id, std::move(accepted), 0);
    return true;
}

void SuggestionFlow::finishReplacement(util::Uuid id, Suggestion suggestion, int attempt) {
    if (pendingReplacement_ != id) {
        return;
    }
    // The replacement types while the accepting hot key may still be held:
    // wait for Option and Command to be released, up to about a second.
    const platform::EventFlags held = platform_.keyboardState.modifierFlags();
    if (held & (platform::eventFlags::option | platform::eventFlags::command)) {
        if (attempt <= kModifierChecks) {
            platform_.mainQueue.asyncAfter(
                kModifierCheckInterval,
                lifetime_.guard([this, id, suggestion = std::move(suggestion), attempt] {
                    finishReplacement(id, suggestion, attempt + 1);
                }));
        } else {
            pendingReplacement_.reset();
        }
        return;
    }
    if (suggestion.targetPID && host_.frontmostPID() != suggestion.targetPID) {
        pendingReplacement_.reset();
        return;
    }
    pendingReplacement_.reset();
    // One more character for the Space typed after the word.
    host_.edit(
        platform::TextEdit::replace(text::graphemeCount(std::string_view(suggestion.original)) + 1,
                                    suggestion.replacement + " "));
}

}  // namespace halvora::input
