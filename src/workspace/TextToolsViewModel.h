#pragma once

// The text tools page: a pasted text, one of the three conversions, the
// converted text at once, and copying it to the clipboard. The chosen
// conversion is remembered in the user defaults.

#include "engine/TextOperation.h"
#include "platform/DesktopWords.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "util/Signal.h"

#include <functional>
#include <string>
#include <string_view>

namespace halvora::workspace {

class TextToolsViewModel {
  public:
    static constexpr std::string_view title = "Công cụ văn bản";
    static constexpr std::string_view subtitle =
        "Dán đoạn chữ, chọn cách chuyển đổi rồi sao chép kết quả.";
    static constexpr std::string_view inputHeading = "Văn bản gốc";
    static constexpr std::string_view pasteTitle = "Lấy từ clipboard";
    static constexpr std::string_view inputPlaceholder = "Dán văn bản vào đây…";
    static constexpr std::string_view pickerTitle = "Chuyển đổi";
    static constexpr std::string_view resultHeading = "Kết quả xem trước";
    static constexpr std::string_view resultPlaceholder = "Kết quả sẽ hiện ở đây.";
    static constexpr std::string_view copyTitle = "Sao chép kết quả";
    static constexpr std::string_view noClipboardText = "Clipboard chưa có văn bản.";
    static constexpr int minimumBoxHeight = 110;

    TextToolsViewModel(platform::UserDefaults& defaults, platform::Pasteboard& pasteboard,
                       const platform::DesktopWords& words)
        : defaults_(defaults), pasteboard_(pasteboard), words_(words) {}
    TextToolsViewModel(const TextToolsViewModel&) = delete;
    TextToolsViewModel& operator=(const TextToolsViewModel&) = delete;

    /// The page was opened (from the menu or the sidebar): it starts empty,
    /// with no input and no message. The chosen conversion stays.
    void appear();

    const std::string& input() const { return input_; }
    /// Typing; the message stays.
    void setInput(std::string input);

    /// The stored raw value ("CHỮ HOA" when none is stored).
    std::string selected() const;
    /// The conversion the stored value names; upper case for any value
    /// that names none.
    engine::TextOperation operation() const;
    /// Stores the choice at once.
    void setOperation(engine::TextOperation operation);

    std::string output() const;
    /// What the result box shows: the output, or its placeholder while the
    /// output is empty.
    std::string resultText() const;
    bool hasOutput() const { return !output().empty(); }
    /// "Sao chép kết quả" is enabled while there is an input.
    bool canCopy() const { return !input_.empty(); }

    const std::string& message() const { return message_; }

    /// "Lấy từ clipboard": the clipboard's text becomes the input.
    void takeFromClipboard();
    /// "Sao chép kết quả": the output replaces the clipboard's contents,
    /// and the message names the paste shortcut. Nothing while the button
    /// is disabled.
    void copyResult();

    [[nodiscard]] util::Connection observe(std::function<void()> onChange) {
        return changed_.connect(std::move(onChange));
    }

  private:
    void notify() { changed_.emit(); }

    platform::UserDefaults& defaults_;
    platform::Pasteboard& pasteboard_;
    const platform::DesktopWords& words_;
    std::string input_;
    std::string message_;
    util::Signal<> changed_;
};

}  // namespace halvora::workspace
