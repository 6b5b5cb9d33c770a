#include "util/Files.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(readFile(file), std::string("second\0", 7));
}

TEST(FilesTest, FailuresCarryTheSystemErrorAndKeepTheOldFile) {
    TemporaryFolder folder;
    try {
        readFile(folder / "missing");
        FAIL() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_THROW(writeFileAtomically(folder / "no-folder" / "x", "x"), std::system_error);

    const fs::path target = folder / "target";
    TemporaryFolder::write(target, "old");
    EXPECT_THROW(copyFileAtomically(folder / "missing", target), std::system_error);
    EXPECT_EQ(TemporaryFolder::read(target), "old");
    EXPECT_EQ(TemporaryFolder::names(folder.path()), std::vector<std::string>{"target"});
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
