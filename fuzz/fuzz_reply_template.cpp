// Reply templates: the fields of any text are placeholders that render
// replaces; with a value for every field the rendering succeeds, holds every
// value, and is UTF-8 when the text and the values are.

#include "FuzzSupport.h"
#include "snippets/ReplyTemplate.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halvora::snippets;
    halvora::fuzz::Input input(data, size);
    const std::string value = input.string(40);
    const std::string_view text = input.rest();
    const std::vector<std::string> fields = ReplyTemplate::fields(text);
    std::set<std::string> unique(fields.begin(), fields.end());
    halvora::fuzz::require(unique.size() == fields.size(), "each field once");
    ReplyTemplate::FieldValues values;
    for (const std::string& field : fields) {
        halvora::fuzz::require(text.find("{" + field + "}") != std::string_view::npos,
                               "a field is a placeholder of the text", field);
        (void)ReplyTemplate::label(field);
        values[field] = "[" + value + "]";
    }
    const std::optional<std::string> rendered = ReplyTemplate::render(text, values);
    halvora::fuzz::require(rendered.has_value(), "every field has a value");
    if (fields.empty()) {
        halvora::fuzz::require(*rendered == text, "a text without fields renders to itself");
    }
    if (!fields.empty() && halvora::fuzz::isValidUtf8(text) && halvora::fuzz::isValidUtf8(value)) {
        halvora::fuzz::require(halvora::fuzz::isValidUtf8(*rendered), "the rendering is UTF-8");
    }
    return 0;
}
