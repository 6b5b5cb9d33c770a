#include "snippets/SnippetPickerPanel.h"

#include "snippets/SnippetPickerSearch.h"

#include <algorithm>
#include <utility>

namespace halvora::snippets {
namespace {

std::string symbolName(const Snippet& snippet) {
    if (snippet.isDynamicQR()) {
        return "qrcode";
    }
    if (snippet.imageFilename) {
        return "photo";
    }
    return "text.bubble";
}

std::string kindLabel(const Snippet& snippet) {
    if (snippet.isDynamicQR()) {
        return "QR chuyển khoản";
    }
    if (snippet.isQuickReply()) {
        return "Trả lời nhanh";
    }
    return "Gõ tắt";
}

std::optional<std::string> oneLine(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

}  // namespace

SnippetPickerPanel::SnippetPickerPanel(SnippetStore& store, ChooseHandler onChoose,
                                       CancelHandler onCancel)
    : store_(store), onChoose_(std::move(onChoose)), onCancel_(std::move(onCancel)) {
    storeConnection_ = store_.observe([this] { changed_.emit(); });
}

SnippetPickerPanel::~SnippetPickerPanel() {
    if (host_ != nullptr) {
        host_->dismiss(*this);
    }
}

util::Connection SnippetPickerPanel::observe(std::function<void()> onChange) {
    return changed_.connect(std::move(onChange));
}

void SnippetPickerPanel::setQuery(std::string query) {
    if (query == query_) {
        return;
    }
    query_ = std::move(query);
    selectFirst(results());
    changed_.emit();
}

std::vector<Snippet> SnippetPickerPanel::results() const {
    return SnippetPickerSearch::results(query_, store_.snippets());
}

std::vector<SnippetPickerPanel::Row> SnippetPickerPanel::rows() const {
    const std::vector<Snippet> list = results();
    const std::optional<Snippet> selected = selectedSnippet();
    std::vector<Row> out;
    out.reserve(list.size());
    for (const Snippet& snippet : list) {
        out.push_back(Row{snippet.id, symbolName(snippet),
                          snippet.title.empty() ? "Mẫu chưa đặt tên" : snippet.title,
                          kindLabel(snippet), snippet.normalizedCode(), oneLine(snippet.text),
                          selected && selected->id == snippet.id});
    }
    return out;
}

std::optional<std::string_view> SnippetPickerPanel::emptyMessage() const {
    if (!results().empty()) {
        return std::nullopt;
    }
    return query_.empty() ? emptyStoreMessage : noMatchMessage;
}

std::optional<Snippet> SnippetPickerPanel::selectedSnippet() const {
    const std::vector<Snippet> list = results();
    if (list.empty()) {
        return std::nullopt;
    }
    if (selectedID_) {
        const auto it = std::find_if(list.begin(), list.end(), [this](const Snippet& snippet) {
            return snippet.id == *selectedID_;
        });
        if (it != list.end()) {
            return *it;
        }
    }
    return list.front();
}

void SnippetPickerPanel::appear() {
    selectFirst(results());
    searchFocused_ = true;
    changed_.emit();
}

void SnippetPickerPanel::move(Move direction) {
    const std::vector<Snippet> list = results();
    const auto it = std::find_if(list.begin(), list.end(), [this](const Snippet& snippet) {
        return selectedID_ && snippet.id == *selectedID_;
    });
    if (it == list.end()) {
        selectFirst(list);
    } else if (direction == Move::up && it != list.begin()) {
        selectedID_ = std::prev(it)->id;
    } else if (direction == Move::down && std::next(it) != list.end()) {
        selectedID_ = std::next(it)->id;
    }
    changed_.emit();
}

void SnippetPickerPanel::selectFirst(const std::vector<Snippet>& list) {
    selectedID_ = list.empty() ? std::nullopt : std::optional(list.front().id);
}

bool SnippetPickerPanel::submit() {
    const std::optional<Snippet> selected = selectedSnippet();
    if (!selected) {
        return false;
    }
    return choose(*selected);
}

bool SnippetPickerPanel::chooseRow(std::size_t index) {
    const std::vector<Snippet> list = results();
    if (index >= list.size()) {
        return false;
    }
    return choose(list[index]);
}

bool SnippetPickerPanel::choose(const Snippet& snippet) {
    // A copy: the snippet may live in the store, which the owner may change
    // from inside the callback.
    const Snippet chosen = snippet;
    if (!finish(PanelDismissal::close)) {
        return false;
    }
    // The owner usually drops the panel from inside the callback, so nothing
    // of this object is touched once it has been called.
    auto handler = std::exchange(onChoose_, nullptr);
    onCancel_ = nullptr;
    if (handler) {
        handler(chosen);
    }
    return true;
}

bool SnippetPickerPanel::cancel() {
    return reportCancel(PanelDismissal::close);
}

bool SnippetPickerPanel::windowClosed() {
    return reportCancel(PanelDismissal::alreadyClosed);
}

bool SnippetPickerPanel::reportCancel(PanelDismissal how) {
    if (!finish(how)) {
        return false;
    }
    auto handler = std::exchange(onCancel_, nullptr);
    onChoose_ = nullptr;
    if (handler) {
        handler();
    }
    return true;
}

bool SnippetPickerPanel::finish(PanelDismissal how) {
    if (finished_) {
        return false;
    }
    finished_ = true;
    if (host_ != nullptr) {
        host_->dismiss(*this, how);
    }
    return true;
}

}  // namespace halvora::snippets
