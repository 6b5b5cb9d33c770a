#include "backup/BackupArchive.h"

#include "backup/BackupError.h"
#include "backup/Base64.h"
#include "backup/Together.h"
#include "snippets/SnippetJson.h"
#include "util/Hex.h"

#include <simdjson.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

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

// Reading: simdjson's On Demand parser walks the archive in place. The
// Base64 text of each image (nearly all of a large archive) is never copied:
// it is decoded straight from the read buffer into the image's bytes, once
// the whole archive has been walked, on every processor at once (on one it
// took as long as the rest of reading). The
// small parts (snippets, QR profile) go on to the shared nlohmann decoders as
// the JSON text they are. Every value that is not needed is still walked to
// its end, so that an archive with damaged JSON anywhere is refused as the
// full parser did.

namespace ondemand = simdjson::ondemand;

/// How deep unknown values may nest.
constexpr int kMaxDepth = 256;

template <typename T>
T take(simdjson::simdjson_result<T>&& result) {
    T value;
    if (std::move(result).get(value) != simdjson::SUCCESS) {
        unreadable();
    }
    return value;
}

/// Walks a value to its end, checking all of it.
void consume(ondemand::value value, int depth) {
    if (depth > kMaxDepth) {
        unreadable();
    }
    switch (take(value.type())) {
        case ondemand::json_type::array:
            for (auto element : take(value.get_array())) {
                consume(take(std::move(element)), depth + 1);
            }
            break;
        case ondemand::json_type::object:
            for (auto field : take(value.get_object())) {
                ondemand::field f = take(std::move(field));
                take(f.unescaped_key());
                consume(f.value(), depth + 1);
            }
            break;
        case ondemand::json_type::string:
            take(value.get_string());
            break;
        case ondemand::json_type::number:
            take(value.get_number());
            break;
        case ondemand::json_type::boolean:
            take(value.get_bool());
            break;
        case ondemand::json_type::null:
            if (!take(value.is_null())) {
                unreadable();
            }
            break;
    }
}

json parsedJson(std::string_view text) {
    json value = json::parse(text, nullptr, false);
    if (value.is_discarded()) {
        unreadable();
    }
    return value;
}

/// The text of a JSON string whose escapes stand for ASCII characters (as
/// other writers escape "/" in Base64, or spell letters as \u00XX); nothing
/// when an escape stands for anything else, which no Base64 text holds.
std::optional<std::string> unescapedAscii(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out.push_back(raw[i]);
            continue;
        }
        if (++i >= raw.size()) {
            return std::nullopt;
        }
        switch (raw[i]) {
            case '/':
            case '\\':
            case '"':
                out.push_back(raw[i]);
                break;
            case 'u': {
                if (i + 4 >= raw.size()) {
                    return std::nullopt;
                }
                int code = 0;
                for (std::size_t k = 1; k <= 4; ++k) {
                    const int digit = util::hexDigitValue(raw[i + k]);
                    if (digit < 0) {
                        return std::nullopt;
                    }
                    code = code * 16 + digit;
                }
                if (code >= 0x80) {
                    return std::nullopt;
                }
                out.push_back(static_cast<char>(code));
                i += 4;
                break;
            }
            default:
                return std::nullopt;  // \b \f \n \r \t: never Base64
        }
    }
    return out;
}

/// An image's Base64 text, to be decoded over itself.
struct PendingImage {
    std::string_view raw;
    /// The text without its escapes, when it had any.
    std::optional<std::string> unescaped;
    std::uint8_t* out;

    bool decode() const {
        return Base64::decodeTo(unescaped ? std::string_view(*unescaped) : raw, out);
    }
};

/// Where an archive's images are decoded: the buffer it was read into, what
/// keeps that buffer alive, and the images whose text waits to be decoded.
struct InPlace {
    char* begin;
    std::shared_ptr<const void> owner;
    std::vector<PendingImage>* pending;
};

/// Decodes the images' text; false when one is not strict Base64.
bool decodePending(const std::vector<PendingImage>& pending) {
    std::vector<char> decoded(pending.size(), 0);
    runTogether(pending.size(), processorCount(),
                [&](std::size_t i) { decoded[i] = pending[i].decode() ? 1 : 0; });
    return std::all_of(decoded.begin(), decoded.end(), [](char ok) { return ok != 0; });
}

