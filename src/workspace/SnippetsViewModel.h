#pragma once

// The workspace window's root (its sidebar and the page it shows) and its
// own page, the list of every snippet beside the editor of the selected one.
// Edits go straight into the store, which saves them at once.

#include "input/KeyboardController.h"
#include "platform/Alerts.h"
#include "snippets/Snippet.h"
#include "snippets/SnippetStore.h"
#include "snippets/WorkspaceNavigation.h"
#include "util/Signal.h"
#include "util/Uuid.h"
#include "workspace/ListSelection.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::workspace {

/// One navigation button of the sidebar.
struct SidebarItem {
    std::string_view title;
    /// The symbol's name in the platform's symbol set.
    std::string_view symbol;
    snippets::WorkspacePage page = snippets::WorkspacePage::snippets;
    /// Shown apart, at the foot of the sidebar.
    bool atBottom = false;

    friend bool operator==(const SidebarItem&, const SidebarItem&) = default;
};

/// What the detail column shows.
enum class SnippetDetail { empty, snippetEditor, quickReplyEditor };

class SnippetsViewModel {
  public:
    // Sidebar.
    static constexpr std::string_view productName = "Halvora";
    static constexpr std::string_view badge = "BETA";
    /// In keyboard order too. The quick-replies page has an entry of its
    /// own, since the status menu does not lead to it.
    static constexpr std::array<SidebarItem, 5> sidebarItems{{
        {"Mẫu trả lời", "text.bubble", snippets::WorkspacePage::snippets, false},
        {"Trả lời nhanh", "bubble.left.and.bubble.right", snippets::WorkspacePage::quickReplies,
         false},
        {"QR chuyển khoản", "qrcode", snippets::WorkspacePage::qr, false},
        {"Công cụ văn bản", "textformat", snippets::WorkspacePage::textTools, false},
        {"Cài đặt", "slider.horizontal.3", snippets::WorkspacePage::settings, true},
    }};

    // Snippets page.
    static constexpr std::string_view title = "Mẫu trả lời";
    static constexpr std::string_view subtitle = "Chuẩn bị chữ, ảnh và QR để gửi nhanh cho khách.";
    static constexpr std::string_view addMenuTitle = "Thêm mẫu";
    static constexpr std::string_view addMenuSymbol = "plus";
    static constexpr std::string_view addQuickReplyTitle = "Văn bản / điền thông tin";
    static constexpr std::string_view addSnippetTitle = "Chữ, ảnh hoặc QR";
    static constexpr std::string_view searchPlaceholder = "Tìm tên hoặc mã gõ";
    static constexpr std::string_view untitledRow = "Mục chưa đặt tên";
    static constexpr std::string_view noCodeRow = "Chưa có mã gõ";
    static constexpr std::string_view emptyListText = "Chưa có mẫu trả lời";
    static constexpr std::string_view noMatchesText = "Không tìm thấy mục nào";
    static constexpr std::string_view emptyDetailSymbol = "text.badge.plus";
    static constexpr std::string_view emptyDetailTitle = "Chọn một mục để chỉnh sửa";
    static constexpr std::string_view emptyDetailHint = "Hoặc tạo mục mới để bắt đầu.";
    static constexpr std::string_view emptyDetailButton = "Thêm mẫu chữ / ảnh";

    static constexpr std::string_view newSnippetTitle = "Mục mới";
    static constexpr std::string_view newQuickReplyTitle = "Mẫu trả lời mới";

    static constexpr std::string_view imageErrorTitle = "Không thêm được ảnh";
    /// Shown when the chosen file is not of an image type the store keeps.
    /// Put before the system's own description of a failed image copy.
    static constexpr std::string_view imageCopyFailurePrefix =
        "Không chép được ảnh vào thư mục dữ liệu. ";
    static constexpr std::string_view unsupportedImageMessage =
        "Halvora chỉ nhận ảnh có đuôi .png, .jpg, .jpeg, .heic hoặc .tiff. Anh hãy lưu ảnh "
        "sang một trong các dạng này rồi chọn lại.";

    static constexpr std::string_view deleteTitle = "Xóa mục gõ tắt này?";
    static constexpr std::string_view deleteMessage =
        "Nội dung đã lưu của mục sẽ bị xóa khỏi danh sách.";
    static constexpr std::string_view deleteConfirmTitle = "Xóa mục";
    static constexpr std::string_view cancelTitle = "Hủy";
    static constexpr std::string_view okTitle = "OK";

