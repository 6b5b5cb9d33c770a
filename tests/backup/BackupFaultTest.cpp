// Imports interrupted by a failing disk: whatever write fails, the snippets
// file and the images stay as they were and what the import wrote is gone.

#include "backup/BackupService.h"

#include "BackupFixture.h"
#include "UnsavableDefaults.h"
#include "backup/BackupError.h"
#include "platform/UserDefaults.h"
#include "qr/DynamicQRProfile.h"

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <system_error>

namespace halvora::backup {
namespace {

namespace fs = std::filesystem;
using testing::asBytes;
using testing::BackupTest;
using testing::folderContent;
using testing::imageBytes;
using testing::makeSnippet;
using testing::TemporaryFolder;

/// Writes like the real writer until the chosen write, which fails after
/// leaving nothing behind, as a full disk does.
class FailingFileWriter final : public FileWriter {
  public:
    using Matcher = std::function<bool(const fs::path&)>;

    /// Fails the `ordinal`-th write (counting from 1) of a file that `matches`.
    FailingFileWriter(Matcher matches, int ordinal)
        : matches_(std::move(matches)), ordinal_(ordinal) {}

    void writeAtomically(const fs::path& file, std::string_view bytes) override {
        if (matches_(file) && ++seen_ == ordinal_) {
            failed_ = true;
            throw std::system_error(std::make_error_code(std::errc::no_space_on_device),
                                    "cannot write " + file.string());
        }
        real_.writeAtomically(file, bytes);
    }
    bool remove(const fs::path& file) noexcept override {
        removed.push_back(file);
        return real_.remove(file);
    }

    bool failed() const { return failed_; }
    std::vector<fs::path> removed;

  private:
    Matcher matches_;
    int ordinal_;
    int seen_ = 0;
    bool failed_ = false;
    AtomicFileWriter real_;
};

bool isImportedImage(const fs::path& file) {
    return file.filename().string().starts_with("import-");
}

class BackupFaultTest : public BackupTest {
  protected:
    /// Current data: two snippets, one with an image. The archive: three
    /// snippets with images and one without.
    void SetUp() override {
        defaults_.set("qr.bankID", "VCB");
        addWithImage(";cu", imageBytes("old"));
        store().append(makeSnippet("chao"));
        for (int i = 0; i < 3; ++i) {
            snippets::Snippet s = makeSnippet(";moi" + std::to_string(i));
            s.imageFilename = "x.jpg";
            archive_.images[s.id] =
                BackupImage{"jpg", asBytes(imageBytes("new" + std::to_string(i), "JPEG"))};
            archive_.snippets.push_back(std::move(s));
        }
        archive_.snippets.push_back(makeSnippet("chao"));
        archive_.qrProfile.bankID = "ACB";
    }

    HalvoraBackup archive_;
};

TEST_F(BackupFaultTest, AFailedWriteLeavesTheDataAsItWas) {
    struct Case {
        const char* name;
        FailingFileWriter::Matcher matches;
        int ordinal;
        std::size_t imagesWrittenBefore;
    };
    const Case cases[] = {
        {"the first image", isImportedImage, 1, 0},
        {"the second of three images", isImportedImage, 2, 1},
        {"the third image", isImportedImage, 3, 2},
        {"the snippets file", [](const fs::path& f) { return f.filename() == "snippets.json"; }, 1,
         3},
    };
    for (const BackupImportMode mode : {BackupImportMode::merge, BackupImportMode::replace}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (mode == BackupImportMode::merge ? " (merge)" : " (replace)"));
            const auto filesBefore = folderContent(dataFolder());
            const std::vector<snippets::Snippet> snippetsBefore = store().snippets();
            FailingFileWriter writer(c.matches, c.ordinal);
            const BackupPorts failing(codec_, writer);

            EXPECT_THROW(BackupService::restore(archive_, store(), mode, defaults_, failing),
                         std::system_error);
            ASSERT_TRUE(writer.failed());

            // Every image the import wrote was removed again...
            EXPECT_EQ(writer.removed.size(), c.imagesWrittenBefore);
            // ...so only the safety copy is new, and all else is byte for byte as before.
            auto filesAfter = folderContent(dataFolder());
            std::size_t safetyCopies = 0;
            for (auto it = filesAfter.begin(); it != filesAfter.end();) {
                if (!filesBefore.contains(it->first) && it->first.starts_with("truoc-khi-nhap-")) {
                    ++safetyCopies;
                    const HalvoraBackup copy =
                        BackupService::load(dataFolder() / it->first, ports());
                    EXPECT_EQ(copy.snippets, snippetsBefore);
                    it = filesAfter.erase(it);
                } else {
                    ++it;
                }
            }
            EXPECT_EQ(safetyCopies, 1U);
            EXPECT_EQ(filesAfter, filesBefore);
            EXPECT_EQ(store().snippets(), snippetsBefore);
            EXPECT_EQ(reopenStore().snippets(), snippetsBefore);
            EXPECT_EQ(qr::DynamicQRProfile::load(defaults_).bankID, "VCB");
        }
    }
}

