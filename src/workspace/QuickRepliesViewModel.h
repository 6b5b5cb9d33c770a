#pragma once

// The quick-replies page: the snippets marked as quick replies, a search
// over their title, code and text, adding one with the next free ;tl code,
// and deleting after a confirmation.

#include "platform/Alerts.h"
#include "snippets/Snippet.h"
#include "snippets/SnippetStore.h"
#include "util/Signal.h"
#include "util/Uuid.h"
#include "workspace/ListSelection.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::workspace {

class QuickRepliesViewModel {
  public:
    static constexpr std::string_view title = "Trả lời nhanh";
    static constexpr std::string_view subtitle =
        "Lưu nhiều câu hoặc đoạn dài. Gõ mã rồi nhấn Space để dán vào chat.";
    static constexpr std::string_view addTitle = "Thêm câu trả lời";
    static constexpr std::string_view addSymbol = "plus";
    static constexpr std::string_view searchPlaceholder = "Tìm câu trả lời";
    static constexpr std::string_view untitledRow = "Chưa đặt tên";
    static constexpr std::string_view emptyListText = "Chưa có câu trả lời";
    static constexpr std::string_view noMatchesText = "Không tìm thấy câu nào";
    static constexpr std::string_view emptyDetailSymbol = "text.bubble";
    static constexpr std::string_view emptyDetailTitle = "Soạn sẵn câu trả lời cho khách";
    static constexpr std::string_view emptyDetailHint =
        "Tạo bao nhiêu mẫu tùy ý; mỗi mẫu có mã gõ riêng.";
    static constexpr std::string_view newReplyTitle = "Câu trả lời mới";

    static constexpr std::string_view deleteTitle = "Xóa câu trả lời này?";
    static constexpr std::string_view deleteMessage = "Nội dung đã lưu sẽ bị xóa khỏi danh sách.";
    static constexpr std::string_view deleteConfirmTitle = "Xóa câu trả lời";
    static constexpr std::string_view cancelTitle = "Hủy";

    QuickRepliesViewModel(snippets::SnippetStore& store, platform::Alerts& alerts);
    QuickRepliesViewModel(const QuickRepliesViewModel&) = delete;
    QuickRepliesViewModel& operator=(const QuickRepliesViewModel&) = delete;

    /// The store's quick replies, in store order.
    std::vector<snippets::Snippet> replies() const;
    /// All replies for an empty search; otherwise those whose title, code
    /// or text contains the search text, case ignored.
    static std::vector<snippets::Snippet> filter(const std::vector<snippets::Snippet>& replies,
                                                 std::string_view searchText);
    std::vector<snippets::Snippet> filteredReplies() const;
    std::string_view emptyText() const;

    static std::string rowTitle(const snippets::Snippet& reply);
    static std::string rowCode(const snippets::Snippet& reply) { return reply.normalizedCode(); }
    /// The text on one line (line feeds as spaces); empty for an empty text.
    static std::string rowPreview(const snippets::Snippet& reply);

    const std::string& searchText() const { return searchText_; }
    /// Keeps the selection when it is still listed, otherwise selects the
    /// first listed reply.
    void setSearchText(std::string searchText);

    /// The page was shown: with nothing selected, the first reply is.
    void appear();
    const std::optional<util::Uuid>& selectedID() const { return selectedID_; }
    void select(std::optional<util::Uuid> id);
    /// The selected reply; null when none is selected or it is gone.
    const snippets::Snippet* selectedReply() const;

    /// Appends a reply with the next free ;tl code, selects it and clears
    /// the search.
    void add();
    /// True once for the reply just added: its editor then puts the cursor
    /// in the title field. Selecting another clears it.
    bool takeTitleFocus(const util::Uuid& id) { return titleFocus_.take(id); }

    /// Asks whether to delete the reply (through the alert port) and acts on
    /// the answer.
    void requestDelete(const util::Uuid& id);
    const std::optional<util::Uuid>& deletionID() const { return deletionID_; }
    /// Removes every snippet with the awaited id and selects the first
    /// remaining reply.
    void confirmDeletion();
    void cancelDeletion();

    [[nodiscard]] util::Connection observe(std::function<void()> onChange) {
        return changed_.connect(std::move(onChange));
    }

  private:
    void notify() { changed_.emit(); }

    snippets::SnippetStore& store_;
    platform::Alerts& alerts_;
    std::string searchText_;
    std::optional<util::Uuid> selectedID_;
    std::optional<util::Uuid> deletionID_;
    TitleFocusRequest titleFocus_;
    util::Signal<> changed_;
    util::Connection storeConnection_;
};

}  // namespace halvora::workspace
