#include "util/Files.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace halvora::util {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

TEST(FilesTest, AtomicWriteReplacesTheFileAndLeavesNoTemporaryFile) {
    TemporaryFolder folder;
    const fs::path file = folder / "data.json";
    writeFileAtomically(file, "first");
    writeFileAtomically(file, std::string("second\0", 7));
    EXPECT_EQ(TemporaryFolder::read(file), std::string("second\0", 7));
    EXPECT_EQ(TemporaryFolder::names(folder.path()), std::vector<std::string>{"data.json"});
    EXPECT_EQ(readFile(file, 7), std::string("second\0", 7));
}

TEST(FilesTest, FailuresCarryTheSystemErrorAndKeepTheOldFile) {
    TemporaryFolder folder;
    try {
        readFile(folder / "missing", 1);
        FAIL() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_THROW(writeFileAtomically(folder / "no-folder" / "x", "x"), std::system_error);

    const fs::path target = folder / "target";
    TemporaryFolder::write(target, "old");
    EXPECT_THROW(copyFileAtomically(folder / "missing", target, 1), std::system_error);
    EXPECT_EQ(TemporaryFolder::read(target), "old");
    EXPECT_EQ(TemporaryFolder::names(folder.path()), std::vector<std::string>{"target"});
}

TEST(FilesTest, OnlyRegularFilesWithinTheLimitAreRead) {
    TemporaryFolder folder;
    const fs::path file = folder / "a.json";
    TemporaryFolder::write(file, "12345");
    EXPECT_EQ(readFile(file, 5), "12345");
    const fs::path pipe = folder / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::pair<fs::path, std::errc> refused[] = {
        {file, std::errc::file_too_large},  // with a limit of 4
        {"/dev/zero", std::errc::not_supported},
        {pipe, std::errc::not_supported},  // no writer: must not wait for one
        {folder.path(), std::errc::not_supported},
    };
    for (const auto& [path, expected] : refused) {
        try {
            readFile(path, 4);
            ADD_FAILURE() << path << " was read";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), expected) << path;
        }
    }
    EXPECT_THROW(copyFileAtomically(file, folder / "copy", 4), std::system_error);
    EXPECT_THROW(copyFileAtomically("/dev/zero", folder / "copy", 1 << 20), std::system_error);
    EXPECT_FALSE(fs::exists(folder / "copy"));
}

TEST(FilesTest, NestingIsCountedOutsideStrings) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"[]", 1},
        {R"({"a": [{"b": []}]})", 4},
        {R"(["[[[[", "\"[[[", {}])", 2},
        {std::string(100, '[') + std::string(100, ']'), 100},
        {"[[]][[]]", 2},
    };
    for (const auto& [text, depth] : cases) {
        EXPECT_FALSE(jsonNestingExceeds(text, depth)) << text;
        EXPECT_TRUE(jsonNestingExceeds(text, depth - 1)) << text;
    }
}

TEST(FilesTest, AnAtomicReplaceOfALinkReplacesWhatItPointsTo) {
    TemporaryFolder folder;
    TemporaryFolder::write(folder / "real" / "settings.json", "old");
    fs::create_symlink("real/settings.json", folder / "middle.json");
    fs::create_symlink(folder / "middle.json", folder / "link.json");  // a chain, one absolute
    writeFileAtomically(folder / "link.json", "new");
    EXPECT_TRUE(fs::is_symlink(folder / "link.json"));
    EXPECT_TRUE(fs::is_symlink(folder / "middle.json"));
    EXPECT_EQ(TemporaryFolder::read(folder / "real" / "settings.json"), "new");
    // A link to nothing yet creates the file it names.
    fs::create_symlink("real/later.json", folder / "dangling.json");
    writeFileAtomically(folder / "dangling.json", "made");
    EXPECT_EQ(TemporaryFolder::read(folder / "real" / "later.json"), "made");
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.json"));
}

TEST(FilesTest, FilesKeptAsideNeverReplaceEarlierOnes) {
    TemporaryFolder folder;
    const fs::path file = folder / "snippets.json";
    std::vector<fs::path> copies;
    for (const std::string content : {"one", "two", "three"}) {
        TemporaryFolder::write(file, content);
        copies.push_back(copyAside(file, "unreadable"));
        EXPECT_EQ(TemporaryFolder::read(file), content);
    }
    const fs::path moved = moveAside(file, "unreadable");
    EXPECT_FALSE(fs::exists(file));
    copies.push_back(moved);

    const std::vector<std::string> expected = {"one", "two", "three", "three"};
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const std::string name = copies[i].filename().string();
        EXPECT_TRUE(name.starts_with("snippets.unreadable-") && name.ends_with(".json")) << name;
        EXPECT_EQ(copies[i].parent_path(), folder.path());
        EXPECT_EQ(TemporaryFolder::read(copies[i]), expected[i]) << name;
    }
    EXPECT_EQ(TemporaryFolder::names(folder.path()).size(), 4u);
}

}  // namespace
}  // namespace halvora::util
