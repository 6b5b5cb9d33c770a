// The snippets file: any bytes either fail to decode with the decoding error
// or decode to a list that writes back to a file decoding to the same list.

#include "FuzzSupport.h"
#include "snippets/SnippetJson.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halvora;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<snippets::Snippet> list;
    try {
        list = snippets::decodeSnippetsFile(bytes);
    } catch (const snippets::SnippetDecodingError&) {
        return 0;
    }
    const std::string encoded = snippets::encodeSnippetsFile(list);
    fuzz::require(fuzz::isValidUtf8(encoded), "the written file is UTF-8");
    std::vector<snippets::Snippet> again;
    try {
        again = snippets::decodeSnippetsFile(encoded);
    } catch (const snippets::SnippetDecodingError& error) {
        fuzz::fail("a written file decodes", error.what());
    }
    fuzz::require(again == list, "a written file decodes to the same list");
    fuzz::require(snippets::encodeSnippetsFile(again) == encoded, "writing is stable");
    return 0;
}
