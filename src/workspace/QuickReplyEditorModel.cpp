#include "workspace/QuickReplyEditorModel.h"

#include "snippets/ReplyTemplate.h"
#include "text/Unicode.h"

#include <algorithm>
#include <vector>

namespace halvora::workspace {

using snippets::Snippet;
namespace ReplyTemplate = snippets::ReplyTemplate;

QuickReplyEditorModel::QuickReplyEditorModel(snippets::SnippetStore& store, util::Uuid id,
                                             platform::Pasteboard& pasteboard,
                                             snippets::PanelHost& panels)
    : store_(store), id_(id), pasteboard_(pasteboard), panels_(panels) {}

bool QuickReplyEditorModel::setTitle(std::string title) {
    return store_.update(id_, [&](Snippet& s) { s.title = std::move(title); });
}

bool QuickReplyEditorModel::setTrigger(std::string trigger) {
    return store_.update(id_, [&](Snippet& s) { s.trigger = std::move(trigger); });
}

bool QuickReplyEditorModel::setText(std::string text) {
    return store_.update(id_, [&](Snippet& s) { s.text = std::move(text); });
}

bool QuickReplyEditorModel::isValidCode(std::string_view code) {
    if (code.size() < 2 || code.front() != ';') {
        return false;
    }
    return std::all_of(code.begin() + 1, code.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

CodeStatus QuickReplyEditorModel::codeStatus() const {
    const Snippet* current = reply();
    const Snippet empty;
    const Snippet& snippet = current ? *current : empty;
    const std::string code = snippet.normalizedCode();
    if (!isValidCode(code)) {
        return {CodeStatus::Kind::invalid, std::string(invalidSymbol), std::string(invalidCodeText),
                ""};
    }
    if (store_.triggerConflict(snippet)) {
        return {CodeStatus::Kind::conflict, std::string(invalidSymbol), std::string(conflictText),
                ""};
    }
    return {CodeStatus::Kind::valid, "",
            std::string(validPrefix) + " " + code + std::string(validSuffix), code};
}

std::string QuickReplyEditorModel::characterCount() const {
    const Snippet* current = reply();
    const std::size_t count = current ? text::graphemeCount(current->text) : 0;
    return std::to_string(count) + " ký tự";
}

std::string QuickReplyEditorModel::templateLine() const {
    const Snippet* current = reply();
    if (current == nullptr || current->text.empty()) {
        return std::string(emptyTextLine);
    }
    const std::vector<std::string> fields = ReplyTemplate::fields(current->text);
    if (fields.empty()) {
        return std::string(noFieldsLine);
    }
    std::string line = "Khi dùng mã này, Halvora sẽ hỏi: ";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += ", ";
        }
        line += ReplyTemplate::label(fields[i]);
    }
    line += ". Không tự gửi tin nhắn.";
    return line;
}

bool QuickReplyEditorModel::canTry() const {
    const Snippet* current = reply();
    return current != nullptr && !ReplyTemplate::fields(current->text).empty();
}

bool QuickReplyEditorModel::startTrial() {
    const Snippet* current = reply();
    if (current == nullptr) {
        return false;
    }
    std::vector<std::string> fields = ReplyTemplate::fields(current->text);
    if (fields.empty()) {
        return false;
    }
    // The text is taken as it is now: edits made while the prompt is open
    // do not change the trial.
    const std::string templateText = current->text;
    const std::weak_ptr<int> alive = lifetime_;
    auto prompt = std::make_unique<snippets::ReplyTemplatePrompt>(
        current->title, templateText, std::move(fields), std::string(trialInstruction),
        std::string(trialSubmitTitle),
        [this, alive, templateText](const ReplyTemplate::FieldValues& values) {
            if (!alive.expired()) {
                trialSubmitted(templateText, values);
            }
        },
        [this, alive] {
            if (!alive.expired()) {
                closeTrial();
            }
        });
    // A trial still open is replaced; its destructor takes its panel away.
    previewPrompt_ = std::move(prompt);
    panels_.present(*previewPrompt_);
    changed_.emit();
    return true;
}

void QuickReplyEditorModel::trialSubmitted(const std::string& templateText,
                                           const ReplyTemplate::FieldValues& values) {
    if (const std::optional<std::string> rendered = ReplyTemplate::render(templateText, values)) {
        pasteboard_.clear();
        pasteboard_.writeString(*rendered);
        previewCopied_ = true;
    }
    closeTrial();
}

void QuickReplyEditorModel::closeTrial() {
    // The prompt may be reporting from inside itself: it allows its owner
    // to drop it there.
    previewPrompt_.reset();
    changed_.emit();
}

}  // namespace halvora::workspace
