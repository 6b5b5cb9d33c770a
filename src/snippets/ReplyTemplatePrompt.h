#pragma once

#include "snippets/PanelHost.h"
#include "snippets/ReplyTemplate.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::snippets {

/// The floating panel in which the user fills in the fields of a quick
/// reply before it is pasted (or, from the quick-reply editor, copied): what
/// it shows, what its buttons do, and the guarantee that exactly one outcome
/// is reported, once. The desktop only draws it. Single-use: its owner
/// creates it, presents it through a PanelHost and drops it in the outcome
/// callback (which may destroy the prompt while it is reporting).
class ReplyTemplatePrompt {
  public:
    using SubmitHandler = std::function<void(const ReplyTemplate::FieldValues& values)>;
    using CancelHandler = std::function<void()>;

    static constexpr int contentWidth = 540;
    static constexpr std::string_view previewHeading = "Xem trước";
    static constexpr int previewHeight = 82;
    static constexpr std::string_view cancelTitle = "Hủy";

    /// `fields` are the template's field names in order, as
    /// ReplyTemplate::fields gives them.
    ReplyTemplatePrompt(std::string title, std::string templateText,
                        std::vector<std::string> fields, std::string instruction,
                        std::string submitTitle, SubmitHandler onSubmit, CancelHandler onCancel);
    /// Takes the panel off the screen when it is still shown; reports nothing.
    ~ReplyTemplatePrompt();
    ReplyTemplatePrompt(const ReplyTemplatePrompt&) = delete;
    ReplyTemplatePrompt& operator=(const ReplyTemplatePrompt&) = delete;

    /// 48 points per field on top of 310, kept within 390 … 590.
    static int contentHeight(std::size_t fieldCount);
    int contentHeight() const { return contentHeight(fields_.size()); }
    /// "Điền thông tin · " and the title.
    std::string windowTitle() const;

    const std::string& title() const { return title_; }
    const std::string& templateText() const { return templateText_; }
    const std::vector<std::string>& fields() const { return fields_; }
    const std::string& instruction() const { return instruction_; }
    const std::string& submitTitle() const { return submitTitle_; }

    /// The label above a field's text box and the box's placeholder
    /// ("Nhập " and the label in lower case).
    static std::string label(std::string_view field);
    static std::string placeholder(std::string_view field);

    /// The values as typed, untrimmed; a field never typed into has no entry.
    const ReplyTemplate::FieldValues& values() const { return values_; }
    /// The value of a field; empty when never typed into.
    std::string value(std::string_view field) const;
    /// Stores what the user typed into a field; false (nothing stored) for a
    /// name that is not one of the fields or once the prompt has finished.
    bool setValue(std::string_view field, std::string value);

    const std::optional<std::string>& focusedField() const { return focusedField_; }
    void setFocusedField(std::optional<std::string> field) { focusedField_ = std::move(field); }
    /// The panel appeared: the first field takes the focus.
    void appear();

    /// Whether the confirm button is enabled: every field has a value that is
    /// not blank.
    bool canSubmit() const;
    /// The finished text once every field is filled in; until then (and
    /// when rendering gives nothing) the template with its placeholders.
    std::string preview() const;

    // Outcomes. Each is reported only when no outcome was reported before;
    // each answers whether it was reported.

    /// The confirm button (or Return): closes the panel and reports the
    /// values; nothing while the button is disabled.
    bool submit();
    /// The cancel button, Escape, or the owner: closes the panel and reports
    /// cancel.
    bool cancel();
    /// The user closed the window: reports cancel.
    bool windowClosed();

    bool isFinished() const { return finished_; }
    /// Whether a host shows the panel now.
    bool isPresented() const { return host_ != nullptr; }

  private:
    friend class PanelHost;

    /// Marks the prompt finished and takes the panel away; false when it
    /// had already finished.
    bool finish(PanelDismissal how);
    bool reportCancel(PanelDismissal how);

    std::string title_;
    std::string templateText_;
    std::vector<std::string> fields_;
    std::string instruction_;
    std::string submitTitle_;
    SubmitHandler onSubmit_;
    CancelHandler onCancel_;
    ReplyTemplate::FieldValues values_;
    std::optional<std::string> focusedField_;
    bool finished_ = false;
    PanelHost* host_ = nullptr;
};

}  // namespace halvora::snippets