TEST_F(BackupFaultTest, AFailedSafetyCopyStopsTheImportBeforeAnyChange) {
    const auto filesBefore = folderContent(dataFolder());
    FailingFileWriter writer(
        [](const fs::path& f) { return f.filename().string().starts_with("truoc-khi-nhap-"); }, 1);
    EXPECT_THROW(BackupService::restore(archive_, store(), BackupImportMode::replace, defaults_,
                                        BackupPorts(codec_, writer)),
                 std::system_error);
    EXPECT_EQ(folderContent(dataFolder()), filesBefore);
    EXPECT_TRUE(writer.removed.empty());
    EXPECT_EQ(qr::DynamicQRProfile::load(defaults_).bankID, "VCB");
}

TEST_F(BackupFaultTest, AReplaceWhoseProfileCannotBeSavedChangesNothingAndSaysSo) {
    const auto filesBefore = folderContent(dataFolder());
    const std::vector<snippets::Snippet> snippetsBefore = store().snippets();
    halvora::testing::UnsavableDefaults unsavable(defaults_);
    EXPECT_EQ(testing::backupErrorOf([&] {
                  BackupService::restore(archive_, store(), BackupImportMode::replace, unsavable,
                                         ports());
              }),
              "Không lưu được cấu hình QR nên chưa nhập gì. Dữ liệu hiện có vẫn giữ nguyên.");
    auto filesAfter = folderContent(dataFolder());
    std::erase_if(filesAfter, [&](const auto& entry) {
        return !filesBefore.contains(entry.first) && entry.first.starts_with("truoc-khi-nhap-");
    });
    EXPECT_EQ(filesAfter, filesBefore);  // no imported image is left
    EXPECT_EQ(reopenStore().snippets(), snippetsBefore);
    EXPECT_EQ(qr::DynamicQRProfile::load(defaults_).bankID, "VCB");
    // A merge does not touch the profile, so it goes through.
    EXPECT_NO_THROW(
        BackupService::restore(archive_, store(), BackupImportMode::merge, unsavable, ports()));
}

TEST_F(BackupFaultTest, AFailedExportLeavesNoFile) {
    FailingFileWriter writer([](const fs::path&) { return true; }, 1);
    const fs::path target = temporary_ / "out.json";
    TemporaryFolder::write(target, "earlier backup");
    EXPECT_THROW(
        BackupService::exportArchive(store(), target, defaults_, BackupPorts(codec_, writer)),
        std::system_error);
    EXPECT_EQ(TemporaryFolder::read(target), "earlier backup");
}

TEST_F(BackupFaultTest, WithoutFaultsTheSameImportSucceeds) {
    const BackupImportResult result =
        BackupService::restore(archive_, store(), BackupImportMode::merge, defaults_, ports());
    EXPECT_EQ(result.importedCount, 4U);
    EXPECT_EQ(result.renamedCodes, 1U);  // "chao" is taken
    std::size_t imported = 0;
    for (const auto& [name, content] : folderContent(dataFolder())) {
        imported += name.starts_with("import-") ? 1 : 0;
    }
    EXPECT_EQ(imported, 3U);
}

}  // namespace
}  // namespace halvora::backup
