#include "workspace/SnippetsViewModel.h"

#include "text/Unicode.h"
#include "workspace/ListSelection.h"
#include "workspace/PageAlerts.h"
#include "workspace/TextMatching.h"

#include <algorithm>
#include <exception>
#include <system_error>

namespace halvora::workspace {

using snippets::Snippet;

SnippetsViewModel::SnippetsViewModel(snippets::SnippetStore& store,
                                     const input::KeyboardController& keyboard,
                                     snippets::WorkspaceNavigation& navigation,
                                     platform::Alerts& alerts)
    : store_(store), keyboard_(keyboard), navigation_(navigation), alerts_(alerts) {
    storeConnection_ = store_.observe([this] { notify(); });
    navigationConnection_ = navigation_.observe([this](snippets::WorkspacePage) { notify(); });
}

std::string SnippetsViewModel::statusLine(const input::KeyboardController& keyboard) {
    std::string line = keyboard.isRunning() ? "Sẵn sàng" : "Tạm dừng";
    line += " · ";
    line += keyboard.enabled() ? "Vi" : "En";
    line += " · ";
    line += keyboard.method() == engine::InputMethod::vni ? "VNI" : "Telex";
    return line;
}

void SnippetsViewModel::setSearchText(std::string searchText) {
    searchText_ = std::move(searchText);
    selectedSnippetID_ = keptOrFirst(selectedSnippetID_, filteredSnippets());
    notify();
}

std::vector<Snippet> SnippetsViewModel::filter(const std::vector<Snippet>& snippets,
                                               std::string_view searchText) {
    if (searchText.empty()) {
        return snippets;
    }
    std::vector<Snippet> found;
    std::copy_if(snippets.begin(), snippets.end(), std::back_inserter(found),
                 [searchText](const Snippet& s) {
                     return TextMatching::containsIgnoringCase(s.title, searchText) ||
                            TextMatching::containsIgnoringCase(s.trigger, searchText);
                 });
    return found;
}

std::vector<Snippet> SnippetsViewModel::filteredSnippets() const {
    return filter(store_.snippets(), searchText_);
}

std::string_view SnippetsViewModel::emptyText() const {
    return searchText_.empty() ? emptyListText : noMatchesText;
}

std::string_view SnippetsViewModel::rowSymbol(const Snippet& snippet) {
    if (snippet.isDynamicQR()) {
        return "qrcode";
    }
    return snippet.imageFilename ? "photo" : "text.alignleft";
}

std::string SnippetsViewModel::rowTitle(const Snippet& snippet) {
    return snippet.title.empty() ? std::string(untitledRow) : snippet.title;
}

std::string SnippetsViewModel::rowCode(const Snippet& snippet) {
    return snippet.trigger.empty() ? std::string(noCodeRow) : snippet.normalizedCode();
}

void SnippetsViewModel::appear() {
    if (!selectedSnippetID_) {
        selectedSnippetID_ = firstID(store_.snippets());
        notify();
    }
}

void SnippetsViewModel::select(std::optional<util::Uuid> id) {
    if (id != selectedSnippetID_) {
        titleFocus_.clear();
    }
    selectedSnippetID_ = id;
    notify();
}

const Snippet* SnippetsViewModel::selectedSnippet() const {
    return selectedSnippetID_ ? store_.find(*selectedSnippetID_) : nullptr;
}

SnippetDetail SnippetsViewModel::detail() const {
    const Snippet* snippet = selectedSnippet();
    if (snippet == nullptr) {
        return SnippetDetail::empty;
    }
    return snippet->isQuickReply() ? SnippetDetail::quickReplyEditor : SnippetDetail::snippetEditor;
}

void SnippetsViewModel::addSnippet() {
    addNew(newSnippetTitle, false);
}

void SnippetsViewModel::addQuickReply() {
    addNew(newQuickReplyTitle, true);
}

void SnippetsViewModel::addNew(std::string_view title, bool quickReply) {
    Snippet snippet;
    snippet.title = std::string(title);
    if (quickReply) {
        snippet.quickReply = true;
    }
    const util::Uuid id = snippet.id;
    store_.append(std::move(snippet));
    selectedSnippetID_ = id;
    titleFocus_.request(id);
    searchText_.clear();
    navigation_.setPage(snippets::WorkspacePage::snippets);
    notify();
}

void SnippetsViewModel::editSnippet(const util::Uuid& id) {
    selectedSnippetID_ = id;
    searchText_.clear();
    navigation_.setPage(snippets::WorkspacePage::snippets);
    notify();
}

std::vector<std::string> SnippetsViewModel::imageExtensions() {
    return {snippets::SnippetStore::allowedImageExtensions.begin(),
            snippets::SnippetStore::allowedImageExtensions.end()};
}

bool SnippetsViewModel::chooseImage(const util::Uuid& id, const std::filesystem::path& file) {
    if (store_.find(id) == nullptr) {
        return false;
    }
    std::string extension = file.extension().string();
    if (!extension.empty()) {
        extension.erase(0, 1);
    }
    extension = text::lowercased(extension);
    const auto& allowed = snippets::SnippetStore::allowedImageExtensions;
    // The store skips other types without a word; the user must hear why
    // nothing happened.
    if (std::find(allowed.begin(), allowed.end(), extension) == allowed.end()) {
        showError(std::string(unsupportedImageMessage));
        return false;
    }
    try {
        store_.importImage(file, id);
    } catch (const std::system_error& error) {
        // The system's words (often English) follow a sentence the user reads.
        showError(std::string(imageCopyFailurePrefix) + error.what());
        return false;
    } catch (const std::exception& error) {
        showError(error.what());
        return false;
    }
    return true;
}

void SnippetsViewModel::showError(std::string message) {
    errorMessage_ = std::move(message);
    notify();
    PageAlerts::showError(alerts_, imageErrorTitle, *errorMessage_);
    dismissError();
}

void SnippetsViewModel::dismissError() {
    errorMessage_.reset();
    notify();
}

void SnippetsViewModel::requestDelete(const util::Uuid& id) {
    deletionID_ = id;
    notify();
    if (PageAlerts::ask(alerts_, deleteTitle, deleteMessage, {{deleteConfirmTitle, true}},
                        platform::AlertStyle::critical)) {
        confirmDeletion();
    } else {
        cancelDeletion();
    }
}

void SnippetsViewModel::confirmDeletion() {
    if (!deletionID_) {
        return;
    }
    const util::Uuid id = *std::exchange(deletionID_, std::nullopt);
    store_.remove(id);
    selectedSnippetID_ = firstID(store_.snippets());
    notify();
}

void SnippetsViewModel::cancelDeletion() {
    deletionID_.reset();
    notify();
}

}  // namespace halvora::workspace
