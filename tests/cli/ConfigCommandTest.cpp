#include "cli/ConfigCommand.h"

#include "TemporaryFolder.h"
#include "platform/JsonFileUserDefaults.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace halvora::cli {
namespace {

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

class ConfigCommandTest : public ::testing::Test {
  protected:
    CommandRun config(std::vector<std::string> words) {
        std::vector<std::string_view> args;
        args.push_back("--config");
        const std::string folder = folder_.path().string();
        args.push_back(folder);
        for (const std::string& word : words) {
            args.push_back(word);
        }
        std::ostringstream out, err;
        const int status = runConfigCommand(args, out, err);
        return {status, out.str(), err.str()};
    }

    std::optional<platform::DefaultsValue> stored(std::string_view key) {
        platform::RecordingLog log;
        return platform::JsonFileUserDefaults(folder_ / "defaults.json", log).object(key);
    }

    halvora::testing::TemporaryFolder folder_;
};

TEST_F(ConfigCommandTest, SetStoresTypedValuesThatGetPrints) {
    using platform::DefaultsValue;
    const struct {
        std::vector<std::string> set;
        DefaultsValue expected;
        std::string printed;
    } cases[] = {
        {{"set", "qr.randomMemo", "false"}, DefaultsValue(false), "false\n"},
        {{"set", "qr.randomMemo", "true"}, DefaultsValue(true), "true\n"},
        {{"set", "qr.amount", "150000"}, DefaultsValue(std::string("150000")), "150000\n"},
        {{"set", "qr.accountName", "Nguyễn Văn Đức"},
         DefaultsValue(std::string("Nguyễn Văn Đức")),
         "Nguyễn Văn Đức\n"},
        {{"set", "--string", "k", "true"}, DefaultsValue(std::string("true")), "true\n"},
        {{"set", "--bool", "k", "false"}, DefaultsValue(false), "false\n"},
        {{"set", "--int", "k", "-5"}, DefaultsValue(std::int64_t{-5}), "-5\n"},
        {{"set", "--double", "k", "1.5"}, DefaultsValue(1.5), "1.5\n"},
        {{"set", "--array", "k", "a", "b c"},
         DefaultsValue(std::vector<std::string>{"a", "b c"}),
         "[\"a\",\"b c\"]\n"},
        {{"set", "--array", "k"}, DefaultsValue(std::vector<std::string>{}), "[]\n"},
        {{"set", "k", "--", "--not-an-option"},
         DefaultsValue(std::string("--not-an-option")),
         "--not-an-option\n"},
    };
    for (const auto& c : cases) {
        const CommandRun set = config(c.set);
        ASSERT_EQ(set.status, 0) << c.set[1] << set.err;
        const std::string key = c.set[1].starts_with("--") ? c.set[2] : c.set[1];
        EXPECT_EQ(stored(key), c.expected) << key;
        const CommandRun get = config({"get", key});
        EXPECT_EQ(get.status, 0);
        EXPECT_EQ(get.out, c.printed);
    }
}

TEST_F(ConfigCommandTest, UnsetListAndMissingKeys) {
    ASSERT_EQ(config({"set", "b", "x"}).status, 0);
    ASSERT_EQ(config({"set", "a", "true"}).status, 0);
    EXPECT_EQ(config({"list"}).out, "a\ttrue\nb\tx\n");
    EXPECT_EQ(config({"unset", "a"}).status, 0);
    EXPECT_FALSE(stored("a"));
    EXPECT_EQ(config({"unset", "a"}).status, 0);  // already gone: nothing to do
    const CommandRun missing = config({"get", "a"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "halvora: config: a is not set\n");
}

TEST_F(ConfigCommandTest, UsageErrorsChangeNothing) {
    const std::vector<std::string> cases[] = {
        {},
        {"frobnicate"},
        {"get"},
        {"get", "a", "b"},
        {"set", "k"},
        {"set", "k", "a", "b"},
        {"set", "--int", "k", "5a"},
        {"set", "--int", "k", "99999999999999999999"},
        {"set", "--double", "k", "nan"},
        {"set", "--bool", "k", "yes"},
        {"set", "--int", "--string", "k", "5"},
        {"get", "--int", "k"},
        {"set", "--colour", "k", "v"},
        {"unset"},
        {"list", "x"},
    };
    for (const auto& words : cases) {
        const CommandRun run = config(words);
        EXPECT_EQ(run.status, 2) << (words.empty() ? "" : words[0]);
        EXPECT_NE(run.err.find("usage: halvora config"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(folder_ / "defaults.json"));
}

TEST_F(ConfigCommandTest, AChangeThatCannotBeSavedFails) {
    // The settings folder is a file: nothing can be written under it.
    halvora::testing::TemporaryFolder::write(folder_ / "blocked", "x");
    std::ostringstream out, err;
    const std::string folder = (folder_ / "blocked").string();
    EXPECT_EQ(runConfigCommand({"--config", folder, "set", "k", "v"}, out, err), 1);
    EXPECT_NE(err.str().find("could not be saved"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace halvora::cli
