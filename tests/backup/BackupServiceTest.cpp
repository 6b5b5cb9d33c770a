#include "backup/BackupService.h"

#include "BackupFixture.h"
#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "qr/DynamicQRProfile.h"
#include "util/Files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <optional>
#include <span>
#include <type_traits>

namespace halvora::backup {
namespace {

namespace fs = std::filesystem;
using testing::asBytes;
using testing::backupErrorOf;
using testing::BackupTest;
using testing::folderContent;
using testing::imageBytes;
using testing::makeSnippet;
using testing::TemporaryFolder;

constexpr const char* kInvalid = "Bản sao lưu không hợp lệ: ";

void setProfile(platform::UserDefaults& defaults, std::string bank, bool randomMemo) {
    defaults.set("qr.bankID", std::move(bank));
    defaults.set("qr.accountNumber", "0123456789");
    defaults.set("qr.accountName", "Nguyễn Văn A");
    defaults.set("qr.amount", "50000");
    defaults.set("qr.randomMemo", randomMemo);
    defaults.set("qr.defaultMemo", "Cảm ơn");
}

TEST_F(BackupTest, ExportWritesAPrivateArchiveThatLoadsBackTheSameData) {
    setProfile(defaults_, "VCB", false);
    const snippets::Snippet a = addWithImage(";anh", imageBytes("a"), "png");
    store().append(makeSnippet("chao"));
    const snippets::Snippet b = addWithImage("jpg", imageBytes("b", "JPEG"), "JPG");
    const double before = HalvoraBackup::now();
    const fs::path file = exported();

    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);

