#include "backup/BackupArchive.h"

#include "BackupFixture.h"
#include "backup/BackupError.h"
#include "snippets/SnippetJson.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace halvora::backup {
namespace {

using testing::asBytes;
using testing::makeSnippet;

HalvoraBackup sampleBackup() {
    HalvoraBackup backup;
    backup.createdAt = 786'912'345.25;
    snippets::Snippet withImage = makeSnippet(";anh", "Ảnh \"báo giá\"");
    withImage.imageFilename = withImage.id.text() + ".png";
    withImage.hotkeySlot = 3;
    withImage.dynamicQR = false;
    backup.snippets = {makeSnippet("chao"), withImage};
    backup.images[withImage.id] = BackupImage{"png", asBytes(std::string("\x89PNG\0\xFF", 6))};
    backup.qrProfile = BackupQRProfile{"VCB", "0123456789", "Nguyễn Văn A", "50000", false, "CK"};
    return backup;
}

TEST(BackupArchiveTest, RoundTripsEveryField) {
    const HalvoraBackup backup = sampleBackup();
    EXPECT_EQ(decodeArchive(encodeArchive(backup)), backup);
}

TEST(BackupArchiveTest, WritesImagesKeyedByUpperCaseIdWithBase64Data) {
    const HalvoraBackup backup = sampleBackup();
    const std::string text = encodeArchive(backup);
    EXPECT_EQ(text.find('\n'), std::string::npos);  // compact
    const nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ(json["version"], 1);
    EXPECT_DOUBLE_EQ(json["createdAt"].get<double>(), 786'912'345.25);
    const std::string id = backup.snippets[1].id.text();
    EXPECT_EQ(json["images"][id]["fileExtension"], "png");
    EXPECT_EQ(json["images"][id]["data"], "iVBORwD/");
    EXPECT_NE(text.find(R"("snippets":)" + snippets::encodeSnippetsFile(backup.snippets)),
              std::string::npos);  // exactly as in the snippets file
    EXPECT_EQ(json["qrProfile"]["randomMemo"], false);
}

TEST(BackupArchiveTest, ReadsLowerCaseIdsAndAnOlderProfile) {
    const HalvoraBackup backup = sampleBackup();
    nlohmann::json json = nlohmann::json::parse(encodeArchive(backup));
    const std::string id = backup.snippets[1].id.text();
    std::string lower = id;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    json["images"][lower] = json["images"][id];
    json["images"].erase(id);
    json["qrProfile"].erase("randomMemo");
    json["qrProfile"]["defaultMemo"] = nullptr;
    const HalvoraBackup decoded = decodeArchive(json.dump());
    EXPECT_EQ(decoded.images, backup.images);
    EXPECT_EQ(decoded.qrProfile.randomMemo, std::nullopt);
    EXPECT_EQ(decoded.qrProfile.defaultMemo, std::nullopt);
}

TEST(BackupArchiveTest, ReadsEscapedSlashesInBase64AsOtherWritersEscapeThem) {
    HalvoraBackup backup = sampleBackup();
    backup.images.begin()->second.data = asBytes("\xFF\xFF\xFF?");  // "////Pw=="
    std::string text = encodeArchive(backup);
    const std::size_t at = text.find("////Pw==");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 8, R"(\/\/\/\/Pw==)");
    EXPECT_EQ(decodeArchive(text), backup);
}

TEST(BackupArchiveTest, RefusesWhatIsNotAnArchive) {
    const HalvoraBackup sample = sampleBackup();
    const nlohmann::json good = nlohmann::json::parse(encodeArchive(sample));
    const std::string imageId = sample.snippets[1].id.text();
    using Edit = std::function<void(nlohmann::json&)>;
    const std::pair<const char*, Edit> cases[] = {
        {"no version", [](auto& j) { j.erase("version"); }},
        {"no createdAt", [](auto& j) { j.erase("createdAt"); }},
        {"no snippets", [](auto& j) { j.erase("snippets"); }},
        {"no images", [](auto& j) { j.erase("images"); }},
        {"no qrProfile", [](auto& j) { j.erase("qrProfile"); }},
        {"version as text", [](auto& j) { j["version"] = "1"; }},
        {"version as fraction", [](auto& j) { j["version"] = 1.5; }},
        {"createdAt as text", [](auto& j) { j["createdAt"] = "2026"; }},
        {"snippet without title", [](auto& j) { j["snippets"][0].erase("title"); }},
        {"images as array", [](auto& j) { j["images"] = nlohmann::json::array(); }},
        {"image key not a UUID", [&](auto& j) { j["images"]["abc"] = j["images"][imageId]; }},
        {"image without data", [&](auto& j) { j["images"][imageId].erase("data"); }},
        {"image without extension", [&](auto& j) { j["images"][imageId].erase("fileExtension"); }},
        {"data not Base64", [&](auto& j) { j["images"][imageId]["data"] = "iVBOR*D/"; }},
        {"profile without amount", [](auto& j) { j["qrProfile"].erase("amount"); }},
        {"randomMemo as text", [](auto& j) { j["qrProfile"]["randomMemo"] = "true"; }},
    };
    for (const auto& [name, edit] : cases) {
        nlohmann::json json = good;
        edit(json);
        EXPECT_EQ(testing::backupErrorOf([&] { decodeArchive(json.dump()); }),
                  "Bản sao lưu không hợp lệ: không đọc được định dạng")
            << name;
    }
    const std::string encoded = encodeArchive(sample);
    for (const std::string& text :
         {std::string(), std::string("[]"), std::string("{"), std::string("null"),
          std::string("{\"version\":1}"), encoded + "}", encoded + " x",
          encoded.substr(0, encoded.size() - 1)}) {
        EXPECT_EQ(testing::backupErrorOf([&] { decodeArchive(std::string(text)); }),
                  "Bản sao lưu không hợp lệ: không đọc được định dạng")
            << text;
    }
}

TEST(BackupErrorTest, DescriptionsAreTheSentencesShown) {
    EXPECT_EQ(BackupError::tooLarge().localizedDescription(), "Bản sao lưu vượt giới hạn 200 MB.");
    EXPECT_EQ(BackupError::missingImage("A.png").localizedDescription(),
              "Không tìm thấy ảnh A.png trong dữ liệu hiện tại.");
    EXPECT_EQ(BackupError::invalidFile("quá nhiều mẫu").localizedDescription(),
              "Bản sao lưu không hợp lệ: quá nhiều mẫu");
    EXPECT_STREQ(BackupError::tooLarge().what(), "Bản sao lưu vượt giới hạn 200 MB.");
}

}  // namespace
}  // namespace halvora::backup
