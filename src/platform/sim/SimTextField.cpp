#include "platform/sim/SimTextField.h"

#include "platform/sim/SimKeyboardLayout.h"
#include "text/Unicode.h"

#include <algorithm>

namespace halvora::platform::sim {
namespace {

/// Control characters and the private-use codes of function keys type
/// nothing into a text field.
bool typesText(std::u32string_view text) {
    return !text.empty() && std::none_of(text.begin(), text.end(), [](char32_t c) {
        return c < 0x20 || c == 0x7F || (c >= 0xF700 && c <= 0xF8FF);
    });
}

/// Where the user-perceived character that starts at `offset` ends.
std::size_t nextGraphemeEnd(std::u32string_view text, std::size_t offset) {
    for (std::size_t end = offset + 1; end < text.size(); ++end) {
        if (halvora::text::graphemeCount(text.substr(offset, end - offset + 1)) > 1) {
            return end;
        }
    }
    return text.size();
}

}  // namespace

SimTextField::SimTextField(AccessibilityElement element, ElementAttributes attributes)
    : element_(element), attributes_(std::move(attributes)) {}

std::string SimTextField::text() const {
    return halvora::text::toUtf8(text_);
}

std::string SimTextField::textBeforeCaret() const {
    return halvora::text::toUtf8(std::u32string_view(text_).substr(0, caret_));
}

void SimTextField::setText(std::string_view text) {
    text_ = halvora::text::toUtf32(text);
    caret_ = text_.size();
}

void SimTextField::setCaret(std::size_t codePoints) {
    caret_ = std::min(codePoints, text_.size());
}

void SimTextField::insert(std::string_view text) {
    insertText(text, false);
}

bool SimTextField::insertText(std::string_view text, bool onlyTyping) {
    if (caret_ != text_.size()) {
        const std::u32string inserted = halvora::text::toUtf32(text);
        if (onlyTyping && !typesText(inserted)) {
            return false;
        }
        text_.insert(caret_, inserted);
        caret_ += inserted.size();
        return true;
    }
    // At the end of the text, the usual place of the caret, the characters
    // are decoded straight into the field.
    halvora::text::appendUtf32(text_, text);
    if (onlyTyping && !typesText(std::u32string_view(text_).substr(caret_))) {
        text_.resize(caret_);
        return false;
    }
    caret_ = text_.size();
    return true;
}

void SimTextField::deleteBackward() {
    if (caret_ == 0) {
        return;
    }
    const std::size_t start =
        halvora::text::lastGraphemeStart(std::u32string_view(text_).substr(0, caret_));
    text_.erase(start, caret_ - start);
    caret_ = start;
}

void SimTextField::deleteForward() {
    const std::size_t end = nextGraphemeEnd(text_, caret_);
    text_.erase(caret_, end - caret_);
}

void SimTextField::paste(const Pasteboard& pasteboard) {
    // Like a rich chat composer, each item is taken in the first of its
    // representations the field understands, which is any of them.
    for (const auto& item : pasteboard.items()) {
        if (item.representations.empty()) {
            continue;
        }
        const auto& best = item.representations.front();
        switch (best.type) {
            case PasteboardType::string:
                insert(best.text);
                break;
            case PasteboardType::rtfd:
                insert(best.text);
                if (!best.data.empty()) {
                    pastedImages_.push_back(best.data);
                }
                break;
            case PasteboardType::image:
            case PasteboardType::tiff:
            case PasteboardType::png:
                pastedImages_.push_back(best.data);
                break;
        }
    }
}

void SimTextField::apply(const KeyEvent& event, const Pasteboard& pasteboard) {
    if (event.type != EventType::keyDown) {
        return;
    }
    if (event.flags & eventFlags::command) {
        if (event.keyCode == keyCodes::v && !(event.flags & eventFlags::control)) {
            paste(pasteboard);
        }
        return;
    }
    if (event.flags & eventFlags::control) {
        return;
    }
    switch (event.keyCode) {
        case keyCodes::backspace:
            deleteBackward();
            return;
        case keyCodes::forwardDelete:
            deleteForward();
            return;
        case keyCodes::leftArrow:
            if (caret_ > 0) {
                caret_ =
                    halvora::text::lastGraphemeStart(std::u32string_view(text_).substr(0, caret_));
            }
            return;
        case keyCodes::rightArrow:
            caret_ = nextGraphemeEnd(text_, caret_);
            return;
        case keyCodes::home:
        case keyCodes::upArrow:
            caret_ = 0;
            return;
        case keyCodes::end:
        case keyCodes::downArrow:
            caret_ = text_.size();
            return;
        case keyCodes::returnKey:
        case keyCodes::keypadEnter:
            insert("\n");
            return;
        case keyCodes::tab:
            insert("\t");
            return;
        case keyCodes::escape:
        case keyCodes::pageUp:
        case keyCodes::pageDown:
            return;
        default:
            break;
    }
    // An event without text of its own types what its key types in the
    // layout, as the system translates a bare key code.
    if (event.text.empty()) {
        insertText(SimKeyboardLayout::textFor(event.keyCode, event.flags & eventFlags::shift),
                   true);
    } else {
        insertText(event.text, true);
    }
}

}  // namespace halvora::platform::sim