    SnippetsViewModel(snippets::SnippetStore& store, const input::KeyboardController& keyboard,
                      snippets::WorkspaceNavigation& navigation, platform::Alerts& alerts);
    SnippetsViewModel(const SnippetsViewModel&) = delete;
    SnippetsViewModel& operator=(const SnippetsViewModel&) = delete;

    // --- Sidebar ---

    /// "Sẵn sàng" or "Tạm dừng", "Vi" or "En", then "Telex" or "VNI",
    /// separated by " · ".
    static std::string statusLine(const input::KeyboardController& keyboard);
    std::string statusLine() const { return statusLine(keyboard_); }
    snippets::WorkspacePage page() const { return navigation_.page(); }
    void showPage(snippets::WorkspacePage page) { navigation_.setPage(page); }
    bool isCurrent(const SidebarItem& item) const { return item.page == page(); }

    // --- List ---

    const std::string& searchText() const { return searchText_; }
    /// Keeps the selection when it is still listed, otherwise selects the
    /// first listed snippet.
    void setSearchText(std::string searchText);
    /// Every snippet (quick replies too) for an empty search; otherwise those
    /// whose title or code contains the search text, case ignored. The
    /// pasted text is not searched. Store order.
    static std::vector<snippets::Snippet> filter(const std::vector<snippets::Snippet>& snippets,
                                                 std::string_view searchText);
    std::vector<snippets::Snippet> filteredSnippets() const;
    /// The text of an empty list.
    std::string_view emptyText() const;

    static std::string_view rowSymbol(const snippets::Snippet& snippet);
    static std::string rowTitle(const snippets::Snippet& snippet);
    static std::string rowCode(const snippets::Snippet& snippet);

    // --- Selection ---

    /// The page was shown: with nothing selected, the first snippet is.
    void appear();
    const std::optional<util::Uuid>& selectedSnippetID() const { return selectedSnippetID_; }
    void select(std::optional<util::Uuid> id);
    /// The selected snippet; null when none is selected or it is gone.
    const snippets::Snippet* selectedSnippet() const;
    SnippetDetail detail() const;

    // --- Actions ---

    /// Appends a snippet titled "Mục mới", selects it and shows this page.
    void addSnippet();
    /// The same for a quick reply titled "Mẫu trả lời mới" (without code).
    void addQuickReply();
    /// True once for the snippet just added: its editor then puts the
    /// cursor in the title field. Selecting another clears it.
    bool takeTitleFocus(const util::Uuid& id) { return titleFocus_.take(id); }
    /// Opens a snippet in this page (from the QR account page): selects it,
    /// clears the search and shows the page.
    void editSnippet(const util::Uuid& id);
    /// "Thiết lập tài khoản": shows the QR account page.
    void openQRSetup() { showPage(snippets::WorkspacePage::qr); }

    /// The extensions the image chooser offers, lower case without the dot.
    static std::vector<std::string> imageExtensions();
    /// Attaches the chosen image file to the snippet. A file of a type the
    /// store does not keep, or a failed copy, sets `errorMessage` and shows
    /// it in an alert, which clears it again. True when the image was taken.
    bool chooseImage(const util::Uuid& id, const std::filesystem::path& file);
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    void dismissError();

    /// Asks whether to delete the snippet (through the alert port) and acts
    /// on the answer.
    void requestDelete(const util::Uuid& id);
    /// The snippet awaiting the answer to the delete question.
    const std::optional<util::Uuid>& deletionID() const { return deletionID_; }
    /// Removes every snippet with the awaited id and selects the first
    /// snippet of the store. The image file stays.
    void confirmDeletion();
    void cancelDeletion();

    /// Called after any change of what the page shows (the store's list,
    /// the search, the selection, the page, the messages).
    [[nodiscard]] util::Connection observe(std::function<void()> onChange) {
        return changed_.connect(std::move(onChange));
    }

  private:
    void addNew(std::string_view title, bool quickReply);
    void showError(std::string message);
    void notify() { changed_.emit(); }

    snippets::SnippetStore& store_;
    const input::KeyboardController& keyboard_;
    snippets::WorkspaceNavigation& navigation_;
    platform::Alerts& alerts_;
    std::string searchText_;
    std::optional<util::Uuid> selectedSnippetID_;
    std::optional<std::string> errorMessage_;
    std::optional<util::Uuid> deletionID_;
    TitleFocusRequest titleFocus_;
    util::Signal<> changed_;
    util::Connection storeConnection_;
    util::Connection navigationConnection_;
};

}  // namespace halvora::workspace
