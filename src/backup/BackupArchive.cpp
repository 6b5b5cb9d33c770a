#include "backup/BackupArchive.h"

#include "backup/BackupError.h"
#include "backup/Base64.h"
#include "snippets/SnippetJson.h"

#include <simdjson.h>
#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string_view>

namespace halvora::backup {
namespace {

using nlohmann::json;

[[noreturn]] void unreadable() {
    throw BackupError::invalidFile(std::string(BackupReason::unreadableFormat));
}

const json& required(const json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end()) {
        unreadable();
    }
    return *it;
}

std::string requiredString(const json& object, const char* key) {
    const json& value = required(object, key);
    if (!value.is_string()) {
        unreadable();
    }
    return value.get<std::string>();
}

json profileJson(const BackupQRProfile& profile) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    object["bankID"] = profile.bankID;
    object["accountNumber"] = profile.accountNumber;
    object["accountName"] = profile.accountName;
    object["amount"] = profile.amount;
    if (profile.randomMemo) {
        object["randomMemo"] = *profile.randomMemo;
    }
    if (profile.defaultMemo) {
        object["defaultMemo"] = *profile.defaultMemo;
    }
    return object;
}

BackupQRProfile profileFromJson(const json& object) {
    if (!object.is_object()) {
        unreadable();
    }
    BackupQRProfile profile;
    profile.bankID = requiredString(object, "bankID");
    profile.accountNumber = requiredString(object, "accountNumber");
    profile.accountName = requiredString(object, "accountName");
    profile.amount = requiredString(object, "amount");
    if (const auto it = object.find("randomMemo"); it != object.end() && !it->is_null()) {
        if (!it->is_boolean()) {
            unreadable();
        }
        profile.randomMemo = it->get<bool>();
    }
    if (const auto it = object.find("defaultMemo"); it != object.end() && !it->is_null()) {
        if (!it->is_string()) {
            unreadable();
        }
        profile.defaultMemo = it->get<std::string>();
    }
    return profile;
}

std::string dumped(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

json asJson(const simdjson::dom::element& element) {
    const json value = json::parse(simdjson::minify(element), nullptr, false);
    if (value.is_discarded()) {
        unreadable();
    }
    return value;
}

std::map<util::Uuid, BackupImage> decodeImages(const simdjson::dom::element& element) {
    simdjson::dom::object images;
    if (element.get_object().get(images) != simdjson::SUCCESS) {
        unreadable();
    }
    std::map<util::Uuid, BackupImage> out;
    for (const auto field : images) {
        const std::optional<util::Uuid> id = util::Uuid::parse(field.key);
        simdjson::dom::object object;
        if (!id || field.value.get_object().get(object) != simdjson::SUCCESS) {
            unreadable();
        }
        std::string_view extension;
        std::string_view data;
        if (object["fileExtension"].get_string().get(extension) != simdjson::SUCCESS ||
            object["data"].get_string().get(data) != simdjson::SUCCESS) {
            unreadable();
        }
        std::optional<platform::Bytes> bytes = Base64::decode(data);
        if (!bytes) {
            unreadable();
        }
        // Two spellings of one id (upper and lower case) would hide an image.
        if (!out.emplace(*id, BackupImage{std::string(extension), std::move(*bytes)}).second) {
            unreadable();
        }
    }
    return out;
}

}  // namespace

std::string encodeArchive(const HalvoraBackup& backup) {
    const std::string snippets = snippets::encodeSnippetsFile(backup.snippets);
    const std::string profile = dumped(profileJson(backup.qrProfile));
    std::size_t size = 128 + snippets.size() + profile.size();
    for (const auto& [id, image] : backup.images) {
        size += 80 + image.fileExtension.size() + Base64::encodedSize(image.data.size());
    }
    // Images are Base64-encoded straight into the one output string: the
    // archive may hold 200 MB of them, and a JSON value per image would
    // hold every byte twice more.
    std::string out;
    out.reserve(size);
    out.append(R"({"version":)");
    out.append(std::to_string(backup.version));
    out.append(R"(,"createdAt":)");
    out.append(json(backup.createdAt).dump());
    out.append(R"(,"snippets":)");
    out.append(snippets);
    out.append(R"(,"images":{)");
    bool first = true;
    for (const auto& [id, image] : backup.images) {
        if (!first) {
            out.push_back(',');
        }
        first = false;
        out.push_back('"');
        out.append(id.text());
        out.append(R"(":{"fileExtension":)");
        out.append(dumped(image.fileExtension));
        out.append(R"(,"data":")");
        Base64::append(out, std::string_view(reinterpret_cast<const char*>(image.data.data()),
                                             image.data.size()));
        out.append(R"("})");
    }
    out.append(R"(},"qrProfile":)");
    out.append(profile);
    out.push_back('}');
    return out;
}

HalvoraBackup decodeArchive(std::string bytes) {
    // simdjson reads the archive in place: nlohmann's lexer would take
    // seconds over the 200 MB of Base64 text. The small parts (snippets, QR
    // profile) go on to the shared nlohmann decoders.
    if (bytes.capacity() < bytes.size() + simdjson::SIMDJSON_PADDING) {
        bytes.reserve(bytes.size() + simdjson::SIMDJSON_PADDING);
    }
    simdjson::dom::parser parser;
    simdjson::dom::element document;
    simdjson::dom::object root;
    if (parser.parse(bytes.data(), bytes.size(), /*realloc_if_needed=*/false).get(document) !=
            simdjson::SUCCESS ||
        document.get_object().get(root) != simdjson::SUCCESS) {
        unreadable();
    }
    std::string().swap(bytes);  // the parsed document keeps its own copy of every string
    HalvoraBackup backup;
    simdjson::dom::element value;
    if (root["version"].get(value) != simdjson::SUCCESS ||
        value.get_int64().get(backup.version) != simdjson::SUCCESS) {
        unreadable();
    }
    if (root["createdAt"].get(value) != simdjson::SUCCESS ||
        value.get_double().get(backup.createdAt) != simdjson::SUCCESS) {
        unreadable();
    }
    if (root["snippets"].get(value) != simdjson::SUCCESS || !value.is_array()) {
        unreadable();
    }
    try {
        backup.snippets = snippets::snippetsFromJson(asJson(value));
    } catch (const snippets::SnippetDecodingError&) {
        unreadable();
    }
    if (root["images"].get(value) != simdjson::SUCCESS) {
        unreadable();
    }
    backup.images = decodeImages(value);
    if (root["qrProfile"].get(value) != simdjson::SUCCESS) {
        unreadable();
    }
    backup.qrProfile = profileFromJson(asJson(value));
    return backup;
}

}  // namespace halvora::backup
