#pragma once

// The JSON form of snippets, shared by the snippets file and the backup
// archive: an object with the keys id, trigger, title, text, imageFilename,
// hotkeySlot, qrMemo, dynamicQR, quickReply written in that order, the id as
// its upper-case text, absent optional keys left out. Readers accept the keys
// in any order, ignore unknown keys, and read null optional keys as absent.

#include "snippets/Snippet.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::snippets {

/// A snippet (or a list of them) could not be decoded: a required key is
/// missing, a value has the wrong type, or the id is not a UUID.
class SnippetDecodingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

nlohmann::ordered_json toJson(const Snippet& snippet);
nlohmann::ordered_json toJson(const std::vector<Snippet>& snippets);

/// Throws SnippetDecodingError.
Snippet snippetFromJson(const nlohmann::json& object);
/// A JSON array of snippet objects; any bad element fails the whole list.
/// Throws SnippetDecodingError.
std::vector<Snippet> snippetsFromJson(const nlohmann::json& array);

/// The snippets file: compact UTF-8 JSON, one array.
std::string encodeSnippetsFile(const std::vector<Snippet>& snippets);
/// The file is an array of flat objects; unknown keys may hold more, but
/// never this deep.
inline constexpr std::size_t maxSnippetsFileNesting = 64;
/// Throws SnippetDecodingError, also for text that is not JSON or that nests
/// deeper than maxSnippetsFileNesting.
std::vector<Snippet> decodeSnippetsFile(std::string_view bytes);

}  // namespace halvora::snippets
