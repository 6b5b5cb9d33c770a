#include "snippets/SnippetPickerSearch.h"

#include "text/Unicode.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace halvora::snippets::SnippetPickerSearch {

std::string normalize(std::string_view text) {
    // Lower case first, so that upper-case letters lose their accents the
    // same way as lower-case ones.
    return text::removeVietnameseAccents(text::lowercased(text, "vi_VN"));
}

std::vector<std::string> terms(std::string_view query) {
    std::vector<std::string> result;
    std::u32string current;
    for (const char32_t c : text::toUtf32(normalize(query))) {
        if (u_isUWhiteSpace(static_cast<UChar32>(c))) {
            if (!current.empty()) {
                result.push_back(text::toUtf8(current));
                current.clear();
            }
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) {
        result.push_back(text::toUtf8(current));
    }
    return result;
}

std::vector<Snippet> results(std::string_view query, const std::vector<Snippet>& snippets) {
    const std::vector<std::string> queryTerms = terms(query);
    std::vector<Snippet> kept;
    for (const Snippet& snippet : snippets) {
        if (!snippet.hasContent()) {
            continue;
        }
        if (!queryTerms.empty()) {
            const std::string searchText =
                normalize(snippet.title + " " + snippet.trigger + " " + snippet.text);
            const bool all = std::all_of(queryTerms.begin(), queryTerms.end(),
                                         [&searchText](const std::string& term) {
                                             return searchText.find(term) != std::string::npos;
                                         });
            if (!all) {
                continue;
            }
        }
        kept.push_back(snippet);
    }
    return kept;
}

}  // namespace halvora::snippets::SnippetPickerSearch