/// The bytes of an image's "data" string, which will be decoded over its own
/// text: their size is known from the text already.
ImageBytes imageData(ondemand::value value, const InPlace& buffer) {
    // The token is the string with its quotes (and any white space after
    // it); taking it as a raw string checks that it is one and moves on. Its
    // text is not looked at again by the parser, which has every structural
    // character's place already: the decoded bytes may take its room.
    const std::string_view token = value.raw_json_token();
    take(value.get_raw_json_string());
    const std::size_t close = token.find_last_not_of(" \t\n\r");
    if (token.empty() || token.front() != '"' || close == 0 || close == std::string_view::npos ||
        token[close] != '"') {
        unreadable();
    }
    const std::string_view raw = token.substr(1, close - 1);
    std::optional<std::string> unescaped;
    std::string_view text = raw;
    if (raw.find('\\') != std::string_view::npos) {
        unescaped = unescapedAscii(raw);
        if (!unescaped) {
            unreadable();
        }
        text = *unescaped;
    }
    const std::optional<std::size_t> size = Base64::decodedSize(text);
    if (!size) {
        unreadable();
    }
    // Three bytes for every four characters, each group written after it
    // was read: the output never overtakes the text it comes from.
    auto* out = reinterpret_cast<std::uint8_t*>(buffer.begin + (raw.data() - buffer.begin));
    buffer.pending->push_back({raw, std::move(unescaped), out});
    return ImageBytes(buffer.owner, std::span<const std::uint8_t>(out, *size));
}

std::map<util::Uuid, BackupImage> decodeImages(ondemand::value value, const InPlace& buffer) {
    std::map<util::Uuid, BackupImage> out;
    for (auto entry : take(value.get_object())) {
        ondemand::field field = take(std::move(entry));
        const std::optional<util::Uuid> id = util::Uuid::parse(take(field.unescaped_key()));
        if (!id) {
            unreadable();
        }
        std::optional<std::string> extension;
        std::optional<ImageBytes> data;
        for (auto part : take(field.value().get_object())) {
            ondemand::field f = take(std::move(part));
            const std::string_view key = take(f.unescaped_key());
            if (key == "fileExtension" && !extension) {
                extension = std::string(take(f.value().get_string()));
            } else if (key == "data" && !data) {
                data = imageData(f.value(), buffer);
            } else {
                consume(f.value(), 2);
            }
        }
        if (!extension || !data) {
            unreadable();
        }
        // Two spellings of one id (upper and lower case) would hide an image.
        if (!out.emplace(*id, BackupImage{std::move(*extension), std::move(*data)}).second) {
            unreadable();
        }
    }
    return out;
}

}  // namespace

ArchiveEncoder::ArchiveEncoder(const HalvoraBackup& backup) : backup_(backup) {
    head_.append(R"({"version":)");
    head_.append(std::to_string(backup.version));
    head_.append(R"(,"createdAt":)");
    head_.append(json(backup.createdAt).dump());
    head_.append(R"(,"snippets":)");
    head_.append(snippets::encodeSnippetsFile(backup.snippets));
    head_.append(R"(,"images":{)");
    tail_.append(R"(},"qrProfile":)");
    tail_.append(dumped(profileJson(backup.qrProfile)));
    tail_.push_back('}');
    size_ = head_.size() + tail_.size();
    bool first = true;
    for (const auto& [id, image] : backup.images) {
        size_ += imageEntrySize(id, image.fileExtension, image.data.size(), first);
        first = false;
    }
}

void ArchiveEncoder::writeTo(ByteSink& sink) const {
    sink.write(head_);
    bool first = true;
    for (const auto& [id, image] : backup_.images) {
        writeImageEntry(sink, id, image.fileExtension, image.data, first);
        first = false;
    }
    sink.write(tail_);
}

std::uint64_t ArchiveEncoder::imageEntrySize(const util::Uuid& id, std::string_view extension,
                                             std::size_t bytes, bool first) {
    return (first ? 0 : 1) + 1 + id.text().size() +
           std::string_view(R"(":{"fileExtension":)").size() +
           dumped(std::string(extension)).size() + std::string_view(R"(,"data":")").size() +
           Base64::encodedSize(bytes) + std::string_view(R"("})").size();
}

