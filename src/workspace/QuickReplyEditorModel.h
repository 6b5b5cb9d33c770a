#pragma once

// The editor of one quick reply: its name, its code with the line that says
// whether the code can be typed, its text with the fields it will ask for,
// and a trial of the field prompt whose result is copied, never pasted.

#include "platform/Pasteboard.h"
#include "snippets/PanelHost.h"
#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/Snippet.h"
#include "snippets/SnippetStore.h"
#include "util/Signal.h"
#include "util/Uuid.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::workspace {

/// The line under the code field.
struct CodeStatus {
    enum class Kind { invalid, conflict, valid };

    Kind kind = Kind::valid;
    /// Symbol shown before the text; empty for none.
    std::string symbol;
    std::string text;
    /// For a valid code, the code the hint names (shown in its own style).
    std::string code;

    friend bool operator==(const CodeStatus&, const CodeStatus&) = default;
};

class QuickReplyEditorModel {
  public:
    static constexpr std::string_view deleteTitle = "Xóa";
    static constexpr std::string_view deleteSymbol = "trash";
    static constexpr std::string_view titleLabel = "Tên để dễ tìm";
    static constexpr std::string_view titlePlaceholder = "Ví dụ: Báo giá, chốt đơn, cảm ơn khách";
    static constexpr std::string_view triggerLabel = "Mã gõ tắt";
    static constexpr std::string_view triggerPlaceholder = ";tl1";
    static constexpr std::string_view contentHeading = "Nội dung trả lời";
    static constexpr std::string_view contentNote =
        "Lưu tự động trên máy; dán nguyên văn, kể cả xuống dòng.";
    static constexpr std::string_view textLabel = "Văn bản sẽ dán";
    static constexpr std::string_view trialTitle = "Thử điền…";
    static constexpr std::string_view copiedNote = "Đã sao chép bản thử vào clipboard.";

    static constexpr std::string_view invalidSymbol = "exclamationmark.triangle";
    static constexpr std::string_view invalidCodeText =
        "Mã phải bắt đầu bằng ; và chỉ gồm chữ không dấu, số hoặc dấu _.";
    static constexpr std::string_view conflictText =
        "Mã này đã dùng ở mục khác. Hãy đổi mã để tránh dán nhầm.";
    static constexpr std::string_view validPrefix = "Trong ô chat, gõ";
    static constexpr std::string_view validSuffix = " rồi nhấn Space.";

    static constexpr std::string_view emptyTextLine =
        "Nhập một câu hoặc cả đoạn dài. Mẫu trống sẽ chưa hoạt động.";
    static constexpr std::string_view noFieldsLine =
        "Muốn điền riêng cho từng khách? Thêm {ten_khach} hoặc {ma_don} vào nội dung.";
    static constexpr std::string_view trialInstruction =
        "Thử điền thông tin để xem câu hoàn chỉnh. Bản thử sẽ được sao chép, không dán vào chat.";
    static constexpr std::string_view trialSubmitTitle = "Sao chép bản thử";

    QuickReplyEditorModel(snippets::SnippetStore& store, util::Uuid id,
                          platform::Pasteboard& pasteboard, snippets::PanelHost& panels);
    QuickReplyEditorModel(const QuickReplyEditorModel&) = delete;
    QuickReplyEditorModel& operator=(const QuickReplyEditorModel&) = delete;

    const util::Uuid& id() const { return id_; }
    /// The edited reply; null once it has left the store.
    const snippets::Snippet* reply() const { return store_.find(id_); }

    // Edits, saved at once; false when the reply is gone. An invalid or
    // conflicting code is saved as typed: the status line only informs.
    bool setTitle(std::string title);
    bool setTrigger(std::string trigger);
    bool setText(std::string text);

    /// Whether a normalised code has the form ";" + ASCII letters, digits
    /// or "_".
    static bool isValidCode(std::string_view normalizedCode);
    CodeStatus codeStatus() const;
    /// The user-perceived characters of the text and " ký tự".
    std::string characterCount() const;
    /// What the text will ask for, or how to make it ask.
    std::string templateLine() const;
    /// "Thử điền…" is offered when the text has at least one field.
    bool canTry() const;

    /// Opens the trial prompt; false when the text has no field.
    bool startTrial();
    snippets::ReplyTemplatePrompt* previewPrompt() const { return previewPrompt_.get(); }
    bool previewCopied() const { return previewCopied_; }

    /// Called when the trial prompt opens or closes or the copy note changes.
    [[nodiscard]] util::Connection observe(std::function<void()> onChange) {
        return changed_.connect(std::move(onChange));
    }

  private:
    void trialSubmitted(const std::string& templateText,
                        const snippets::ReplyTemplate::FieldValues& values);
    void closeTrial();

    snippets::SnippetStore& store_;
    util::Uuid id_;
    platform::Pasteboard& pasteboard_;
    snippets::PanelHost& panels_;
    std::unique_ptr<snippets::ReplyTemplatePrompt> previewPrompt_;
    bool previewCopied_ = false;
    util::Signal<> changed_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace halvora::workspace
