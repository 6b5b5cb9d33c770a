#pragma once

// The filter behind the snippet picker: typed terms against the title, the
// code and the text of each snippet, without regard to accents or case, so
// that "cam on" finds "Cảm ơn khách".

#include "snippets/Snippet.h"

#include <string>
#include <string_view>
#include <vector>

namespace halvora::snippets::SnippetPickerSearch {

/// The form both sides of a search are compared in: lower case under the
/// Vietnamese locale, without diacritics, đ as d.
std::string normalize(std::string_view text);

/// The normalised query split at white space, empty pieces dropped.
std::vector<std::string> terms(std::string_view query);

/// The snippets with content whose title, code (as written) and text,
/// joined with spaces, contain every term of the query, in their list
/// order; all snippets with content for a blank query. No ranking, no limit.
std::vector<Snippet> results(std::string_view query, const std::vector<Snippet>& snippets);

}  // namespace halvora::snippets::SnippetPickerSearch