void ArchiveEncoder::writeImageEntry(ByteSink& sink, const util::Uuid& id,
                                     std::string_view extension,
                                     std::span<const std::uint8_t> bytes, bool first) {
    std::string head;
    if (!first) {
        head.push_back(',');
    }
    head.push_back('"');
    head.append(id.text());
    head.append(R"(":{"fileExtension":)");
    head.append(dumped(std::string(extension)));
    head.append(R"(,"data":")");
    sink.write(head);
    // A few hundred kilobytes of text at a time: it stays in the cache
    // between being encoded and being copied out.
    constexpr std::size_t kChunkBytes = 3 * 64 * 1024;
    std::string chunk(Base64::encodedSize(kChunkBytes), '\0');
    const std::uint8_t* in = bytes.data();
    std::size_t remaining = bytes.size();
    while (remaining > 0) {
        const std::size_t count = std::min(remaining, kChunkBytes);
        const char* end = Base64::encodeTo(chunk.data(), in, count);
        sink.write(std::string_view(chunk.data(), static_cast<std::size_t>(end - chunk.data())));
        in += count;
        remaining -= count;
    }
    sink.write(R"("})");
}

std::string encodeArchive(const HalvoraBackup& backup) {
    const ArchiveEncoder encoder(backup);
    std::string out;
    out.reserve(encoder.size());
    StringSink sink(out);
    encoder.writeTo(sink);
    return out;
}

std::size_t archivePadding() noexcept {
    return simdjson::SIMDJSON_PADDING;
}

HalvoraBackup decodeArchiveInPlace(std::span<char> buffer, std::size_t size,
                                   std::shared_ptr<const void> owner) {
    if (buffer.size() < size + simdjson::SIMDJSON_PADDING) {
        throw std::invalid_argument("decodeArchiveInPlace: the buffer has no room for padding");
    }
    ondemand::parser parser;
    ondemand::document document = take(parser.iterate(buffer.data(), size, buffer.size()));
    HalvoraBackup backup;
    std::vector<PendingImage> pending;
    bool version = false;
    bool createdAt = false;
    bool snippetList = false;
    bool images = false;
    bool profile = false;
    for (auto entry : take(document.get_object())) {
        ondemand::field field = take(std::move(entry));
        const std::string_view key = take(field.unescaped_key());
        ondemand::value value = field.value();
        // The first of repeated keys counts (the later ones are only
        // checked), as a DOM parser's look-up by name finds it.
        if (key == "version" && !version) {
            backup.version = take(value.get_int64());
            version = true;
        } else if (key == "createdAt" && !createdAt) {
            backup.createdAt = take(value.get_double());
            if (!HalvoraBackup::isValidDate(backup.createdAt)) {
                unreadable();
            }
            createdAt = true;
        } else if (key == "snippets" && !snippetList) {
            const std::string_view text = take(take(value.get_array()).raw_json());
            try {
                backup.snippets = snippets::snippetsFromJson(parsedJson(text));
            } catch (const snippets::SnippetDecodingError&) {
                unreadable();
            }
            snippetList = true;
        } else if (key == "images" && !images) {
            backup.images = decodeImages(value, InPlace{buffer.data(), owner, &pending});
            images = true;
        } else if (key == "qrProfile" && !profile) {
            backup.qrProfile =
                profileFromJson(parsedJson(take(take(value.get_object()).raw_json())));
            profile = true;
        } else {
            consume(value, 1);
        }
    }
    // Nothing may follow the archive's object.
    const char* trailing = nullptr;
    if (document.current_location().get(trailing) != simdjson::OUT_OF_BOUNDS || !version ||
        !createdAt || !snippetList || !images || !profile || !decodePending(pending)) {
        unreadable();
    }
    return backup;
}

HalvoraBackup decodeArchive(std::string bytes) {
    const std::size_t size = bytes.size();
    bytes.resize(size + simdjson::SIMDJSON_PADDING);
    auto owner = std::make_shared<std::string>(std::move(bytes));
    return decodeArchiveInPlace(*owner, size, owner);
}

}  // namespace halvora::backup
