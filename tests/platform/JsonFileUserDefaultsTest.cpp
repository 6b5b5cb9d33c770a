#include "platform/JsonFileUserDefaults.h"

#include "TemporaryFolder.h"
#include "platform/DefaultsKeys.h"
#include "platform/Log.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace halvora::platform {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

class JsonFileUserDefaultsTest : public ::testing::Test {
  protected:
    fs::path file() const { return folder_ / "HalvoraIndependentBeta" / "defaults.json"; }
    JsonFileUserDefaults open() { return JsonFileUserDefaults(file(), log_); }

    TemporaryFolder folder_;
    RecordingLog log_;
};

TEST_F(JsonFileUserDefaultsTest, EveryKeyReadsBackWithItsTypeAfterReopening) {
    namespace keys = DefaultsKeys;
    const std::vector<std::pair<std::string, DefaultsValue>> values = {
        {std::string(keys::modernTone), false},
        {std::string(keys::suggestionsEnabled), true},
        {std::string(keys::smartAppSwitchingEnabled), false},
        {keys::modeKey("com.apple.Safari"), false},
        {keys::modeKey("org.telegram.desktop"), true},
        {std::string(keys::qrBankID), std::string("VCB")},
        {std::string(keys::qrAccountNumber), std::string("0123456789")},
        {std::string(keys::qrAccountName), std::string("Nguyễn Thị Lan")},
        {std::string(keys::qrAmount), std::string("")},
        {std::string(keys::qrDefaultMemo), std::string("Cảm ơn \"anh\"\n\\")},
        {std::string(keys::qrRandomMemo), false},
        {std::string(keys::qrRemainingWishes),
         std::vector<std::string>{"Chúc anh một ngày vui", ""}},
        {std::string(keys::qrLastWish), std::string("Chúc anh một ngày vui")},
        {std::string(keys::textToolsOperation), std::string("CHỮ HOA")},
        {"test.integer", std::int64_t{-9007199254740993}},
        {"test.integerMax", std::numeric_limits<std::int64_t>::max()},
        {"test.wholeDouble", 2.0},
        {"test.double", 0.1},
        {"test.emptyArray", std::vector<std::string>{}},
    };
    {
        JsonFileUserDefaults defaults = open();
        for (const auto& [key, value] : values) {
            defaults.set(key, value);
        }
    }
    JsonFileUserDefaults reopened = open();
    for (const auto& [key, value] : values) {
        SCOPED_TRACE(key);
        const std::optional<DefaultsValue> read = reopened.object(key);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->index(), value.index()) << "type changed";
        EXPECT_EQ(*read, value);
    }
    std::vector<std::string> expectedKeys;
    for (const auto& [key, value] : values) {
        expectedKeys.push_back(key);
    }
    std::ranges::sort(expectedKeys);
    EXPECT_EQ(reopened.keys(), expectedKeys);
    EXPECT_TRUE(log_.messages.empty());
}

TEST_F(JsonFileUserDefaultsTest, ValuesOfAnotherTypeAreNotConverted) {
    TemporaryFolder::write(file(),
                           R"({"modernTone": "false", "qr.randomMemo": 0, "qr.bankID": 970436,
        "qr.remainingWishes": "one", "qr.lastWish": ["x"], "n": 3, "d": 3.0})");
    JsonFileUserDefaults defaults = open();
    EXPECT_EQ(defaults.boolValue("modernTone"), std::nullopt);
    EXPECT_TRUE(defaults.boolOr("qr.randomMemo", true));
    EXPECT_EQ(defaults.stringValue("qr.bankID"), std::nullopt);
    EXPECT_EQ(defaults.integerValue("qr.bankID"), 970436);
    EXPECT_EQ(defaults.stringArrayValue("qr.remainingWishes"), std::nullopt);
    EXPECT_EQ(defaults.stringValue("qr.lastWish"), std::nullopt);
    EXPECT_EQ(defaults.object("n"), DefaultsValue(std::int64_t{3}));
    EXPECT_EQ(defaults.object("d"), DefaultsValue(3.0));
    EXPECT_EQ(defaults.object("absent"), std::nullopt);
}

