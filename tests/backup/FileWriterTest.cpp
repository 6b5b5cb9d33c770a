// The real file writer's streamed and batch writes: each file appears whole
// or not at all, private to the user, and nothing temporary stays behind.

#include "backup/FileWriter.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <sys/stat.h>

namespace halvora::backup {
namespace {

namespace fs = std::filesystem;
using halvora::testing::TemporaryFolder;

unsigned modeOf(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
    return info.st_mode & 0777;
}

TEST(FileWriterTest, AStreamIsWrittenPieceByPieceAndReplacesTheFileWhole) {
    TemporaryFolder folder;
    const fs::path file = folder / "archive.json";
    TemporaryFolder::write(file, "old");
    AtomicFileWriter writer;
    std::string expected;
    writer.streamAtomically(file, [&](ByteSink& sink) {
        for (int i = 0; i < 3000; ++i) {  // about 12 MB: past a writeback step
            const std::string piece(4096, static_cast<char>('a' + i % 26));
            sink.write(piece);
            expected += piece;
        }
    });
    EXPECT_EQ(TemporaryFolder::read(file), expected);
    EXPECT_EQ(modeOf(file), 0600U);
    EXPECT_EQ(TemporaryFolder::names(folder.path()), std::vector<std::string>{"archive.json"});
}

TEST(FileWriterTest, AFailingStreamLeavesTheOldFileAndNoTemporaryFile) {
    TemporaryFolder folder;
    const fs::path file = folder / "archive.json";
    TemporaryFolder::write(file, "old");
    AtomicFileWriter writer;
    EXPECT_THROW(writer.streamAtomically(file,
                                         [](ByteSink& sink) {
                                             sink.write("half of it");
                                             throw std::runtime_error("producer failed");
                                         }),
                 std::runtime_error);
    EXPECT_EQ(TemporaryFolder::read(file), "old");
    EXPECT_EQ(TemporaryFolder::names(folder.path()), std::vector<std::string>{"archive.json"});
    // A destination whose folder does not exist fails before producing.
    bool produced = false;
    EXPECT_THROW(
        writer.streamAtomically(folder / "missing" / "a.json", [&](ByteSink&) { produced = true; }),
        std::system_error);
    EXPECT_FALSE(produced);
}

TEST(FileWriterTest, ABatchWritesEveryFileInOrderAcrossWindows) {
    TemporaryFolder folder;
    std::vector<std::string> contents;
    std::vector<FileContent> files;
    for (int i = 0; i < 70; ++i) {  // more than one window of open files
        contents.push_back("image " + std::to_string(i) + std::string(1000 * i, 'x'));
    }
    for (int i = 0; i < 70; ++i) {
        files.push_back({folder / ("f" + std::to_string(i)), contents[i]});
    }
    AtomicFileWriter writer;
    std::vector<std::size_t> reported;
    writer.writeAllAtomically(files, [&](std::size_t index) { reported.push_back(index); });
    ASSERT_EQ(reported.size(), 70U);
    for (std::size_t i = 0; i < reported.size(); ++i) {
        EXPECT_EQ(reported[i], i);
        EXPECT_EQ(TemporaryFolder::read(files[i].file), contents[i]);
        EXPECT_EQ(modeOf(files[i].file), 0600U);
    }
    EXPECT_EQ(TemporaryFolder::names(folder.path()).size(), 70U);
}

TEST(FileWriterTest, AFailedBatchKeepsOnlyWhatItReported) {
    for (const std::size_t failing : {std::size_t{0}, std::size_t{2}, std::size_t{66}}) {
        SCOPED_TRACE(failing);
        TemporaryFolder folder;
        std::vector<FileContent> files;
        for (std::size_t i = 0; i < 70; ++i) {
            // A file in a folder that does not exist cannot be written.
            const fs::path place = i == failing ? folder / "missing" : folder.path();
            files.push_back({place / ("f" + std::to_string(i)), "content"});
        }
        std::vector<std::size_t> reported;
        AtomicFileWriter writer;
        EXPECT_THROW(
            writer.writeAllAtomically(files, [&](std::size_t index) { reported.push_back(index); }),
            std::system_error);
        // What was reported is in place, and nothing else is in the folder.
        std::vector<std::string> expected;
        for (const std::size_t index : reported) {
            EXPECT_LT(index, failing);
            expected.push_back(files[index].file.filename().string());
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(TemporaryFolder::names(folder.path()), expected);
    }
}

/// A writer with only the two required operations: the streamed and batch
/// forms fall back on them.
class PlainWriter final : public FileWriter {
  public:
    void writeAtomically(const fs::path& file, std::string_view bytes) override {
        writes.emplace_back(file.filename().string(), std::string(bytes));
    }
    bool remove(const fs::path&) noexcept override { return true; }

    std::vector<std::pair<std::string, std::string>> writes;
};

TEST(FileWriterTest, TheDefaultsGoThroughWriteAtomically) {
    PlainWriter writer;
    writer.streamAtomically("/x/a.json", [](ByteSink& sink) {
        sink.write("{");
        sink.write("}");
    });
    const std::vector<FileContent> files = {{"/x/1", "one"}, {"/x/2", "two"}};
    std::vector<std::size_t> reported;
    writer.writeAllAtomically(files, [&](std::size_t index) { reported.push_back(index); });
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"a.json", "{}"}, {"1", "one"}, {"2", "two"}};
    EXPECT_EQ(writer.writes, expected);
    EXPECT_EQ(reported, (std::vector<std::size_t>{0, 1}));
}

}  // namespace
}  // namespace halvora::backup