    const HalvoraBackup backup = BackupService::load(file, ports());
    EXPECT_EQ(backup.snippets, store().snippets());
    ASSERT_EQ(backup.images.size(), 2U);
    EXPECT_EQ(backup.images.at(a.id), (BackupImage{"png", asBytes(imageBytes("a"))}));
    EXPECT_EQ(backup.images.at(b.id), (BackupImage{"jpg", asBytes(imageBytes("b", "JPEG"))}));
    EXPECT_EQ(backup.qrProfile,
              (BackupQRProfile{"VCB", "0123456789", "Nguyễn Văn A", "50000", false, "Cảm ơn"}));
    EXPECT_GE(backup.createdAt, before);
    EXPECT_LE(backup.createdAt, HalvoraBackup::now());
    EXPECT_GT(backup.createdAt, 700'000'000);  // counted from 2001, not 1970
}

TEST_F(BackupTest, ExportRefusesToOverwriteFilesInUse) {
    const snippets::Snippet s = addWithImage(";a", imageBytes("a"));
    const std::string snippetsBefore = TemporaryFolder::read(store().file());
    for (const fs::path& target : {store().file(), dataFolder() / *s.imageFilename,
                                   dataFolder() / ".." / "data" / "." / "snippets.json"}) {
        EXPECT_EQ(backupErrorOf(
                      [&] { BackupService::exportArchive(store(), target, defaults_, ports()); }),
                  std::string(kInvalid) + "không thể ghi đè file dữ liệu đang sử dụng")
            << target;
    }
    EXPECT_EQ(TemporaryFolder::read(store().file()), snippetsBefore);
    EXPECT_EQ(TemporaryFolder::read(dataFolder() / *s.imageFilename), imageBytes("a"));
}

TEST_F(BackupTest, ExportRefusesSnippetsWhoseImagesCannotBeBackedUp) {
    struct Case {
        const char* name;
        std::string imageFilename;
        std::string fileContent;  // written under imageFilename when not "-"
        std::string expected;
    };
    const std::string big(25'000'001, 'x');
    const Case cases[] = {
        {"a path", "../x.png", "-", std::string(kInvalid) + "tên ảnh không hợp lệ"},
        {"a gif", "a.gif", imageBytes("g"), std::string(kInvalid) + "tên ảnh không hợp lệ"},
        {"no extension", "png", imageBytes("g"), std::string(kInvalid) + "tên ảnh không hợp lệ"},
        {"missing", "gone.png", "-", "Không tìm thấy ảnh gone.png trong dữ liệu hiện tại."},
        {"empty", "e.png", "", std::string(kInvalid) + "ảnh e.png bị lỗi hoặc quá lớn"},
        {"not an image", "t.jpeg", "hello",
         std::string(kInvalid) + "ảnh t.jpeg bị lỗi hoặc quá lớn"},
        {"a PNG named jpeg", "p.jpeg", imageBytes("p"),
         std::string(kInvalid) + "ảnh p.jpeg bị lỗi hoặc quá lớn"},
        {"an SVG named png", "s.png", platform::sim::SimImageCodec::svg({4, 4}, "s"),
         std::string(kInvalid) + "ảnh s.png bị lỗi hoặc quá lớn"},
        {"too large", "big.tiff", big, std::string(kInvalid) + "ảnh big.tiff bị lỗi hoặc quá lớn"},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        snippets::SnippetStore store(folder.path(), log_);
        if (c.fileContent != "-") {
            TemporaryFolder::write(folder / c.imageFilename, c.fileContent);
        }
        snippets::Snippet s = makeSnippet(";x");
        s.imageFilename = c.imageFilename;
        store.append(s);
        const fs::path target = folder / "out.json";
        EXPECT_EQ(
            backupErrorOf([&] { BackupService::exportArchive(store, target, defaults_, ports()); }),
            c.expected)
            << c.name;
        EXPECT_FALSE(fs::exists(target)) << c.name;
    }
}

TEST_F(BackupTest, LoadRefusesAnOversizedFileBeforeReadingIt) {
    const fs::path file = temporary_ / "huge.json";
    TemporaryFolder::write(file, "{");
    fs::resize_file(file, 200'000'001);  // sparse: costs no disk and no time
    EXPECT_EQ(backupErrorOf([&] { BackupService::load(file, ports()); }),
              "Bản sao lưu vượt giới hạn 200 MB.");
    EXPECT_THROW(BackupService::load(temporary_ / "missing.json", ports()), std::system_error);

    // Only a regular file is read: a pipe without a writer is refused at
    // once, a folder or a device too.
    const fs::path pipe = temporary_ / "pipe.json";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& notAFile : {pipe, temporary_.path(), fs::path("/dev/zero")}) {
        EXPECT_EQ(backupErrorOf([&] { BackupService::load(notAFile, ports()); }),
                  std::string(kInvalid) + "không phải là một file")
            << notAFile;
    }
}

/// An archive of two snippets, one with an image, for the validation cases.
HalvoraBackup validBackup() {
    HalvoraBackup backup;
    snippets::Snippet plain = makeSnippet(";a", "Chào");
    snippets::Snippet pictured = makeSnippet(";b", "Bảng giá");
    pictured.imageFilename = "x.png";
    backup.snippets = {plain, pictured};
    backup.images[pictured.id] = BackupImage{"png", asBytes(imageBytes("p"))};
    return backup;
}