TEST_F(JsonFileUserDefaultsTest, UnparseableFileIsMovedAsideAndDefaultsStartEmpty) {
    const std::string deep(60'000, '[');
    const std::vector<std::string> contents = {
        "",
        "{",
        "{\"a\": 1,}",
        "[true]",
        "\"text\"",
        "null",
        "{\"a\": \"\xff\"}",
        // Nested past the limit: loading it once crashed every later save.
        "{\"a\": " + deep + std::string(deep.size(), ']') + "}",
        // Larger than any settings file.
        "{" + std::string(JsonFileUserDefaults::maxFileBytes, ' ') + "}",
    };
    for (const std::string& content : contents) {
        SCOPED_TRACE(content.substr(0, 40));
        TemporaryFolder settings;
        const fs::path path = settings / "defaults.json";
        TemporaryFolder::write(path, content);
        log_.messages.clear();

        JsonFileUserDefaults defaults(path, log_);
        EXPECT_TRUE(defaults.keys().empty());
        EXPECT_FALSE(fs::exists(path));
        const std::vector<std::string> names = TemporaryFolder::names(settings.path());
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(names[0].starts_with("defaults.unreadable-")) << names[0];
        EXPECT_EQ(TemporaryFolder::read(settings / names[0]), content);
        ASSERT_EQ(log_.messages.size(), 1u);
        EXPECT_NE(log_.messages[0].find(names[0]), std::string::npos) << log_.messages[0];

        defaults.set("modernTone", false);
        EXPECT_EQ(TemporaryFolder::read(settings / names[0]), content);
        EXPECT_EQ(JsonFileUserDefaults(path, log_).boolValue("modernTone"), false);
    }
}

TEST_F(JsonFileUserDefaultsTest, ValuesWithoutADefaultsTypeAreKeptButReadAsAbsent) {
    TemporaryFolder::write(file(), R"({"obj": {"x": 1}, "nul": null, "mixed": [1, "x"],
        "huge": 18446744073709551615, "modernTone": false})");
    {
        JsonFileUserDefaults defaults = open();
        EXPECT_EQ(defaults.keys(), std::vector<std::string>{"modernTone"});
        for (const char* key : {"obj", "nul", "mixed", "huge"}) {
            EXPECT_EQ(defaults.object(key), std::nullopt) << key;
        }
        defaults.set("suggestionsEnabled", true);
    }
    const auto written = nlohmann::json::parse(TemporaryFolder::read(file()));
    EXPECT_EQ(written, nlohmann::json::parse(R"({"obj": {"x": 1}, "nul": null, "mixed": [1, "x"],
        "huge": 18446744073709551615, "modernTone": false, "suggestionsEnabled": true})"));
}

TEST_F(JsonFileUserDefaultsTest, RemovalIsWrittenThroughAndChangesOnlyWhatChanged) {
    {
        JsonFileUserDefaults defaults = open();
        defaults.removeObject("never.set");
        EXPECT_FALSE(fs::exists(file())) << "nothing to write yet";
        defaults.set("a", "1");
        defaults.set("b", "2");
        defaults.removeObject("a");
    }
    EXPECT_EQ(open().keys(), std::vector<std::string>{"b"});
    EXPECT_EQ(TemporaryFolder::names(file().parent_path()),
              std::vector<std::string>{"defaults.json"});
}

TEST_F(JsonFileUserDefaultsTest, NonFiniteNumbersAreRefusedAndLogged) {
    JsonFileUserDefaults defaults = open();
    defaults.set("x", DefaultsValue(1.5));
    defaults.set("x", DefaultsValue(std::nan("")));
    defaults.set("x", DefaultsValue(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(defaults.object("x"), DefaultsValue(1.5));
    EXPECT_EQ(open().object("x"), DefaultsValue(1.5));
    EXPECT_EQ(log_.messages.size(), 2u);
}

TEST_F(JsonFileUserDefaultsTest, AFileThatCannotBeReadIsNeverOverwritten) {
    fs::create_directories(file());  // a folder where the file should be
    JsonFileUserDefaults defaults = open();
    EXPECT_FALSE(defaults.persisting());
    defaults.set("modernTone", false);
    EXPECT_EQ(defaults.boolValue("modernTone"), false) << "changes still apply in memory";
    EXPECT_TRUE(fs::is_directory(file()));
    EXPECT_FALSE(log_.messages.empty());
}

TEST_F(JsonFileUserDefaultsTest, ABatchIsSavedInOneWriteOrNotAtAll) {
    JsonFileUserDefaults defaults = open();
    defaults.set("qr.bankID", "VCB");
    defaults.set("qr.amount", "5");
    const std::vector<DefaultsChange> changes = {
        {"qr.bankID", DefaultsValue(std::string("ACB"))},
        {"qr.accountNumber", DefaultsValue(std::string("0123456"))},
        {"qr.amount", std::nullopt},
    };
    defaults.apply(changes);
    JsonFileUserDefaults reopened = open();
    EXPECT_EQ(reopened.stringValue("qr.bankID"), "ACB");
    EXPECT_EQ(reopened.stringValue("qr.accountNumber"), "0123456");
    EXPECT_EQ(reopened.object("qr.amount"), std::nullopt);

    // The folder is no longer one: the write fails, and nothing changed.
    fs::remove_all(file().parent_path());
    TemporaryFolder::write(file().parent_path(), "not a folder");
    const std::vector<DefaultsChange> more = {{"qr.bankID", DefaultsValue(std::string("TCB"))},
                                              {"qr.accountName", DefaultsValue(std::string("A"))}};
    EXPECT_THROW(defaults.apply(more), DefaultsSaveError);
    EXPECT_EQ(defaults.stringValue("qr.bankID"), "ACB");
    EXPECT_EQ(defaults.object("qr.accountName"), std::nullopt);

    // A settings file that cannot be read refuses every batch.
    fs::remove(file().parent_path());
    fs::create_directories(file());
    JsonFileUserDefaults unreadable = open();
    EXPECT_THROW(unreadable.apply(changes), DefaultsSaveError);
    EXPECT_EQ(unreadable.object("qr.bankID"), std::nullopt);
    EXPECT_TRUE(fs::is_directory(file()));
}

TEST_F(JsonFileUserDefaultsTest, OnlyARegularFileIsReadAndNothingElseIsReplaced) {
    // A device that never ends and a pipe without a writer: neither is read
    // (nor waited on), both stay where they are.
    fs::create_directories(file().parent_path());
    const auto makeFifo = [](const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); };
    const std::vector<std::function<void(const fs::path&)>> makers = {
        [](const fs::path& path) { fs::create_symlink("/dev/zero", path); }, makeFifo};
    for (const auto& make : makers) {
        fs::remove(file());
        make(file());
        log_.messages.clear();
        JsonFileUserDefaults defaults = open();
        EXPECT_FALSE(defaults.persisting());
        EXPECT_EQ(log_.messages.size(), 1u);
        defaults.set("modernTone", false);
        EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(file())));
    }
}

