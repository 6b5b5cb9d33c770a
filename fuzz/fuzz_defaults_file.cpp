// The settings file: whatever it holds, loading it neither crashes nor hangs,
// a change is written and reads back, and the written file loads again with
// every key and value.

#include "FuzzSupport.h"
#include "platform/JsonFileUserDefaults.h"

#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace {

class NullLog final : public halvora::platform::Log {
  public:
    void message(std::string_view) override {}
};

std::filesystem::path folder() {
    static const std::filesystem::path path = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "halvora-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halvora;
    namespace fs = std::filesystem;
    const fs::path dir = folder();
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "defaults.json";
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    NullLog log;
    platform::JsonFileUserDefaults defaults(file, log);
    std::vector<std::pair<std::string, platform::DefaultsValue>> seen;
    for (const std::string& key : defaults.keys()) {
        const auto value = defaults.object(key);
        fuzz::require(value.has_value(), "a listed key has a value", key);
        seen.emplace_back(key, *value);
    }
    defaults.set("fuzz.key", std::string("giá trị"));
    const platform::DefaultsChange batch[] = {
        {"qr.bankID", platform::DefaultsValue(std::string("VCB"))},
        {"modernTone", platform::DefaultsValue(false)},
    };
    try {
        defaults.apply(batch);
    } catch (const platform::DefaultsSaveError&) {
        fuzz::require(!defaults.persisting(), "a batch fails only for a file that is left alone");
        return 0;
    }
    fuzz::require(defaults.stringValue("fuzz.key") == "giá trị", "a change reads back");
    platform::JsonFileUserDefaults reloaded(file, log);
    for (const auto& [key, value] : seen) {
        if (key == "fuzz.key" || key == "qr.bankID" || key == "modernTone") {
            continue;
        }
        const auto again = reloaded.object(key);
        // A double may come back as an integer when it has no fraction.
        fuzz::require(again.has_value(), "a key survives a save", key);
        if (!std::holds_alternative<double>(value)) {
            fuzz::require(*again == value, "a value survives a save", key);
        }
    }
    fuzz::require(reloaded.boolValue("modernTone") == false, "the batch was saved");
    return 0;
}
