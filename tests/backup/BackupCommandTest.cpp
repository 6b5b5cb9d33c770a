#include "cli/BackupCommand.h"
#include "workspace/BackupViewModel.h"

#include "BackupFixture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace halvora::cli {
namespace {

namespace fs = std::filesystem;
using backup::BackupImportMode;
using backup::testing::BackupTest;
using backup::testing::imageBytes;
using backup::testing::makeSnippet;
using Action = BackupOptions::Action;

TEST(BackupCommandTest, ParsesActionsFilesAndModes) {
    const auto parsed = [](std::vector<std::string_view> args) {
        return parseBackupArguments(args);
    };
    BackupOptions imported;
    imported.action = Action::importArchive;
    imported.file = "a.json";
    imported.mode = BackupImportMode::replace;
    imported.dataFolder = fs::path("d");
    imported.configFolder = fs::path("c");
    EXPECT_EQ(std::get<BackupOptions>(
                  parsed({"import", "--data", "d", "a.json", "--replace", "--config", "c"})),
              imported);
    EXPECT_EQ(std::get<BackupOptions>(parsed({"export", "x.json"})).action, Action::exportArchive);
    EXPECT_EQ(std::get<BackupOptions>(parsed({"import", "x.json", "--merge"})).mode,
              BackupImportMode::merge);

    const std::vector<std::vector<std::string_view>> refused = {
        {},
        {"export"},
        {"import", "x.json"},
        {"import", "x.json", "--merge", "--replace"},
        {"export", "x.json", "--merge"},
        {"copy", "x.json"},
        {"inspect", "x.json", "y.json"},
        {"inspect", "x.json", "--data"},
        {"inspect", "x.json", "--force"},
    };
    for (const auto& args : refused) {
        EXPECT_TRUE(std::holds_alternative<std::string>(parsed(args))) << args.size();
    }
}

TEST(BackupCommandTest, ImportMessageNamesOnlyWhatHappened) {
    backup::BackupImportResult result;
    result.safetyCopy = "/data/truoc-khi-nhap-X.halvora.json";
    result.skippedCount = 4;
    EXPECT_EQ(workspace::BackupViewModel::importMessage(result),
              "Đã nhập 0 mẫu. Bỏ qua 4 mẫu đã có. Bản dữ liệu cũ: truoc-khi-nhap-X.halvora.json");
    result = {3, 2, 0, "/d/s.json"};
    EXPECT_EQ(workspace::BackupViewModel::importMessage(result),
              "Đã nhập 3 mẫu. Đổi 2 mã bị trùng. Bản dữ liệu cũ: s.json");
}

TEST_F(BackupTest, CommandExportsInspectsAndImportsWithThePageMessages) {
    addWithImage(";anh", imageBytes("a"));
    store().append(makeSnippet("chao"));
    defaults_.set("qr.bankID", "VCB");
    std::ostringstream out;
    std::ostringstream err;
    BackupOptions options;
    options.action = Action::exportArchive;
    options.file = temporary_ / "Halvora-SaoLuu-2026-12-08.json";
    EXPECT_EQ(runBackup(options, store(), defaults_, ports(), out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "Đã xuất bản sao lưu: Halvora-SaoLuu-2026-12-08.json\n");

    out.str("");
    options.action = Action::inspect;
    EXPECT_EQ(runBackup(options, store(), defaults_, ports(), out, err), 0) << err.str();
    EXPECT_TRUE(out.str().starts_with("Bản sao lưu có 2 mẫu.\n")) << out.str();
    EXPECT_NE(out.str().find("images: 1 ("), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("qr profile: VCB"), std::string::npos) << out.str();

    out.str("");
    options.action = Action::importArchive;
    options.mode = BackupImportMode::merge;
    EXPECT_EQ(runBackup(options, store(), defaults_, ports(), out, err), 0) << err.str();
    EXPECT_TRUE(
        out.str().starts_with("Đã nhập 0 mẫu. Bỏ qua 2 mẫu đã có. Bản dữ liệu cũ: "
                              "truoc-khi-nhap-"))
        << out.str();
    EXPECT_EQ(err.str(), "");
}

TEST_F(BackupTest, CommandPrintsTheErrorAndFails) {
    std::ostringstream out;
    std::ostringstream err;
    BackupOptions options;
    options.action = Action::importArchive;
    options.file = temporary_ / "not-a-backup.json";
    backup::testing::TemporaryFolder::write(options.file, R"({"version":2})");
    EXPECT_EQ(runBackup(options, store(), defaults_, ports(), out, err), 1);
    EXPECT_EQ(err.str(), "Bản sao lưu không hợp lệ: không đọc được định dạng\n");
    EXPECT_EQ(out.str(), "");

    err.str("");
    options.action = Action::exportArchive;
    options.file = store().file();
    EXPECT_EQ(runBackup(options, store(), defaults_, ports(), out, err), 1);
    EXPECT_EQ(err.str(), "Bản sao lưu không hợp lệ: không thể ghi đè file dữ liệu đang sử dụng\n");
}

TEST_F(BackupTest, AnImportWhoseProfileCannotBeSavedFailsAndKeepsTheSnippets) {
    store().append(makeSnippet("moi"));
    defaults_.set("qr.bankID", "ACB");
    const fs::path archive = exported();
    // Another set-up whose settings file is a folder: nothing can be saved there.
    const fs::path data = temporary_ / "other-data";
    const fs::path config = temporary_ / "other-config";
    fs::create_directories(config / "defaults.json");
    {
        platform::RecordingLog log;
        snippets::SnippetStore other(data, log);
        other.append(makeSnippet("cu"));
    }
    const std::string before = backup::testing::TemporaryFolder::read(data / "snippets.json");
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runBackupCommand({"import", archive.string(), "--replace", "--data", data.string(),
                                "--config", config.string()},
                               out, err),
              1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("Không lưu được cấu hình QR nên chưa nhập gì."), std::string::npos)
        << err.str();
    EXPECT_EQ(backup::testing::TemporaryFolder::read(data / "snippets.json"), before);
}

}  // namespace
}  // namespace halvora::cli