TEST_F(JsonFileUserDefaultsTest, ALinkedSettingsFileIsReplacedThroughTheLink) {
    // A dotfiles set-up: the settings file is a (relative) link into a repository.
    const fs::path real = folder_ / "dotfiles" / "halvora.json";
    TemporaryFolder::write(real, R"({"modernTone": true})");
    fs::create_directories(file().parent_path());
    fs::create_symlink("../dotfiles/halvora.json", file());
    open().set("modernTone", false);
    const std::vector<DefaultsChange> batch = {{"suggestionsEnabled", DefaultsValue(false)}};
    open().apply(batch);
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(fs::read_symlink(file()), "../dotfiles/halvora.json");
    const auto written = nlohmann::json::parse(TemporaryFolder::read(real));
    EXPECT_EQ(written,
              nlohmann::json::parse(R"({"modernTone": false, "suggestionsEnabled": false})"));
    EXPECT_EQ(TemporaryFolder::names(file().parent_path()),
              std::vector<std::string>{"defaults.json"});
}

TEST_F(JsonFileUserDefaultsTest, OldTemporaryFilesOfInterruptedWritesAreRemovedAtStartUp) {
    const fs::path folder = file().parent_path();
    const fs::path dotfiles = folder_ / "dotfiles";
    const struct {
        fs::path file;
        bool removed;
    } entries[] = {
        {folder / ".defaults.json.a1B2c3", true},
        {folder / ".defaults.json.a1B2c", false},  // not a name this program makes
        {folder / ".defaults.json.a1B2c3.bak", false},
        {folder / ".notes.json.a1B2c3", false},
        {folder / "defaults.unreadable-20261208T000000Z.json", false},
        {dotfiles / ".halvora.json.Zz9Yy8", true},  // beside the file the link points to
        {dotfiles / ".other.json.Zz9Yy8", false},
    };
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    for (const auto& entry : entries) {
        TemporaryFolder::write(entry.file, "x");
        fs::last_write_time(entry.file, old);
    }
    TemporaryFolder::write(folder / ".defaults.json.young1", "being written");
    TemporaryFolder::write(dotfiles / "halvora.json", R"({"modernTone": true})");
    fs::create_symlink("../dotfiles/halvora.json", file());

    JsonFileUserDefaults defaults = open();
    for (const auto& entry : entries) {
        EXPECT_EQ(fs::exists(entry.file), !entry.removed) << entry.file;
    }
    EXPECT_EQ(defaults.boolValue("modernTone"), true);
    EXPECT_TRUE(fs::exists(folder / ".defaults.json.young1")) << "a write may still be running";
    EXPECT_EQ(defaults.removeLeftovers(std::chrono::seconds(0)), 1u) << "the young one, once old";
}

TEST(JsonFileUserDefaultsPathTest, DefaultFileFollowsXdgConfigHome) {
    const auto saved = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const std::optional<std::string> config = saved("XDG_CONFIG_HOME");
    const std::optional<std::string> home = saved("HOME");

    ::setenv("HOME", "/home/lan", 1);
    ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(JsonFileUserDefaults::defaultFile(),
              fs::path("/tmp/cfg/HalvoraIndependentBeta/defaults.json"));
    ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // ignored: not absolute
    EXPECT_EQ(JsonFileUserDefaults::defaultFile(),
              fs::path("/home/lan/.config/HalvoraIndependentBeta/defaults.json"));
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(JsonFileUserDefaults::defaultFile(),
              fs::path("/home/lan/.config/HalvoraIndependentBeta/defaults.json"));

    config ? ::setenv("XDG_CONFIG_HOME", config->c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    home ? ::setenv("HOME", home->c_str(), 1) : ::unsetenv("HOME");
}

}  // namespace
}  // namespace halvora::platform
