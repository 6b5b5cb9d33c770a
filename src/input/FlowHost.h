#pragma once

// What a flow of the keyboard controller asks of the controller. The
// controller owns the word being composed, the snippet code and the published
// state; a flow changes the text only through it, so that an edit made while
// a key is decided becomes part of the answer to that key.

#include "platform/Accessibility.h"
#include "platform/TextOutput.h"

#include <optional>

namespace halvora::input {

class FlowHost {
  public:
    /// One edit of the text before the caret.
    virtual void edit(platform::TextEdit edit) = 0;
    /// Ends the word and the snippet code as they stand.
    virtual void resetWordAndCode() = 0;
    /// Called just before and just after a published property changes.
    virtual void willChange() = 0;
    virtual void didChange() = 0;
    virtual std::optional<platform::ProcessId> frontmostPID() const = 0;

  protected:
    ~FlowHost() = default;
};

}  // namespace halvora::input
