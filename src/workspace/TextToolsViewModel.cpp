#include "workspace/TextToolsViewModel.h"

#include "platform/DefaultsKeys.h"

namespace halvora::workspace {

namespace keys = platform::DefaultsKeys;

void TextToolsViewModel::appear() {
    if (input_.empty() && message_.empty()) {
        return;
    }
    input_.clear();
    message_.clear();
    notify();
}

void TextToolsViewModel::setInput(std::string input) {
    input_ = std::move(input);
    notify();
}

std::string TextToolsViewModel::selected() const {
    return defaults_.stringValue(keys::textToolsOperation)
        .value_or(std::string(engine::rawValue(engine::TextOperation::uppercase)));
}

engine::TextOperation TextToolsViewModel::operation() const {
    return engine::textOperationFromRawValue(selected()).value_or(engine::TextOperation::uppercase);
}

void TextToolsViewModel::setOperation(engine::TextOperation operation) {
    defaults_.set(keys::textToolsOperation, std::string(engine::rawValue(operation)));
    notify();
}

std::string TextToolsViewModel::output() const {
    return engine::apply(operation(), input_);
}

std::string TextToolsViewModel::resultText() const {
    std::string converted = output();
    return converted.empty() ? std::string(resultPlaceholder) : converted;
}

void TextToolsViewModel::takeFromClipboard() {
    if (std::optional<std::string> text = pasteboard_.string()) {
        input_ = std::move(*text);
        message_.clear();
    } else {
        message_ = std::string(noClipboardText);
    }
    notify();
}

void TextToolsViewModel::copyResult() {
    if (!canCopy()) {
        return;
    }
    pasteboard_.clear();
    pasteboard_.writeString(output());
    message_ = "Đã sao chép. Anh có thể dán bằng " + words_.pasteShortcut() + ".";
    notify();
}

}  // namespace halvora::workspace
