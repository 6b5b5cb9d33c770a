#include "backup/BackupArchive.h"

#include "backup/BackupError.h"
#include "backup/Base64.h"
#include "snippets/SnippetJson.h"

#include <nlohmann/json.hpp>

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
    json root = json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    std::string().swap(bytes);  // the parsed tree is all that is needed now
    if (root.is_discarded() || !root.is_object()) {
        unreadable();
    }
    HalvoraBackup backup;

    const json& version = required(root, "version");
    if (!version.is_number_integer()) {
        unreadable();
    }
    if (version.is_number_unsigned() &&
        version.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
        unreadable();
    }
    backup.version = version.get<std::int64_t>();

    const json& createdAt = required(root, "createdAt");
    if (!createdAt.is_number()) {
        unreadable();
    }
    backup.createdAt = createdAt.get<double>();

    try {
        backup.snippets = snippets::snippetsFromJson(required(root, "snippets"));
    } catch (const snippets::SnippetDecodingError&) {
        unreadable();
    }

    const auto imagesEntry = root.find("images");
    if (imagesEntry == root.end() || !imagesEntry->is_object()) {
        unreadable();
    }
    json& images = *imagesEntry;
    if (!images.is_object()) {
        unreadable();
    }
    for (auto& [key, value] : images.items()) {
        const std::optional<util::Uuid> id = util::Uuid::parse(key);
        if (!id || !value.is_object()) {
            unreadable();
        }
        BackupImage image;
        image.fileExtension = requiredString(value, "fileExtension");
        const auto dataEntry = value.find("data");
        if (dataEntry == value.end() || !dataEntry->is_string()) {
            unreadable();
        }
        json& data = *dataEntry;
        if (!data.is_string()) {
            unreadable();
        }
        std::optional<platform::Bytes> decoded = Base64::decode(data.get_ref<const std::string&>());
        if (!decoded) {
            unreadable();
        }
        data = nullptr;  // frees the text as the bytes arrive
        image.data = std::move(*decoded);
        // Two spellings of one id (upper and lower case) would hide an image.
        if (!backup.images.emplace(*id, std::move(image)).second) {
            unreadable();
        }
    }

    backup.qrProfile = profileFromJson(required(root, "qrProfile"));
    return backup;
}

}  // namespace halvora::backup
