// The picker search: any query over any snippets gives a subsequence of the
// snippets with content, in list order; a blank query gives them all; every
// result holds every term of the query.

#include "FuzzSupport.h"
#include "snippets/SnippetPickerSearch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halvora::snippets;
    halvora::fuzz::Input input(data, size);
    std::vector<Snippet> snippets;
    const int count = input.byte() % 6;
    for (int i = 0; i < count; ++i) {
        Snippet s;
        s.title = input.string(30);
        s.trigger = input.string(10);
        s.text = input.string(60);
        snippets.push_back(std::move(s));
    }
    const std::string query(input.rest());
    const std::vector<Snippet> found = SnippetPickerSearch::results(query, snippets);
    std::size_t next = 0;
    for (const Snippet& result : found) {
        halvora::fuzz::require(result.hasContent(), "only snippets with content");
        while (next < snippets.size() && snippets[next].id != result.id) {
            ++next;
        }
        halvora::fuzz::require(next < snippets.size(), "results keep the list order");
        ++next;
        const std::string haystack =
            SnippetPickerSearch::normalize(result.title + " " + result.trigger + " " + result.text);
        for (const std::string& term : SnippetPickerSearch::terms(query)) {
            halvora::fuzz::require(haystack.find(term) != std::string::npos, "every term is found",
                                   term);
        }
    }
    if (SnippetPickerSearch::terms(query).empty()) {
        std::size_t withContent = 0;
        for (const Snippet& s : snippets) {
            withContent += s.hasContent() ? 1 : 0;
        }
        halvora::fuzz::require(found.size() == withContent, "a blank query gives them all");
    }
    return 0;
}