TEST(BackupValidationTest, RefusesInOrderWithTheFirstFailure) {
    using Edit = std::function<void(HalvoraBackup&)>;
    const auto manySnippets = [](HalvoraBackup& b) {
        while (b.snippets.size() <= BackupService::maxSnippets) {
            b.snippets.push_back(makeSnippet(""));
        }
    };
    struct Case {
        const char* name;
        Edit edit;
        std::string expected;
    };
    const std::string invalid = kInvalid;
    const Case cases[] = {
        {"version 2 before the count",
         [&](auto& b) {
             b.version = 2;
             manySnippets(b);
         },
         invalid + "phiên bản định dạng chưa được hỗ trợ"},
        {"5,001 snippets before duplicate ids",
         [&](auto& b) {
             b.snippets.push_back(b.snippets[0]);
             manySnippets(b);
         },
         invalid + "quá nhiều mẫu"},
        {"duplicate id", [](auto& b) { b.snippets.push_back(b.snippets[0]); },
         invalid + "mã mẫu bị trùng"},
        {"image of no snippet",
         [](auto& b) { b.images[util::Uuid::random()] = b.images.begin()->second; },
         invalid + "ảnh không thuộc mẫu nào"},
        {"snippet without its image", [](auto& b) { b.snippets[0].imageFilename = "y.png"; },
         invalid + "thiếu ảnh của mẫu Chào"},
        {"image of a snippet without image name",
         [](auto& b) { b.snippets[1].imageFilename.reset(); },
         invalid + "ảnh không có mục tương ứng"},
        {"upper-case extension", [](auto& b) { b.images.begin()->second.fileExtension = "PNG"; },
         invalid + "có ảnh bị lỗi hoặc quá lớn"},
        {"gif", [](auto& b) { b.images.begin()->second.fileExtension = "gif"; },
         invalid + "có ảnh bị lỗi hoặc quá lớn"},
        {"empty image", [](auto& b) { b.images.begin()->second.data.clear(); },
         invalid + "có ảnh bị lỗi hoặc quá lớn"},
        {"not an image", [](auto& b) { b.images.begin()->second.data = asBytes("GIF89a"); },
         invalid + "có ảnh bị lỗi hoặc quá lớn"},
        // Images the decoder reads, but not of the declared type: an SVG
        // document (which could draw local files) and a JPEG.
        {"an SVG declared png",
         [](auto& b) {
             b.images.begin()->second.data =
                 asBytes(platform::sim::SimImageCodec::svg({4, 4}, "<image href=\"/etc/x\"/>"));
         },
         invalid + "có ảnh bị lỗi hoặc quá lớn"},
        {"a JPEG declared png",
         [](auto& b) { b.images.begin()->second.data = asBytes(imageBytes("p", "JPEG")); },
         invalid + "có ảnh bị lỗi hoặc quá lớn"},
        {"25,000,001 bytes",
         [](auto& b) {
             b.images.begin()->second.data =
                 asBytes(imageBytes("p") + std::string(25'000'001, 'x'));
         },
         invalid + "có ảnh bị lỗi hoặc quá lớn"},
    };
    const platform::sim::SimImageCodec codec;
    EXPECT_NO_THROW(BackupService::validate(validBackup(), codec));
    for (const Case& c : cases) {
        HalvoraBackup backup = validBackup();
        c.edit(backup);
        EXPECT_EQ(backupErrorOf([&] { BackupService::validate(backup, codec); }), c.expected)
            << c.name;
    }
}

TEST(BackupValidationTest, RefusesImagesOverTwoHundredMegabytesInAll) {
    HalvoraBackup backup;
    const std::string filler(22'000'000, 'x');
    for (int i = 0; i < 10; ++i) {  // 10 x 22 MB: each allowed, 220 MB in all
        snippets::Snippet s = makeSnippet(";s" + std::to_string(i));
        s.imageFilename = "i.png";
        backup.images[s.id] = BackupImage{"png", asBytes(imageBytes("i") + filler)};
        backup.snippets.push_back(std::move(s));
    }
    const platform::sim::SimImageCodec codec;
    EXPECT_EQ(backupErrorOf([&] { BackupService::validate(backup, codec); }),
              "Bản sao lưu vượt giới hạn 200 MB.");
    backup.images.erase(backup.images.begin());
    backup.snippets.erase(std::ranges::find_if(
        backup.snippets, [&](const auto& s) { return !backup.images.contains(s.id); }));
    EXPECT_NO_THROW(BackupService::validate(backup, codec));  // 198 MB
}

