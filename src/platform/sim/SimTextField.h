#pragma once

#include "platform/Accessibility.h"
#include "platform/KeyEvent.h"
#include "platform/Pasteboard.h"

#include <string>
#include <vector>

namespace halvora::platform::sim {

/// An editable text field of a simulated application, as a chat composer
/// behaves: it takes typed text at the caret, deletes one user-perceived
/// character per Backspace, moves the caret with the arrow keys, Home and
/// End, and pastes rich text, plain text or images with Command+V.
class SimTextField {
  public:
    SimTextField(AccessibilityElement element, ElementAttributes attributes);

    const AccessibilityElement& element() const { return element_; }
    const ElementAttributes& attributes() const { return attributes_; }
    void setAttributes(ElementAttributes attributes) { attributes_ = std::move(attributes); }

    std::string text() const;
    /// The caret, in code points from the start.
    std::size_t caret() const { return caret_; }
    std::string textBeforeCaret() const;
    /// Replaces the text and puts the caret at its end.
    void setText(std::string_view text);
    void setCaret(std::size_t codePoints);

    /// The images pasted into the field, in order (their encoded bytes).
    const std::vector<Bytes>& pastedImages() const { return pastedImages_; }

    /// Carries out a key event addressed to this field. Key-ups, Control
    /// shortcuts and Command shortcuts other than Command+V change nothing.
    void apply(const KeyEvent& event, const Pasteboard& pasteboard);

    void insert(std::string_view text);
    void deleteBackward();
    void deleteForward();
    void paste(const Pasteboard& pasteboard);

  private:
    /// Inserts `text` at the caret; with `onlyTyping`, only when it is text
    /// a key types (no control characters, not empty). Answers whether it
    /// was inserted.
    bool insertText(std::string_view text, bool onlyTyping);

    AccessibilityElement element_;
    ElementAttributes attributes_;
    std::u32string text_;
    std::size_t caret_ = 0;
    std::vector<Bytes> pastedImages_;
};

}  // namespace halvora::platform::sim
