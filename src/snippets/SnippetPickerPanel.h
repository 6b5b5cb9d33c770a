#pragma once

#include "snippets/PanelHost.h"
#include "snippets/Snippet.h"
#include "snippets/SnippetStore.h"
#include "util/Signal.h"
#include "util/Uuid.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::snippets {

/// The floating search-and-paste panel: a search field, the matching
/// snippets, and exactly one outcome, a chosen snippet or cancel. The
/// desktop only draws it; the list follows the store live. Single-use: its
/// owner creates it, presents it through a PanelHost and drops it in the
/// outcome callback (which may destroy the panel while it is reporting).
class SnippetPickerPanel {
  public:
    using ChooseHandler = std::function<void(const Snippet& snippet)>;
    using CancelHandler = std::function<void()>;

    /// Move commands of the search field.
    enum class Move { up, down, left, right };

    /// What one result row shows.
    struct Row {
        util::Uuid id;
        /// "qrcode", "photo" or "text.bubble".
        std::string symbolName;
        /// The title, or "Mẫu chưa đặt tên" when it is empty.
        std::string title;
        /// "QR chuyển khoản", "Trả lời nhanh" or "Gõ tắt".
        std::string kindLabel;
        /// The code with its ";".
        std::string code;
        /// The text on one line (line feeds as spaces), drawn on at most two
        /// lines; nothing for an empty text.
        std::optional<std::string> text;
        bool selected = false;

        friend bool operator==(const Row&, const Row&) = default;
    };

    static constexpr int contentWidth = 650;
    static constexpr int contentHeight = 495;
    static constexpr std::string_view windowTitle = "Tìm và dán mẫu";
    static constexpr std::string_view searchSymbolName = "magnifyingglass";
    static constexpr std::string_view selectedRowSymbolName = "return";
    static constexpr std::string_view searchPlaceholder = "Tìm tên, mã hoặc nội dung mẫu…";
    static constexpr std::string_view hint =
        "Tìm không dấu cũng được · ↑↓ chọn · Enter dán · Esc đóng";
    static constexpr std::string_view cancelTitle = "Hủy";
    static constexpr std::string_view chooseTitle = "Dán mẫu";
    static constexpr std::string_view noMatchMessage = "Không tìm thấy mẫu phù hợp";
    static constexpr std::string_view emptyStoreMessage = "Chưa có mẫu để dán";
    static constexpr int textLineLimit = 2;

    SnippetPickerPanel(SnippetStore& store, ChooseHandler onChoose, CancelHandler onCancel);
    /// Takes the panel off the screen when it is still shown; reports nothing.
    ~SnippetPickerPanel();
    SnippetPickerPanel(const SnippetPickerPanel&) = delete;
    SnippetPickerPanel& operator=(const SnippetPickerPanel&) = delete;

    /// Called whenever what the panel shows may have changed: the query, the
    /// selection or the store.
    [[nodiscard]] util::Connection observe(std::function<void()> onChange);

    const std::string& query() const { return query_; }
    /// The user edited the search text; a changed query selects the first
    /// result.
    void setQuery(std::string query);

    /// The visible list: the search over the store as it is now.
    std::vector<Snippet> results() const;
    std::vector<Row> rows() const;
    /// The line shown instead of an empty list; nothing while there are
    /// results.
    std::optional<std::string_view> emptyMessage() const;

    const std::optional<util::Uuid>& selectedID() const { return selectedID_; }
    /// The highlighted result: the selected one, or the first result when the
    /// selected one is gone (or none was selected); nothing for an empty list.
    std::optional<Snippet> selectedSnippet() const;

    bool searchFocused() const { return searchFocused_; }
    void setSearchFocused(bool focused) { searchFocused_ = focused; }

    /// The panel appeared: the first result is selected and the search field
    /// takes the focus.
    void appear();
    /// An arrow key in the search field. Up and down stop at the ends; left
    /// and right do nothing; when the selection is not among the results,
    /// any direction selects the first result.
    void move(Move direction);

    /// Whether "Dán mẫu" is enabled.
    bool canChoose() const { return selectedSnippet().has_value(); }

    // Outcomes. Each is reported only when no outcome was reported before;
    // each answers whether it was reported.

    /// Return in the search field, or "Dán mẫu": chooses the highlighted
    /// snippet; nothing when there is none.
    bool submit();
    /// A click on a row: chooses that snippet at once.
    bool choose(const Snippet& snippet);
    /// A click on the row at `index` of the results; false when there is no
    /// such row.
    bool chooseRow(std::size_t index);
    /// "Hủy" or Escape.
    bool cancel();
    /// The user closed the window: reports cancel.
    bool windowClosed();

    bool isFinished() const { return finished_; }
    bool isPresented() const { return host_ != nullptr; }

  private:
    friend class PanelHost;

    bool finish(PanelDismissal how);
    bool reportCancel(PanelDismissal how);
    void selectFirst(const std::vector<Snippet>& results);

    SnippetStore& store_;
    ChooseHandler onChoose_;
    CancelHandler onCancel_;
    std::string query_;
    std::optional<util::Uuid> selectedID_;
    bool searchFocused_ = false;
    bool finished_ = false;
    PanelHost* host_ = nullptr;
    util::Signal<> changed_;
    util::Connection storeConnection_;
};

}  // namespace halvora::snippets