TEST_F(BackupTest, ReplaceIntoAnEmptyFolderRestoresEverything) {
    setProfile(defaults_, "VCB", false);
    const snippets::Snippet a = addWithImage(";anh", imageBytes("a"));
    store().append(makeSnippet("chao"));
    const std::vector<snippets::Snippet> original = store().snippets();
    const HalvoraBackup backup = BackupService::load(exported(), ports());

    TemporaryFolder other;
    snippets::SnippetStore target(other.path(), log_);
    platform::InMemoryUserDefaults otherDefaults;
    const BackupImportResult result =
        BackupService::restore(backup, target, BackupImportMode::replace, otherDefaults, ports());

    EXPECT_EQ(result.importedCount, 2U);
    EXPECT_EQ(result.skippedCount, 0U);
    EXPECT_EQ(result.renamedCodes, 0U);
    ASSERT_EQ(target.snippets().size(), 2U);
    const std::string newName = *target.snippets()[0].imageFilename;
    EXPECT_TRUE(newName.starts_with("import-")) << newName;
    EXPECT_TRUE(newName.ends_with(".png")) << newName;
    EXPECT_EQ(TemporaryFolder::read(other / newName), imageBytes("a"));
    std::vector<snippets::Snippet> expected = original;
    expected[0].imageFilename = newName;
    EXPECT_EQ(target.snippets(), expected);
    EXPECT_EQ(snippets::SnippetStore(other.path(), log_).snippets(), expected);  // on disk too
    EXPECT_EQ(qr::DynamicQRProfile::load(otherDefaults), qr::DynamicQRProfile::load(defaults_));
}

TEST_F(BackupTest, MergeIntoTheSourceImportsNothingAndSkipsEverySnippet) {
    addWithImage(";anh", imageBytes("a"));
    store().append(makeSnippet("chao"));
    const HalvoraBackup backup = BackupService::load(exported(), ports());
    const std::vector<snippets::Snippet> before = store().snippets();
    const BackupImportResult result =
        BackupService::restore(backup, store(), BackupImportMode::merge, defaults_, ports());
    EXPECT_EQ(result.importedCount, 0U);
    EXPECT_EQ(result.skippedCount, 2U);
    EXPECT_EQ(result.renamedCodes, 0U);
    EXPECT_EQ(store().snippets(), before);
    EXPECT_EQ(result.safetyCopy.parent_path(), dataFolder());
    EXPECT_TRUE(result.safetyCopy.filename().string().starts_with("truoc-khi-nhap-"));
    EXPECT_TRUE(result.safetyCopy.filename().string().ends_with(".halvora.json"));
    for (const auto& name : TemporaryFolder::names(dataFolder())) {
        EXPECT_FALSE(name.starts_with("import-")) << name;  // skipped images are not written
    }
}

TEST_F(BackupTest, MergeRenamesTakenCodesCaselessly) {
    store().append(makeSnippet("chao"));
    store().append(makeSnippet("ạ"));
    store().append(makeSnippet(""));
    HalvoraBackup backup;
    const std::pair<std::string, std::string> cases[] = {
        {";chao", ";chao_2"},  // taken by "chao" without its ";"
        {";CHAO", ";CHAO_3"},  // case does not matter; letters keep their case
        {"chao", ";chao_4"},
        {";chao_2x", ";chao_2x"},
        {"ạ", ";nhap_2"},  // no ASCII letter left
        {"Ạ", ";nhap_3"},  // and still collides without regard to case
        {";c-h.a o!", ";c-h.a o!"},
        {";;chao", ";;chao"},  // a different code: ";;chao"
        {"", ""},              // no code, nothing to rename
        {"", ""},
    };
    for (const auto& [code, expected] : cases) {
        backup.snippets.push_back(makeSnippet(code));
    }
    const BackupImportResult result =
        BackupService::restore(backup, store(), BackupImportMode::merge, defaults_, ports());
    EXPECT_EQ(result.importedCount, std::size(cases));
    EXPECT_EQ(result.renamedCodes, 5U);
    ASSERT_EQ(store().snippets().size(), 3 + std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(store().snippets()[3 + i].trigger, cases[i].second) << cases[i].first;
    }
}

