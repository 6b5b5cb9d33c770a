#pragma once

// Quick-reply templates: texts with named placeholders such as {ten_khach}.
// A placeholder is "{", an ASCII letter followed by ASCII letters, digits or
// underscores, and "}"; anything else in braces is ordinary text, and there
// is no escape for a literal placeholder.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::snippets::ReplyTemplate {

/// Field name → value the user typed.
using FieldValues = std::map<std::string, std::string, std::less<>>;

/// The placeholder names in order of first appearance, each once (compared
/// exactly, so {Ten} and {ten} are two fields). Empty: not a template.
std::vector<std::string> fields(std::string_view templateText);

/// The template with each placeholder replaced by its value with surrounding
/// white space and line breaks trimmed; nothing when any placeholder has no
/// value or a blank one. Values are inserted literally and text outside the
/// placeholders is copied unchanged. A text without placeholders renders to
/// itself.
std::optional<std::string> render(std::string_view templateText, const FieldValues& values);

/// The Vietnamese label of a known field ("ten_khach" → "Tên khách");
/// otherwise the name with "_" as spaces, each word capitalised
/// ("so_tien_coc" → "So Tien Coc").
std::string label(std::string_view field);

}  // namespace halvora::snippets::ReplyTemplate
