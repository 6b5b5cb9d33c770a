#pragma once

#include "platform/Accessibility.h"

#include <optional>
#include <string>

namespace halvora::input {

/// A typo correction on offer for the word just typed.
struct Suggestion {
    /// The raw keystrokes of the word, which are also the text on screen.
    std::string original;
    /// The proposed word.
    std::string replacement;
    /// The application that was in front when the offer was made.
    std::optional<platform::ProcessId> targetPID;

    bool operator==(const Suggestion&) const = default;
};

}  // namespace halvora::input
