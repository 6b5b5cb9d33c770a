#pragma once

#include "platform/EventPoster.h"
#include "platform/TextOutput.h"

namespace halvora::platform {

/// Text edits as the synthesised key events of an event tap: every word the
/// controller writes becomes marked Backspace pairs for the characters to
/// erase and one Unicode key pair carrying the whole new text; the paste
/// shortcut is Command+V. A key whose own effect is the edit (a letter that
/// types itself) simply goes on to the application. This is what the
/// simulated desktop applies, as a real application would.
class KeyEventTextOutput final : public TextOutput {
  public:
    explicit KeyEventTextOutput(EventPoster& poster) : poster_(poster) {}

    bool answerKey(std::span<const TextEdit> edits, bool pass) override;
    bool perform(std::span<const TextEdit> edits) override;

  private:
    /// Posts one edit; false when an event could not be created (the rest
    /// of the sequence is still posted).
    bool post(const TextEdit& edit, bool keyPasses);
    bool postKeyPair(KeyCode keyCode, const std::string& text);
    bool postBackspaces(std::size_t count);

    EventPoster& poster_;
};

}  // namespace halvora::platform