TEST(BackupRenameTest, StemKeepsAsciiLettersDigitsAndUnderscore) {
    const std::unordered_set<std::string> taken = {";gia_ca_2"};
    EXPECT_EQ(BackupService::renamedCode(";Giá_cả", taken), ";Gi_c_2");
    EXPECT_EQ(BackupService::renamedCode("gia_ca", taken), ";gia_ca_3");
    EXPECT_EQ(BackupService::renamedCode(";", taken), ";nhap_2");
    EXPECT_EQ(BackupService::comparableCode("CHÀO"), ";chào");
}

TEST_F(BackupTest, ReplaceKeepsDuplicateCodesAndTurnsRandomMemosOnWhenTheArchiveHasNone) {
    setProfile(defaults_, "VCB", false);
    store().append(makeSnippet("old"));
    HalvoraBackup backup;
    backup.snippets = {makeSnippet(";chao"), makeSnippet("CHAO"), makeSnippet(";chao")};
    backup.qrProfile = BackupQRProfile{"ACB", "999", "B", "", std::nullopt, std::nullopt};
    const BackupImportResult result =
        BackupService::restore(backup, store(), BackupImportMode::replace, defaults_, ports());
    EXPECT_EQ(result.importedCount, 3U);
    EXPECT_EQ(result.renamedCodes, 0U);
    EXPECT_EQ(store().snippets(), backup.snippets);
    const qr::DynamicQRProfile profile = qr::DynamicQRProfile::load(defaults_);
    EXPECT_EQ(profile.bankID, "ACB");
    EXPECT_TRUE(profile.randomMemo);
    EXPECT_EQ(profile.defaultMemo, "");
}

TEST_F(BackupTest, MergeNeverTouchesTheQRProfile) {
    setProfile(defaults_, "VCB", false);
    HalvoraBackup backup;
    backup.snippets = {makeSnippet(";x")};
    backup.qrProfile = BackupQRProfile{"ACB", "1", "B", "", true, ""};
    BackupService::restore(backup, store(), BackupImportMode::merge, defaults_, ports());
    EXPECT_EQ(qr::DynamicQRProfile::load(defaults_).bankID, "VCB");
    EXPECT_FALSE(qr::DynamicQRProfile::load(defaults_).randomMemo);
}

TEST_F(BackupTest, AnImportedImageAlwaysGetsAFreshFileName) {
    const snippets::Snippet a = addWithImage(";anh", imageBytes("a"));
    const HalvoraBackup backup = BackupService::load(exported(), ports());
    // Same id and file name as the archive: replace still writes a new file
    // and leaves the old one where it was.
    BackupService::restore(backup, store(), BackupImportMode::replace, defaults_, ports());
    const std::string name = *store().snippets().at(0).imageFilename;
    EXPECT_NE(name, *a.imageFilename);
    EXPECT_TRUE(name.starts_with("import-"));
    EXPECT_EQ(TemporaryFolder::read(dataFolder() / name), imageBytes("a"));
    EXPECT_EQ(TemporaryFolder::read(dataFolder() / *a.imageFilename), imageBytes("a"));
}

TEST_F(BackupTest, TheSafetyCopyIsALoadableArchiveOfTheDataAsItWas) {
    setProfile(defaults_, "VCB", true);
    const snippets::Snippet a = addWithImage(";anh", imageBytes("a"));
    const std::vector<snippets::Snippet> before = store().snippets();
    HalvoraBackup incoming;
    incoming.snippets = {makeSnippet(";moi")};
    const BackupImportResult result =
        BackupService::restore(incoming, store(), BackupImportMode::replace, defaults_, ports());
    const HalvoraBackup copy = BackupService::load(result.safetyCopy, ports());
    EXPECT_EQ(copy.snippets, before);
    EXPECT_EQ(copy.images.at(a.id).data, asBytes(imageBytes("a")));
    EXPECT_EQ(copy.qrProfile.bankID, "VCB");
    EXPECT_EQ(store().snippets(), incoming.snippets);
}

