#include "workspace/QuickRepliesViewModel.h"

#include "workspace/ListSelection.h"
#include "workspace/PageAlerts.h"
#include "workspace/TextMatching.h"

#include <algorithm>

namespace halvora::workspace {

using snippets::Snippet;

QuickRepliesViewModel::QuickRepliesViewModel(snippets::SnippetStore& store,
                                             platform::Alerts& alerts)
    : store_(store), alerts_(alerts) {
    storeConnection_ = store_.observe([this] { notify(); });
}

std::vector<Snippet> QuickRepliesViewModel::replies() const {
    std::vector<Snippet> found;
    std::copy_if(store_.snippets().begin(), store_.snippets().end(), std::back_inserter(found),
                 [](const Snippet& s) { return s.isQuickReply(); });
    return found;
}

std::vector<Snippet> QuickRepliesViewModel::filter(const std::vector<Snippet>& replies,
                                                   std::string_view searchText) {
    if (searchText.empty()) {
        return replies;
    }
    std::vector<Snippet> found;
    std::copy_if(replies.begin(), replies.end(), std::back_inserter(found),
                 [searchText](const Snippet& s) {
                     return TextMatching::containsIgnoringCase(s.title, searchText) ||
                            TextMatching::containsIgnoringCase(s.trigger, searchText) ||
                            TextMatching::containsIgnoringCase(s.text, searchText);
                 });
    return found;
}

std::vector<Snippet> QuickRepliesViewModel::filteredReplies() const {
    return filter(replies(), searchText_);
}

std::string_view QuickRepliesViewModel::emptyText() const {
    return searchText_.empty() ? emptyListText : noMatchesText;
}

std::string QuickRepliesViewModel::rowTitle(const Snippet& reply) {
    return reply.title.empty() ? std::string(untitledRow) : reply.title;
}

std::string QuickRepliesViewModel::rowPreview(const Snippet& reply) {
    std::string preview = reply.text;
    std::replace(preview.begin(), preview.end(), '\n', ' ');
    return preview;
}

void QuickRepliesViewModel::setSearchText(std::string searchText) {
    searchText_ = std::move(searchText);
    selectedID_ = keptOrFirst(selectedID_, filteredReplies());
    notify();
}

void QuickRepliesViewModel::appear() {
    if (!selectedID_) {
        selectedID_ = firstID(replies());
        notify();
    }
}

void QuickRepliesViewModel::select(std::optional<util::Uuid> id) {
    if (id != selectedID_) {
        titleFocus_.clear();
    }
    selectedID_ = id;
    notify();
}

const Snippet* QuickRepliesViewModel::selectedReply() const {
    return selectedID_ ? store_.find(*selectedID_) : nullptr;
}

void QuickRepliesViewModel::add() {
    Snippet reply;
    reply.trigger = store_.nextQuickReplyTrigger();
    reply.title = std::string(newReplyTitle);
    reply.quickReply = true;
    const util::Uuid id = reply.id;
    store_.append(std::move(reply));
    selectedID_ = id;
    titleFocus_.request(id);
    searchText_.clear();
    notify();
}

void QuickRepliesViewModel::requestDelete(const util::Uuid& id) {
    deletionID_ = id;
    notify();
    if (PageAlerts::ask(alerts_, deleteTitle, deleteMessage, {{deleteConfirmTitle, true}},
                        platform::AlertStyle::critical)) {
        confirmDeletion();
    } else {
        cancelDeletion();
    }
}

void QuickRepliesViewModel::confirmDeletion() {
    if (!deletionID_) {
        return;
    }
    const util::Uuid id = *std::exchange(deletionID_, std::nullopt);
    store_.remove(id);
    selectedID_ = firstID(replies());
    notify();
}

void QuickRepliesViewModel::cancelDeletion() {
    deletionID_.reset();
    notify();
}

}  // namespace halvora::workspace
