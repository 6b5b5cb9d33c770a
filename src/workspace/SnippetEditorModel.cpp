#include "workspace/SnippetEditorModel.h"

namespace halvora::workspace {

using snippets::Snippet;

std::vector<HotkeyChoice> SnippetEditorModel::hotkeyChoices() const {
    std::vector<HotkeyChoice> choices{{std::string(noHotkeyTitle), std::nullopt}};
    for (std::int64_t slot = 1; slot <= 9; ++slot) {
        choices.push_back({words_.optionCommand(std::to_string(slot)), slot});
    }
    return choices;
}

std::string SnippetEditorModel::hotkeyTitle() const {
    const Snippet* current = snippet();
    if (current == nullptr || !current->hotkeySlot) {
        return std::string(noHotkeyTitle);
    }
    // A slot outside 1…9 (edited by hand in the file) is still shown as set.
    return words_.optionCommand(std::to_string(*current->hotkeySlot));
}

bool SnippetEditorModel::setTitle(std::string title) {
    return store_.update(id_, [&](Snippet& s) { s.title = std::move(title); });
}

bool SnippetEditorModel::setTrigger(std::string trigger) {
    return store_.update(id_, [&](Snippet& s) { s.trigger = std::move(trigger); });
}

bool SnippetEditorModel::setText(std::string text) {
    return store_.update(id_, [&](Snippet& s) { s.text = std::move(text); });
}

bool SnippetEditorModel::setHotkeySlot(std::optional<std::int64_t> slot) {
    return store_.update(id_, [&](Snippet& s) { s.hotkeySlot = slot; });
}

bool SnippetEditorModel::setDynamicQR(bool on) {
    return store_.update(id_, [&](Snippet& s) { s.dynamicQR = on; });
}

bool SnippetEditorModel::removeImage() {
    return store_.update(id_, [](Snippet& s) { s.imageFilename.reset(); });
}

bool SnippetEditorModel::dynamicQR() const {
    const Snippet* current = snippet();
    return current != nullptr && current->isDynamicQR();
}

bool SnippetEditorModel::hasImage() const {
    const Snippet* current = snippet();
    return current != nullptr && current->imageFilename.has_value();
}

std::optional<std::filesystem::path> SnippetEditorModel::imagePath() const {
    const Snippet* current = snippet();
    return current ? store_.imagePath(*current) : std::nullopt;
}

}  // namespace halvora::workspace