TEST_F(BackupTest, AnInvalidArchiveChangesNothing) {
    setProfile(defaults_, "VCB", true);
    addWithImage(";anh", imageBytes("a"));
    const auto filesBefore = folderContent(dataFolder());
    HalvoraBackup backup = validBackup();
    backup.images.begin()->second.fileExtension = "PNG";
    for (const BackupImportMode mode : {BackupImportMode::merge, BackupImportMode::replace}) {
        EXPECT_THROW(BackupService::restore(backup, store(), mode, defaults_, ports()),
                     BackupError);
    }
    EXPECT_EQ(folderContent(dataFolder()), filesBefore);  // not even a safety copy
    EXPECT_EQ(qr::DynamicQRProfile::load(defaults_).bankID, "VCB");
}

TEST_F(BackupTest, AnImportIsRefusedWhenTheCurrentDataCannotBeBackedUp) {
    const snippets::Snippet a = addWithImage(";anh", imageBytes("a"));
    fs::remove(dataFolder() / *a.imageFilename);
    const auto filesBefore = folderContent(dataFolder());
    EXPECT_EQ(backupErrorOf([&] {
                  BackupService::restore(validBackup(), store(), BackupImportMode::replace,
                                         defaults_, ports());
              }),
              "Không tìm thấy ảnh " + *a.imageFilename + " trong dữ liệu hiện tại.");
    EXPECT_EQ(folderContent(dataFolder()), filesBefore);
}

/// Proves images with the simulated codec and counts how often it is asked
/// (from several threads at once: a load decodes on every processor).
class CountingImageCheck final : public ImageCheck {
  public:
    bool isImage(std::span<const std::uint8_t> bytes) const override {
        ++calls;
        return CodecImageCheck(codec_).isImage(bytes);
    }

    mutable std::atomic<int> calls = 0;

  private:
    platform::sim::SimImageCodec codec_;
};

// Only load and check make a checked archive, and it cannot be changed: that
// is what lets restore skip decoding its images.
static_assert(!std::is_constructible_v<CheckedBackup, HalvoraBackup>);
static_assert(!std::is_convertible_v<const CheckedBackup&, HalvoraBackup>);
static_assert(std::is_convertible_v<CheckedBackup&&, HalvoraBackup>);
static_assert(std::is_same_v<decltype(std::declval<const CheckedBackup&>()->images),
                             std::map<util::Uuid, BackupImage>>);
static_assert(
    std::is_const_v<std::remove_reference_t<decltype(*std::declval<const CheckedBackup&>())>>);

TEST_F(BackupTest, AnImportDecodesEachArchiveImageOnce) {
    for (int i = 0; i < 3; ++i) {
        addWithImage(";anh" + std::to_string(i), imageBytes("a" + std::to_string(i)));
    }
    store().append(makeSnippet("chao"));
    const fs::path file = exported();

    TemporaryFolder other;
    snippets::SnippetStore target(other.path(), log_);
    TemporaryFolder::write(other / "old.png", imageBytes("old"));
    snippets::Snippet old = makeSnippet(";cu");
    old.imageFilename = "old.png";
    target.append(old);

    CountingImageCheck check;
    const BackupPorts counted(check, writer_);
    const CheckedBackup archive = BackupService::load(file, counted);
    EXPECT_EQ(check.calls, 3);
    BackupService::restore(archive, target, BackupImportMode::replace, defaults_, counted);
    EXPECT_EQ(check.calls, 3 + 1);  // and the safety copy's one current image
    EXPECT_EQ(target.snippets().size(), 4U);

    // An archive not known to be checked is decoded in full again.
    check.calls = 0;
    const HalvoraBackup plain = BackupService::load(file, counted);
    EXPECT_EQ(check.calls, 3);
    BackupService::restore(plain, target, BackupImportMode::replace, defaults_, counted);
    EXPECT_EQ(check.calls, 3 + 3 + 3);  // the safety copy now holds the three imported images
}

