#include "WorkspaceFixture.h"
#include "backup/FileWriter.h"
#include "workspace/BackupViewModel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <span>

#include <sys/stat.h>

namespace halvora::workspace {
namespace {

using halvora::testing::TemporaryFolder;

class BackupViewModelTest : public testing::WorkspaceFixture {
  protected:
    backup::AtomicFileWriter writer_;
    backup::BackupPorts ports_{desktop_.imageCodec(), writer_};
    BackupViewModel model_{store_, desktop_.userDefaults(), desktop_, desktop_.alerts(), ports_};

    const std::vector<platform::Alert>& alerts() { return desktop_.alerts().shown(); }
};

TEST_F(BackupViewModelTest, LocalDataCard) {
    addSnippet("Một", "mot");
    addSnippet("Hai", "hai");
    EXPECT_EQ(model_.snippetCountLine(), "2 mẫu · Tự động lưu khi chỉnh sửa");
    EXPECT_FALSE(model_.showLocation());
    EXPECT_EQ(model_.locationButtonTitle(), "Xem đường dẫn");
    model_.toggleLocation();
    EXPECT_TRUE(model_.showLocation());
    EXPECT_EQ(model_.locationButtonTitle(), "Ẩn đường dẫn");
    EXPECT_EQ(model_.dataFolderPath(), (folder_ / "data").string());

    model_.revealDataFolder();
    EXPECT_EQ(desktop_.revealedFiles(),
              std::vector<std::string>{(folder_ / "data" / "snippets.json").string()});

    std::filesystem::remove(store_.file());
    model_.saveNow();
    EXPECT_EQ(model_.statusMessage(), "Đã lưu 2 mẫu vào thư mục dữ liệu.");
    EXPECT_TRUE(std::filesystem::exists(store_.file()));
    EXPECT_TRUE(alerts().empty());
}

TEST_F(BackupViewModelTest, SuggestedExportName) {
    using namespace std::chrono;
    EXPECT_EQ(BackupViewModel::suggestedExportName(year{2026} / 3 / 7),
              "Halvora-SaoLuu-2026-03-07.json");
    const std::string today = BackupViewModel::suggestedExportName();
    EXPECT_EQ(today.size(), std::string("Halvora-SaoLuu-2026-03-07.json").size()) << today;
}

TEST_F(BackupViewModelTest, ExportThenMergeIntoTheSameDataSkipsEverything) {
    addSnippet("Một", "mot", "một");
    addSnippet("Hai", "hai", "hai");
    const std::filesystem::path archive = folder_ / "out" / "Halvora-SaoLuu-2026-01-02.json";
    std::filesystem::create_directories(archive.parent_path());
    model_.exportTo(archive);
    EXPECT_EQ(model_.statusMessage(), "Đã xuất bản sao lưu: Halvora-SaoLuu-2026-01-02.json");
    ASSERT_TRUE(std::filesystem::exists(archive));
    struct stat info {};
    ASSERT_EQ(::stat(archive.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    desktop_.alerts().scriptAnswer(0);  // merge
    model_.chooseImportFile(archive);
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_EQ(alerts()[0].message, "Bản sao lưu có 2 mẫu. Anh muốn nhập theo cách nào?");
    EXPECT_EQ(alerts()[0].informativeText,
              "Halvora sẽ tự tạo một bản sao dữ liệu hiện tại trong thư mục của app trước khi "
              "nhập. Mã gõ bị trùng khi nhập thêm sẽ được đổi tên.");
    EXPECT_EQ(alerts()[0].buttons,
              (std::vector<std::string>{"Nhập thêm (giữ dữ liệu hiện có)",
                                        "Thay thế toàn bộ mẫu và cấu hình QR", "Hủy"}));
    EXPECT_EQ(alerts()[0].destructiveButtons, std::vector<std::size_t>{1})
        << "Return never replaces";
    EXPECT_EQ(model_.pendingBackup(), std::nullopt);
    ASSERT_TRUE(model_.statusMessage());
    const std::string prefix = "Đã nhập 0 mẫu. Bỏ qua 2 mẫu đã có. Bản dữ liệu cũ: truoc-khi-nhap-";
    EXPECT_EQ(model_.statusMessage()->substr(0, prefix.size()), prefix) << *model_.statusMessage();
    const std::string safetyCopy = model_.statusMessage()->substr(prefix.size() - 15);
    EXPECT_TRUE(std::filesystem::exists(store_.folder() / safetyCopy)) << safetyCopy;
    EXPECT_EQ(store_.snippets().size(), 2u);
}

TEST_F(BackupViewModelTest, ReplaceAndCancel) {
    addSnippet("Cũ", "cu");
    const std::filesystem::path archive = folder_ / "a.json";
    model_.exportTo(archive);
    store_.setSnippets({});
    addSnippet("Mới", "moi");
    addSnippet("Mới 2", "moi2");

    desktop_.alerts().scriptAnswer(2);  // "Hủy"
    model_.chooseImportFile(archive);
    EXPECT_EQ(model_.pendingBackup(), std::nullopt);
    EXPECT_EQ(store_.snippets().size(), 2u);
    EXPECT_EQ(model_.statusMessage(), "Đã xuất bản sao lưu: a.json") << "unchanged";

    desktop_.alerts().scriptAnswer(1);  // replace
    model_.chooseImportFile(archive);
    ASSERT_EQ(store_.snippets().size(), 1u);
    EXPECT_EQ(store_.snippets()[0].title, "Cũ");
    ASSERT_TRUE(model_.statusMessage());
    EXPECT_EQ(model_.statusMessage()->rfind("Đã nhập 1 mẫu. Bản dữ liệu cũ: truoc-khi-nhap-", 0),
              0u)
        << *model_.statusMessage();
}

TEST_F(BackupViewModelTest, ImportMessage) {
    const struct {
        backup::BackupImportResult result;
        const char* message;
    } cases[] = {
        {{3, 0, 0, "/x/truoc-khi-nhap-A.halvora.json"},
         "Đã nhập 3 mẫu. Bản dữ liệu cũ: truoc-khi-nhap-A.halvora.json"},
        {{2, 1, 4, "/x/c.json"},
         "Đã nhập 2 mẫu. Bỏ qua 4 mẫu đã có. Đổi 1 mã bị trùng. Bản dữ "
         "liệu cũ: c.json"},
        {{0, 2, 0, "c.json"}, "Đã nhập 0 mẫu. Đổi 2 mã bị trùng. Bản dữ liệu cũ: c.json"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BackupViewModel::importMessage(c.result), c.message);
    }
}

TEST_F(BackupViewModelTest, AFailedLoadShowsTheErrorAndNeverAsks) {
    model_.saveNow();
    const std::optional<std::string> earlier = model_.statusMessage();
    TemporaryFolder::write(folder_ / "bad.json", "{ not an archive");
    std::optional<std::string> shownWhileOpen;
    const util::Connection c = model_.observe([&] {
        if (model_.errorMessage()) {
            shownWhileOpen = model_.errorMessage();
        }
    });
    model_.chooseImportFile(folder_ / "bad.json");
    ASSERT_EQ(alerts().size(), 1u) << "only the error, no import question";
    EXPECT_EQ(alerts()[0].message, "Không hoàn tất được");
    EXPECT_EQ(alerts()[0].informativeText, "Bản sao lưu không hợp lệ: không đọc được định dạng");
    EXPECT_EQ(alerts()[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(shownWhileOpen, alerts()[0].informativeText);
    EXPECT_EQ(model_.errorMessage(), std::nullopt) << "OK clears it";
    EXPECT_EQ(model_.pendingBackup(), std::nullopt);
    EXPECT_EQ(model_.statusMessage(), earlier) << "an error keeps the last success";
}

TEST_F(BackupViewModelTest, AFailedExportIsShown) {
    model_.exportTo(folder_ / "no" / "such" / "folder" / "a.json");
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_EQ(alerts()[0].message, "Không hoàn tất được");
    // A Vietnamese sentence, then the system's own words.
    EXPECT_TRUE(alerts()[0].informativeText.starts_with("Không đọc hoặc ghi được file. "))
        << alerts()[0].informativeText;
    EXPECT_GT(alerts()[0].informativeText.size(), BackupViewModel::fileFailurePrefix.size());
    EXPECT_EQ(model_.statusMessage(), std::nullopt);

    model_.exportTo(store_.file());
    ASSERT_EQ(alerts().size(), 2u);
    EXPECT_EQ(alerts()[1].informativeText,
              "Bản sao lưu không hợp lệ: không thể ghi đè file dữ liệu đang sử dụng");
}

// Counts the decodes an import costs: the archive's images are checked when
// it is loaded, and the import must not check them again.
class CountingImageCheck final : public backup::ImageCheck {
  public:
    bool isImage(std::span<const std::uint8_t>) const override {
        ++checks;
        return true;
    }
    mutable std::atomic<int> checks = 0;
};

TEST_F(BackupViewModelTest, AnImportDecodesEachArchiveImageOnce) {
    CountingImageCheck counting;
    backup::BackupPorts ports(counting, writer_);
    BackupViewModel model(store_, desktop_.userDefaults(), desktop_, desktop_.alerts(), ports);

    snippets::Snippet snippet;
    snippet.title = "Ảnh";
    snippet.trigger = "anh";
    store_.append(snippet);
    halvora::testing::TemporaryFolder::write(folder_ / "photo.png",
                                             std::string("\x89PNG\r\n\x1a\n", 8) + "png bytes");
    store_.importImage(folder_ / "photo.png", snippet.id);
    ASSERT_TRUE(store_.imagePath(*store_.find(snippet.id)));

    const std::filesystem::path archive = folder_ / "a.json";
    model.exportTo(archive);
    ASSERT_TRUE(std::filesystem::exists(archive)) << alerts().size();
    counting.checks = 0;

    desktop_.alerts().scriptAnswer(1);  // replace
    model.chooseImportFile(archive);
    ASSERT_TRUE(model.statusMessage());
    EXPECT_EQ(model.statusMessage()->rfind("Đã nhập 1 mẫu.", 0), 0u) << *model.statusMessage();
    EXPECT_EQ(counting.checks, 2) << "once at loading, once for the safety copy's image";
}

}  // namespace
}  // namespace halvora::workspace
