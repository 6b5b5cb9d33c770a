#pragma once

// The editor of one plain, image or QR snippet. Every change is written into
// the store at once (which saves it); there is no save button. Deleting,
// choosing an image and opening the QR account page belong to the page that
// shows the editor.

#include "platform/DesktopWords.h"
#include "snippets/Snippet.h"
#include "snippets/SnippetStore.h"
#include "util/Uuid.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::workspace {

/// One entry of the hot-key picker.
struct HotkeyChoice {
    std::string title;
    /// Absent: no hot key.
    std::optional<std::int64_t> slot;

    friend bool operator==(const HotkeyChoice&, const HotkeyChoice&) = default;
};

class SnippetEditorModel {
  public:
    static constexpr std::string_view header = "Chi tiết mục";
    static constexpr std::string_view autosaveNote = "Thay đổi được lưu tự động trên máy.";
    static constexpr std::string_view deleteTitle = "Xóa";
    static constexpr std::string_view deleteSymbol = "trash";
    static constexpr std::string_view titleLabel = "Tên mục";
    static constexpr std::string_view titlePlaceholder = "Ví dụ: QR chuyển khoản";
    static constexpr std::string_view triggerLabel = "Mã gõ";
    static constexpr std::string_view triggerPlaceholder = ";vcbq";
    static constexpr std::string_view triggerNote =
        "Gõ mã rồi nhấn Space, hoặc dùng phím tắt đã chọn.";
    static constexpr std::string_view hotkeyLabel = "Phím tắt";
    static constexpr std::string_view noHotkeyTitle = "Không dùng";
    static constexpr std::string_view qrSymbol = "qrcode";
    static constexpr std::string_view qrToggleTitle = "Tạo QR chuyển khoản khi dán";
    static constexpr std::string_view qrNote = "Mỗi lượt tạo QR mới; nội dung CK chỉ nằm trong QR.";
    static constexpr std::string_view qrSetupTitle = "Thiết lập tài khoản";
    static constexpr std::string_view textLabel = "Nội dung dán vào chat";
    static constexpr std::string_view textNote =
        "Nếu có ảnh, Halvora sẽ dán chữ trước rồi dán ảnh.";
    static constexpr std::string_view savedImageLabel = "Ảnh đã lưu";
    static constexpr std::string_view removeImageTitle = "Bỏ ảnh";
    static constexpr std::string_view noImageLabel = "Chưa có ảnh";
    static constexpr std::string_view chooseImageTitle = "Chọn ảnh…";
    static constexpr std::string_view chooseImageSymbol = "photo";

    SnippetEditorModel(snippets::SnippetStore& store, util::Uuid id,
                       const platform::DesktopWords& words)
        : store_(store), id_(id), words_(words) {}

    const util::Uuid& id() const { return id_; }
    /// The edited snippet; null once it has left the store.
    const snippets::Snippet* snippet() const { return store_.find(id_); }

    /// "Không dùng", then Option+Command with 1 … 9 in the desktop's
    /// words ("⌥⌘1", "Alt+Super+1").
    std::vector<HotkeyChoice> hotkeyChoices() const;
    /// The title of the picker's current choice.
    std::string hotkeyTitle() const;

    // Edits; each is saved at once. False when the snippet is gone.
    bool setTitle(std::string title);
    bool setTrigger(std::string trigger);
    bool setText(std::string text);
    bool setHotkeySlot(std::optional<std::int64_t> slot);
    /// Writes true or false (never back to absent).
    bool setDynamicQR(bool on);
    /// Detaches the image; its file stays in the data folder.
    bool removeImage();

    /// The QR toggle: an absent value reads as off.
    bool dynamicQR() const;
    /// The note and the account button are shown while the toggle is on.
    bool showsQRSetup() const { return dynamicQR(); }
    bool hasImage() const;
    /// The attached image's file in the data folder, for the preview.
    std::optional<std::filesystem::path> imagePath() const;

  private:
    snippets::SnippetStore& store_;
    util::Uuid id_;
    const platform::DesktopWords& words_;
};

}  // namespace halvora::workspace
