#pragma once

#include "util/Uuid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::snippets {

/// Everything the user prepares for pasting: a text expanded from a typed
/// code, a quick reply with {placeholders}, a text with an image, or a text
/// pasted with a freshly generated transfer QR. Fields are in the order in
/// which they are encoded.
struct Snippet {
    util::Uuid id = util::Uuid::random();
    /// The code as the user wrote it, with or without the leading ";"; empty
    /// means the snippet has no code.
    std::string trigger;
    std::string title = "Mục mới";
    std::string text;
    /// Bare file name of the attached image inside the data folder.
    std::optional<std::string> imageFilename;
    std::optional<std::int64_t> hotkeySlot;
    std::optional<std::string> qrMemo;
    /// Absent, false and true are three different states: only an absent
    /// value may be switched on by the legacy "vcbq" rule. Readers otherwise
    /// treat absent as false.
    std::optional<bool> dynamicQR;
    std::optional<bool> quickReply;

    friend bool operator==(const Snippet&, const Snippet&) = default;

    /// `trigger` when it begins with ";", otherwise ";" + `trigger` (so an
    /// empty trigger gives ";").
    std::string normalizedCode() const;
    /// Whether the normalised code equals `code` exactly (case-sensitive).
    bool hasNormalizedCode(std::string_view code) const;

    /// The image file name when it names a plain file; nothing when absent
    /// or when it is anything else (a path, "..", empty), which is never
    /// used to reach a file.
    std::optional<std::string_view> safeImageFilename() const;

    bool isDynamicQR() const { return dynamicQR.value_or(false); }
    bool isQuickReply() const { return quickReply.value_or(false); }

    /// Whether pasting the snippet would put anything on the pasteboard: a
    /// dynamic QR, a usable image or a non-empty text. Snippets without
    /// content are never expanded, bound to a hot key or offered for picking.
    bool hasContent() const;
};

/// `code` without the ";" at either end (";;vcbq;" gives "vcbq").
std::string_view trimSemicolons(std::string_view code);

/// The first of `prefix` + "1" … `prefix` + "9999" that no snippet's
/// normalised code equals (case-sensitive); when all are taken, `prefix` and
/// six lower-case hexadecimal characters of a new UUID.
std::string nextFreeNumberedCode(const std::vector<Snippet>& snippets, std::string_view prefix);

/// A single path component naming a file: not empty, not "." or "..", and
/// free of "/", "\\" and NUL.
bool isPlainFileName(std::string_view name);

}  // namespace halvora::snippets
