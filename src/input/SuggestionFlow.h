#pragma once

// The typo suggestion on offer for the word just typed, and the replacement
// it makes once accepted: that waits for the accepting hot key's modifiers
// to be released and happens only while the same application is in front.
// Main queue only.

#include "input/FlowHost.h"
#include "input/Suggestion.h"
#include "platform/Platform.h"
#include "util/Lifetime.h"
#include "util/Uuid.h"

#include <optional>

namespace halvora::input {

class SuggestionFlow {
  public:
    SuggestionFlow(platform::Platform& platform, FlowHost& host);

    const std::optional<Suggestion>& current() const { return suggestion_; }
    bool hasPendingReplacement() const { return pendingReplacement_.has_value(); }

    void offer(Suggestion suggestion);
    void clear();
    /// Takes the suggestion on offer and ends the word; false when there is
    /// none.
    bool accept();
    /// A replacement still waiting for the modifiers is not made.
    void dropPendingReplacement() { pendingReplacement_.reset(); }

  private:
    void finishReplacement(util::Uuid id, Suggestion suggestion, int attempt);

    platform::Platform& platform_;
    FlowHost& host_;
    std::optional<Suggestion> suggestion_;
    std::optional<util::Uuid> pendingReplacement_;
    util::Lifetime lifetime_;
};

}  // namespace halvora::input
