#include "snippets/SnippetJson.h"

#include <cmath>
#include <limits>

namespace halvora::snippets {
using nlohmann::json;
using nlohmann::ordered_json;
namespace {

[[noreturn]] void fail(std::string_view key, std::string_view problem) {
    throw SnippetDecodingError("snippet key \"" + std::string(key) + "\" " + std::string(problem));
}

const json& required(const json& object, std::string_view key) {
    const auto it = object.find(key);
    if (it == object.end()) {
        fail(key, "is missing");
    }
    return *it;
}

/// The value of an optional key, or null when the key is absent or null.
const json* optional(const json& object, std::string_view key) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return nullptr;
    }
    return &*it;
}

std::string stringValue(const json& value, std::string_view key) {
    if (!value.is_string()) {
        fail(key, "is not a string");
    }
    return value.get<std::string>();
}

bool boolValue(const json& value, std::string_view key) {
    if (!value.is_boolean()) {
        fail(key, "is not a Boolean");
    }
    return value.get<bool>();
}

std::int64_t integerValue(const json& value, std::string_view key) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() &&
            value.get<std::uint64_t>() >
                static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            fail(key, "is out of range");
        }
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        // A number written as 3.0 still names slot 3; 3.5 names none.
        const double number = value.get<double>();
        if (std::trunc(number) == number && number >= -9.2e18 && number <= 9.2e18) {
            return static_cast<std::int64_t>(number);
        }
        fail(key, "is not a whole number");
    }
    fail(key, "is not an integer");
}

}  // namespace

ordered_json toJson(const Snippet& snippet) {
    ordered_json object = ordered_json::object();
    object["id"] = snippet.id.text();
    object["trigger"] = snippet.trigger;
    object["title"] = snippet.title;
    object["text"] = snippet.text;
    if (snippet.imageFilename) {
        object["imageFilename"] = *snippet.imageFilename;
    }
    if (snippet.hotkeySlot) {
        object["hotkeySlot"] = *snippet.hotkeySlot;
    }
    if (snippet.qrMemo) {
        object["qrMemo"] = *snippet.qrMemo;
    }
    if (snippet.dynamicQR) {
        object["dynamicQR"] = *snippet.dynamicQR;
    }
    if (snippet.quickReply) {
        object["quickReply"] = *snippet.quickReply;
    }
    return object;
}

ordered_json toJson(const std::vector<Snippet>& snippets) {
    ordered_json array = ordered_json::array();
    array.get_ref<ordered_json::array_t&>().reserve(snippets.size());
    for (const Snippet& snippet : snippets) {
        array.push_back(toJson(snippet));
    }
    return array;
}

Snippet snippetFromJson(const json& object) {
    if (!object.is_object()) {
        throw SnippetDecodingError("a snippet is not a JSON object");
    }
    Snippet snippet;
    const std::optional<util::Uuid> id =
        util::Uuid::parse(stringValue(required(object, "id"), "id"));
    if (!id) {
        fail("id", "is not a UUID");
    }
    snippet.id = *id;
    snippet.trigger = stringValue(required(object, "trigger"), "trigger");
    snippet.title = stringValue(required(object, "title"), "title");
    snippet.text = stringValue(required(object, "text"), "text");
    if (const json* value = optional(object, "imageFilename")) {
        snippet.imageFilename = stringValue(*value, "imageFilename");
    }
    if (const json* value = optional(object, "hotkeySlot")) {
        snippet.hotkeySlot = integerValue(*value, "hotkeySlot");
    }
    if (const json* value = optional(object, "qrMemo")) {
        snippet.qrMemo = stringValue(*value, "qrMemo");
    }
    if (const json* value = optional(object, "dynamicQR")) {
        snippet.dynamicQR = boolValue(*value, "dynamicQR");
    }
    if (const json* value = optional(object, "quickReply")) {
        snippet.quickReply = boolValue(*value, "quickReply");
    }
    return snippet;
}

std::vector<Snippet> snippetsFromJson(const json& array) {
    if (!array.is_array()) {
        throw SnippetDecodingError("the snippets are not a JSON array");
    }
    std::vector<Snippet> snippets;
    snippets.reserve(array.size());
    for (const json& element : array) {
        snippets.push_back(snippetFromJson(element));
    }
    return snippets;
}

std::string encodeSnippetsFile(const std::vector<Snippet>& snippets) {
    // Text fields come from the user; a stray invalid byte becomes U+FFFD
    // rather than failing every later save.
    return toJson(snippets).dump(-1, ' ', /*ensure_ascii=*/false,
                                 ordered_json::error_handler_t::replace);
}

std::vector<Snippet> decodeSnippetsFile(std::string_view bytes) {
    json parsed = json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) {
        throw SnippetDecodingError("the snippets file is not valid JSON");
    }
    return snippetsFromJson(parsed);
}

}  // namespace halvora::snippets
