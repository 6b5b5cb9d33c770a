#include "snippets/SnippetJson.h"

#include "util/Files.h"

#include <unicode/utf8.h>

#include <cmath>
#include <cstdint>
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

/// Appends `text` as a JSON string literal, escaped as the JSON library
/// escapes it (the short escapes, \u00xx for other control characters,
/// UTF-8 kept as it is); each malformed UTF-8 sequence becomes U+FFFD, so a
/// stray byte never makes the file unreadable.
void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    // Bytes that need no escape are copied in runs.
    std::int32_t runStart = 0;
    const auto flush = [&](std::int32_t end) {
        out.append(text.data() + runStart, static_cast<std::size_t>(end - runStart));
    };
    std::int32_t i = 0;
    while (i < length) {
        const std::uint8_t byte = bytes[i];
        if (byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\') {
            ++i;
            continue;
        }
        if (byte >= 0x80) {
            const std::int32_t start = i;
            UChar32 c = 0;
            U8_NEXT(bytes, i, length, c);
            if (c >= 0) {
                continue;  // well-formed: part of the run
            }
            flush(start);
            out.append("\xEF\xBF\xBD");
            runStart = i;
            continue;
        }
        flush(i);
        ++i;
        runStart = i;
        switch (byte) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\b':
                out.append("\\b");
                break;
            case '\f':
                out.append("\\f");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            default:
                out.append("\\u00");
                out.push_back(kHex[byte >> 4]);
                out.push_back(kHex[byte & 0x0F]);
        }
    }
    flush(length);
    out.push_back('"');
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
    const std::optional<util::Uuid> id =
        util::Uuid::parse(stringValue(required(object, "id"), "id"));
    if (!id) {
        fail("id", "is not a UUID");
    }
    // Every field is named, so no random id is drawn for a record that has one.
    Snippet snippet{
        .id = *id,
        .trigger = stringValue(required(object, "trigger"), "trigger"),
        .title = stringValue(required(object, "title"), "title"),
        .text = stringValue(required(object, "text"), "text"),
        .imageFilename = std::nullopt,
        .hotkeySlot = std::nullopt,
        .qrMemo = std::nullopt,
        .dynamicQR = std::nullopt,
        .quickReply = std::nullopt,
    };
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
    // The same bytes as dumping toJson(snippets) compactly, written straight
    // into one string: the file is saved after every edit and may hold
    // thousands of records.
    std::string out;
    std::size_t estimate = 2;
    for (const Snippet& snippet : snippets) {
        estimate += 160 + snippet.trigger.size() + snippet.title.size() + snippet.text.size();
    }
    out.reserve(estimate);
    out.push_back('[');
    bool first = true;
    for (const Snippet& snippet : snippets) {
        if (!first) {
            out.push_back(',');
        }
        first = false;
        out.append(R"({"id":")");
        out.append(snippet.id.text());
        out.append(R"(","trigger":)");
        appendJsonString(out, snippet.trigger);
        out.append(R"(,"title":)");
        appendJsonString(out, snippet.title);
        out.append(R"(,"text":)");
        appendJsonString(out, snippet.text);
        if (snippet.imageFilename) {
            out.append(R"(,"imageFilename":)");
            appendJsonString(out, *snippet.imageFilename);
        }
        if (snippet.hotkeySlot) {
            out.append(R"(,"hotkeySlot":)");
            out.append(std::to_string(*snippet.hotkeySlot));
        }
        if (snippet.qrMemo) {
            out.append(R"(,"qrMemo":)");
            appendJsonString(out, *snippet.qrMemo);
        }
        if (snippet.dynamicQR) {
            out.append(*snippet.dynamicQR ? R"(,"dynamicQR":true)" : R"(,"dynamicQR":false)");
        }
        if (snippet.quickReply) {
            out.append(*snippet.quickReply ? R"(,"quickReply":true)" : R"(,"quickReply":false)");
        }
        out.push_back('}');
    }
    out.push_back(']');
    return out;
}

std::vector<Snippet> decodeSnippetsFile(std::string_view bytes) {
    if (util::jsonNestingExceeds(bytes, maxSnippetsFileNesting)) {
        throw SnippetDecodingError("the snippets file nests deeper than " +
                                   std::to_string(maxSnippetsFileNesting) + " levels");
    }
    json parsed = json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) {
        throw SnippetDecodingError("the snippets file is not valid JSON");
    }
    return snippetsFromJson(parsed);
}

}  // namespace halvora::snippets