TEST_F(BackupTest, ARestoredCheckedArchiveStillPassesTheOtherChecks) {
    const snippets::Snippet a = addWithImage(";anh", imageBytes("a"));
    CountingImageCheck check;
    const CheckedBackup archive =
        BackupService::check(BackupService::load(exported(), ports()), check);
    EXPECT_EQ(check.calls, 1);
    EXPECT_EQ(archive->images.at(a.id).data, asBytes(imageBytes("a")));

    HalvoraBackup broken = archive.archive();
    broken.images.begin()->second.data = asBytes("GIF89a");
    EXPECT_EQ(backupErrorOf([&] { BackupService::check(broken, check); }),
              std::string(kInvalid) + "có ảnh bị lỗi hoặc quá lớn");
    EXPECT_EQ(backupErrorOf([&] {
                  BackupService::restore(broken, store(), BackupImportMode::merge, defaults_,
                                         BackupPorts(check, writer_));
              }),
              std::string(kInvalid) + "có ảnh bị lỗi hoặc quá lớn");

    // What a page keeps between loading and the import question.
    std::optional<HalvoraBackup> pending;
    pending = BackupService::load(exported("again.json"), ports());
    EXPECT_EQ(pending->snippets, store().snippets());
}

TEST_F(BackupTest, TheStreamedExportHoldsWhatTheArchiveEncodedWholeHolds) {
    setProfile(defaults_, "VCB", true);
    const snippets::Snippet a = addWithImage(";anh", imageBytes("a"));
    store().append(makeSnippet("chao"));
    const snippets::Snippet b =
        addWithImage(";hai", imageBytes(std::string(300'000, 'b'), "TIFF"), "tiff");
    const fs::path file = exported();
    const std::string written = TemporaryFolder::read(file);
    const CheckedBackup loaded = BackupService::load(file, ports());
    EXPECT_EQ(loaded->images.size(), 2U);
    // The same pieces (the images in store order rather than by id), so the
    // same length, and the same archive again when decoded.
    const std::string whole = encodeArchive(*loaded);
    EXPECT_EQ(written.size(), whole.size());
    EXPECT_EQ(ArchiveEncoder(*loaded).size(), written.size());
    EXPECT_TRUE(decodeArchive(whole) == *loaded);
    EXPECT_LT(written.find(a.id.text() + R"(":{"fileExtension":"png")"),
              written.find(b.id.text() + R"(":{"fileExtension":"tiff")"));
    EXPECT_TRUE(written.starts_with(whole.substr(0, whole.find(R"("images":{)"))));
    EXPECT_TRUE(written.ends_with(whole.substr(whole.find(R"(},"qrProfile":)"))));
}

TEST_F(BackupTest, AnExportKeepsOneImagePerIdAndChecksThemAll) {
    // Two snippets under one id (which the store should never hold): as a
    // map keyed by id, the archive keeps the later one's image.
    const snippets::Snippet first = addWithImage(";mot", imageBytes("1"));
    snippets::Snippet twin = first;
    twin.trigger = ";hai";
    twin.imageFilename = "twin.png";
    TemporaryFolder::write(dataFolder() / "twin.png", imageBytes("2"));
    store().append(twin);
    CountingImageCheck check;
    const fs::path file = temporary_ / "twins.json";
    BackupService::exportArchive(store(), file, defaults_, BackupPorts(check, writer_));
    EXPECT_EQ(check.calls, 2);
    const HalvoraBackup archive = decodeArchive(TemporaryFolder::read(file));
    ASSERT_EQ(archive.images.size(), 1U);
    EXPECT_EQ(archive.images.at(first.id).data, asBytes(imageBytes("2")));
}

TEST_F(BackupTest, AnExportReportsTheFirstBrokenImageInStoreOrder) {
    // Images are read ahead of the one being written; what is wrong with a
    // later one still shows only after every earlier one was checked.
    addWithImage(";mot", imageBytes("1"));
    const snippets::Snippet broken = addWithImage(";hai", "not an image");
    snippets::Snippet gone = makeSnippet(";ba");
    gone.imageFilename = "gone.png";
    store().append(gone);
    std::vector<std::size_t> progress;
    const BackupPorts reporting(codec_, writer_,
                                [&](std::string_view stage, std::size_t done, std::size_t total) {
                                    EXPECT_EQ(stage, "export");
                                    EXPECT_EQ(total, 3U);
                                    progress.push_back(done);
                                });
    const fs::path target = temporary_ / "out.json";
    EXPECT_EQ(
        backupErrorOf([&] { BackupService::exportArchive(store(), target, defaults_, reporting); }),
        std::string(kInvalid) + "ảnh " + *broken.imageFilename + " bị lỗi hoặc quá lớn");
    EXPECT_EQ(progress, std::vector<std::size_t>{1});
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(TemporaryFolder::names(temporary_.path()), std::vector<std::string>{"data"});

    fs::remove(dataFolder() / *broken.imageFilename);
    TemporaryFolder::write(dataFolder() / *broken.imageFilename, imageBytes("2"));
    EXPECT_EQ(
        backupErrorOf([&] { BackupService::exportArchive(store(), target, defaults_, reporting); }),
        "Không tìm thấy ảnh gone.png trong dữ liệu hiện tại.");
}

TEST_F(BackupTest, AnExportOfManyImagesKeepsThemAllInOrder) {
    // More images than the reader runs ahead of the writer, so that it
    // waits for it now and then.
    std::vector<snippets::Snippet> added;
    for (int i = 0; i < 600; ++i) {
        added.push_back(addWithImage(";s" + std::to_string(i), imageBytes(std::to_string(i))));
    }
    std::size_t reports = 0;
    const BackupPorts reporting(codec_, writer_,
                                [&](std::string_view, std::size_t done, std::size_t total) {
                                    EXPECT_EQ(done, ++reports);
                                    EXPECT_EQ(total, 600U);
                                });
    const fs::path file = temporary_ / "many.json";
    BackupService::exportArchive(store(), file, defaults_, reporting);
    EXPECT_EQ(reports, 600U);
    const CheckedBackup loaded = BackupService::load(file, ports());
    ASSERT_EQ(loaded->images.size(), 600U);
    for (int i = 0; i < 600; ++i) {
        EXPECT_EQ(loaded->images.at(added[i].id).data, asBytes(imageBytes(std::to_string(i))));
    }
    const std::string text = TemporaryFolder::read(file);
    EXPECT_LT(text.find(added[0].id.text() + "\":{"), text.find(added[599].id.text() + "\":{"));
}

TEST(BackupValidationTest, DecodesOnlyTheImagesTheOrderReaches) {
    // Twenty images of 11 MB: the nineteenth takes the total past 200 MB.
    // It and those before it are decoded (as one after another would be),
    // not those after it; a broken image before it wins.
    HalvoraBackup backup;
    const std::string eleven(11'000'000, 'x');
    for (int i = 0; i < 20; ++i) {
        snippets::Snippet s = makeSnippet(";s" + std::to_string(i));
        s.imageFilename = "i.png";
        backup.images[s.id] = BackupImage{"png", asBytes(imageBytes("i") + eleven)};
        backup.snippets.push_back(std::move(s));
    }
    CountingImageCheck check;
    EXPECT_EQ(backupErrorOf([&] { BackupService::validate(backup, check); }),
              "Bản sao lưu vượt giới hạn 200 MB.");
    EXPECT_EQ(check.calls, 19);

    auto broken = std::next(backup.images.begin(), 17);
    broken->second.data = asBytes("GIF89a" + eleven);
    check.calls = 0;
    EXPECT_EQ(backupErrorOf([&] { BackupService::validate(backup, check); }),
              std::string(kInvalid) + "có ảnh bị lỗi hoặc quá lớn");
    broken->second.fileExtension = "gif";  // refused before any decoding
    check.calls = 0;
    EXPECT_EQ(backupErrorOf([&] { BackupService::validate(backup, check); }),
              std::string(kInvalid) + "có ảnh bị lỗi hoặc quá lớn");
    EXPECT_EQ(check.calls, 17);
}

}  // namespace
}  // namespace halvora::backup
