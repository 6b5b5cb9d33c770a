#pragma once

// The QR account page: the receiving account and the memo settings every QR
// paste reads from the user defaults (so a change reaches the next paste),
// the snippets that paste a QR, and adding such snippets.

#include "platform/UserDefaults.h"
#include "snippets/Snippet.h"
#include "snippets/SnippetStore.h"
#include "util/Signal.h"
#include "util/Uuid.h"

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::workspace {

/// One labelled field of the account card.
struct QRAccountField {
    std::string_view label;
    std::string_view placeholder;
    /// The user-defaults key the field edits.
    std::string_view key;

    friend bool operator==(const QRAccountField&, const QRAccountField&) = default;
};

class CustomerQRViewModel {
  public:
    using EditSnippet = std::function<void(const util::Uuid&)>;

    static constexpr std::string_view symbol = "qrcode";
    static constexpr std::string_view title = "QR chuyển khoản";
    static constexpr std::string_view subtitle = "Tạo và dán QR chuyển khoản bằng mã gõ tắt.";

    static constexpr std::string_view accountCardTitle = "Tài khoản nhận tiền";
    static constexpr std::string_view configuredMark = "Đã thiết lập";
    static constexpr std::array<QRAccountField, 4> accountFields{{
        {"Ngân hàng", "VCB hoặc BIN 6 số", "qr.bankID"},
        {"Số tài khoản", "Nhập số tài khoản nhận tiền", "qr.accountNumber"},
        {"Tên chủ tài khoản", "Tên người nhận", "qr.accountName"},
        {"Số tiền mặc định", "Có thể để trống", "qr.amount"},
    }};

    static constexpr std::string_view memoCardTitle = "Nội dung chuyển khoản";
    static constexpr std::string_view randomMemoTitle = "Ngẫu nhiên nội dung chuyển khoản";
    static constexpr std::string_view randomMemoNote =
        "Mỗi lần dán dùng một trong 30 câu chúc, hết lượt mới xáo lại.";
    static constexpr std::string_view defaultMemoLabel = "Nội dung chuyển khoản mặc định";
    static constexpr std::string_view defaultMemoPlaceholder = "Để trống nếu không muốn ghi vào QR";
    static constexpr std::string_view defaultMemoNote =
        "Để trống: QR không chứa nội dung chuyển khoản; ứng dụng ngân hàng sẽ tự xử lý ô này. "
        "Tối đa 25 ký tự chữ và số, dấu tiếng Việt sẽ được bỏ khi tạo QR.";

    static constexpr std::string_view snippetCardTitle = "Mã gõ tắt dùng QR";
    static constexpr std::string_view snippetCardLine =
        "Chọn một mục để sửa lời nhắn dán vào chat.";
    static constexpr std::string_view untitledRow = "QR chuyển khoản";
    /// At the trailing edge of each row, which opens its snippet.
    static constexpr std::string_view rowChevron = "chevron.right";
    static constexpr std::string_view noSnippetsText = "Chưa có mã nào. Nhấn “Thêm mã” để bắt đầu.";
    static constexpr std::string_view addTitle = "Thêm mã";
    static constexpr std::string_view enableVCBQTitle = "Bật QR chuyển khoản cho ;vcbq hiện có";
    static constexpr std::string_view newSnippetTitle = "Tạo QR chuyển khoản khi dán";

    static constexpr std::string_view detailsTitle = "Cách hoạt động";
    static constexpr std::string_view detailsMemoNote =
        "Bật ngẫu nhiên để mỗi lần dán dùng một câu chúc khác nhau. Tắt để dùng nội dung cố định "
        "hoặc để trống.";
    static constexpr std::string_view detailsPasteNote =
        "Chữ đã lưu trong mục gõ tắt sẽ dán vào chat trước ảnh QR. Nội dung chuyển khoản không tự "
        "dán ra chat.";

    /// Shown on the page while a change could not be saved.
    static constexpr std::string_view saveFailedText =
        "Chưa lưu được thay đổi vì không ghi được tệp cài đặt (đĩa đầy hoặc không có quyền "
        "ghi). Ô có viền đỏ chưa được lưu và QR vẫn dùng thông tin cũ.";

    CustomerQRViewModel(snippets::SnippetStore& store, platform::UserDefaults& defaults,
                        EditSnippet onEditSnippet);
    CustomerQRViewModel(const CustomerQRViewModel&) = delete;
    CustomerQRViewModel& operator=(const CustomerQRViewModel&) = delete;

    // Settings, read from and written to the user defaults each time. A
    // change that could not be saved is not taken for stored: the stored
    // value stays (the next paste uses it), the page reads back what the
    // user typed, marked unsaved, and every later change tries to save it
    // again together with the new one.
    std::string bankID() const;
    std::string accountNumber() const;
    std::string accountName() const;
    std::string amount() const;
    bool randomMemo() const;
    std::string defaultMemo() const;
    /// A field of `accountFields` by its key.
    std::string value(std::string_view key) const;

    void setBankID(std::string value);
    void setAccountNumber(std::string value);
    void setAccountName(std::string value);
    void setAmount(std::string value);
    void setRandomMemo(bool on);
    void setDefaultMemo(std::string value);
    /// Writes a field of `accountFields` by its key (other keys are ignored).
    void setValue(std::string_view key, std::string value);

    /// Whether the setting under `key` holds what the page shows.
    bool isSaved(std::string_view key) const { return !unsaved_.contains(key); }
    /// saveFailedText while any change is unsaved, else nothing.
    std::optional<std::string_view> saveError() const;

    /// Bank, account number and holder name are each stored and non-blank
    /// (white space and line breaks trimmed). Nothing else is checked here: the QR
    /// service validates when a paste generates a code.
    bool isAccountConfigured() const;

    /// The snippets that paste a QR, in store order.
    std::vector<snippets::Snippet> dynamicSnippets() const;
    static std::string rowTitle(const snippets::Snippet& snippet);
    static std::string rowCode(const snippets::Snippet& snippet) {
        return snippet.normalizedCode();
    }
    /// Opens the snippet in the snippets page.
    void editSnippet(const util::Uuid& id);

    /// The first snippet whose code, ";" trimmed from both ends and in lower
    /// case, is vcbq.
    std::optional<std::size_t> existingVCBQIndex() const;
    /// The enable button is offered while that snippet does not paste a QR.
    bool canEnableExistingVCBQ() const;
    /// Switches QR on for that snippet; false when there is nothing to do.
    bool enableExistingVCBQ();

    /// ";vcbq" when no snippet has it (";" put in front of every code, case
    /// kept), else the first free ";qr1" … ";qr9999", else ";qr" and six
    /// lower-case characters of a new UUID.
    static std::string nextTrigger(const std::vector<snippets::Snippet>& snippets);
    /// Appends a QR snippet with the next code and opens it for editing.
    util::Uuid addDynamicSnippet();

    bool showDetails() const { return showDetails_; }
    void setShowDetails(bool open);
    /// "Thông tin tài khoản và nội dung chuyển khoản (nếu có) được gửi qua
    /// HTTPS tới " + the QR image service + " để lấy ảnh QR."
    std::string privacyNote() const;

    /// Called after a setting, the store's list or the details group changed.
    [[nodiscard]] util::Connection observe(std::function<void()> onChange) {
        return changed_.connect(std::move(onChange));
    }

  private:
    /// Stores `value` under `key` with every change still unsaved, in one
    /// write; what could not be saved stays in unsaved_.
    void save(std::string_view key, platform::DefaultsValue value);
    std::optional<platform::DefaultsValue> shown(std::string_view key) const;
    void setString(std::string_view key, std::string value);
    /// A code typed by an earlier version still needs the QR switched on
    /// once the account is complete.
    void accountChanged();
    void notify() { changed_.emit(); }

    snippets::SnippetStore& store_;
    platform::UserDefaults& defaults_;
    EditSnippet onEditSnippet_;
    bool showDetails_ = false;
    /// Changes the user made that the defaults could not keep.
    std::map<std::string, platform::DefaultsValue, std::less<>> unsaved_;
    util::Signal<> changed_;
    util::Connection storeConnection_;
};

}  // namespace halvora::workspace
