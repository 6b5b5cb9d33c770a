#include "snippets/ReplyTemplatePrompt.h"

#include "text/Unicode.h"
#include "util/Whitespace.h"

#include <algorithm>
#include <utility>

namespace halvora::snippets {

ReplyTemplatePrompt::ReplyTemplatePrompt(std::string title, std::string templateText,
                                         std::vector<std::string> fields, std::string instruction,
                                         std::string submitTitle, SubmitHandler onSubmit,
                                         CancelHandler onCancel)
    : title_(std::move(title)),
      templateText_(std::move(templateText)),
      fields_(std::move(fields)),
      instruction_(std::move(instruction)),
      submitTitle_(std::move(submitTitle)),
      onSubmit_(std::move(onSubmit)),
      onCancel_(std::move(onCancel)) {}

ReplyTemplatePrompt::~ReplyTemplatePrompt() {
    if (host_ != nullptr) {
        host_->dismiss(*this);
    }
}

int ReplyTemplatePrompt::contentHeight(std::size_t fieldCount) {
    constexpr std::size_t maxFields = 10;  // far beyond the upper clamp; avoids overflow
    const int height = 48 * static_cast<int>(std::min(fieldCount, maxFields)) + 310;
    return std::clamp(height, 390, 590);
}

std::string ReplyTemplatePrompt::windowTitle() const {
    return "Điền thông tin · " + title_;
}

std::string ReplyTemplatePrompt::label(std::string_view field) {
    return ReplyTemplate::label(field);
}

std::string ReplyTemplatePrompt::placeholder(std::string_view field) {
    return "Nhập " + text::lowercased(ReplyTemplate::label(field), "vi_VN");
}

std::string ReplyTemplatePrompt::value(std::string_view field) const {
    const auto it = values_.find(field);
    return it == values_.end() ? std::string() : it->second;
}

bool ReplyTemplatePrompt::setValue(std::string_view field, std::string value) {
    if (finished_ || std::find(fields_.begin(), fields_.end(), field) == fields_.end()) {
        return false;
    }
    values_.insert_or_assign(std::string(field), std::move(value));
    return true;
}

void ReplyTemplatePrompt::appear() {
    focusedField_ = fields_.empty() ? std::nullopt : std::optional(fields_.front());
}

bool ReplyTemplatePrompt::canSubmit() const {
    return std::all_of(fields_.begin(), fields_.end(), [this](const std::string& field) {
        const auto it = values_.find(field);
        return it != values_.end() && !util::trimWhitespaceAndNewlines(it->second).empty();
    });
}

std::string ReplyTemplatePrompt::preview() const {
    if (!canSubmit()) {
        return templateText_;
    }
    return ReplyTemplate::render(templateText_, values_).value_or(templateText_);
}

bool ReplyTemplatePrompt::finish(PanelDismissal how) {
    if (finished_) {
        return false;
    }
    finished_ = true;
    if (host_ != nullptr) {
        host_->dismiss(*this, how);
    }
    return true;
}

bool ReplyTemplatePrompt::submit() {
    if (finished_ || !canSubmit()) {
        return false;
    }
    finish(PanelDismissal::close);
    // The owner usually drops the prompt from inside the callback, so
    // nothing of this object is touched once it has been called.
    auto handler = std::exchange(onSubmit_, nullptr);
    onCancel_ = nullptr;
    const auto values = values_;
    if (handler) {
        handler(values);
    }
    return true;
}

bool ReplyTemplatePrompt::cancel() {
    return reportCancel(PanelDismissal::close);
}

bool ReplyTemplatePrompt::windowClosed() {
    return reportCancel(PanelDismissal::alreadyClosed);
}

bool ReplyTemplatePrompt::reportCancel(PanelDismissal how) {
    if (!finish(how)) {
        return false;
    }
    auto handler = std::exchange(onCancel_, nullptr);
    onSubmit_ = nullptr;
    if (handler) {
        handler();
    }
    return true;
}

}  // namespace halvora::snippets
