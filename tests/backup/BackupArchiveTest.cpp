#include "backup/BackupArchive.h"

#include "BackupFixture.h"
#include "backup/BackupError.h"
#include "snippets/SnippetJson.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <span>

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
        {"createdAt past any calendar", [](auto& j) { j["createdAt"] = 1e300; }},
        {"createdAt before the year 1", [](auto& j) { j["createdAt"] = -1e12; }},
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

TEST(BackupArchiveTest, TheEncoderKnowsTheLengthBeforeWritingAndWritesInPieces) {
    HalvoraBackup backup = sampleBackup();
    // A second image larger than one piece of the writer's Base64 text.
    snippets::Snippet big = makeSnippet(";lon");
    big.imageFilename = "lon.tiff";
    platform::Bytes bytes(1'000'003);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    }
    backup.images[big.id] = BackupImage{"tiff", bytes};
    backup.snippets.push_back(big);

    const ArchiveEncoder encoder(backup);
    struct CountingSink final : ByteSink {
        void write(std::string_view piece) override {
            text.append(piece);
            ++pieces;
            largest = std::max(largest, piece.size());
        }
        std::string text;
        std::size_t pieces = 0;
        std::size_t largest = 0;
    } sink;
    encoder.writeTo(sink);
    EXPECT_EQ(sink.text.size(), encoder.size());
    EXPECT_EQ(sink.text, encodeArchive(backup));
    EXPECT_GT(sink.pieces, 5U);
    EXPECT_LT(sink.largest, 1'000'000U);  // never the whole image's text at once
    EXPECT_EQ(decodeArchive(sink.text), backup);
}

TEST(BackupArchiveTest, DecodesImagesInPlaceAndTheyOutliveTheText) {
    const HalvoraBackup backup = sampleBackup();
    std::string text = encodeArchive(backup);
    const std::size_t size = text.size();
    text.resize(size + archivePadding(), ' ');
    auto owner = std::make_shared<std::string>(std::move(text));
    const std::weak_ptr<std::string> watch = owner;
    HalvoraBackup decoded = decodeArchiveInPlace(*owner, size, owner);
    const ImageBytes& image = decoded.images.begin()->second.data;
    // The bytes lie inside the text, where their Base64 was.
    EXPECT_GE(reinterpret_cast<const char*>(image.data()), owner->data());
    EXPECT_LT(reinterpret_cast<const char*>(image.data()), owner->data() + size);
    owner.reset();
    EXPECT_FALSE(watch.expired());  // kept by the image
    EXPECT_EQ(decoded, backup);
    decoded.images.clear();
    EXPECT_TRUE(watch.expired());
}

TEST(BackupArchiveTest, ReadsBase64WithAnyAsciiEscape) {
    HalvoraBackup backup = sampleBackup();
    backup.images.begin()->second.data = asBytes("\xFF\xFF\xFF?");  // "////Pw=="
    std::string text = encodeArchive(backup);
    const std::size_t at = text.find("////Pw==");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 8, R"(\/\u002F//P\u0077==)");
    EXPECT_EQ(decodeArchive(text), backup);
    for (const char* escape : {R"(\n)", R"(\u00e9)", R"(\u0)", R"(\t)", R"(\")"}) {
        std::string damaged = encodeArchive(backup);
        damaged.insert(damaged.find("////Pw=="), escape);
        EXPECT_EQ(testing::backupErrorOf([&] { decodeArchive(damaged); }),
                  "Bản sao lưu không hợp lệ: không đọc được định dạng")
            << escape;
    }
}

TEST(BackupArchiveTest, ChecksEveryValueItDoesNotUse) {
    const HalvoraBackup sample = sampleBackup();
    const std::string good = encodeArchive(sample);
    const std::string imageId = sample.snippets[1].id.text();
    // Unknown keys, well formed, are passed over; the first of two repeated
    // keys counts.
    std::string extra = good;
    extra.insert(1, R"("note":{"a":[1,2.5e3,true,null,"x\u00e9"],"b":{}},"version":1,)");
    const std::string imageKey = "\"" + imageId + "\":{";
    extra.insert(extra.find(imageKey) + imageKey.size(), R"("size":[3],)");
    extra.insert(extra.size() - 1, R"(,"version":2)");
    EXPECT_EQ(decodeArchive(extra), sample);

    // Damage inside them is still refused.
    for (const std::string& value :
         {std::string(R"([1,tru])"), std::string(R"({"a":nul})"), std::string(R"("\q")"),
          std::string(R"([1,,2])"), std::string(R"(01)"), std::string(R"({"a" 1})")}) {
        std::string damaged = good;
        damaged.insert(1, R"("note":)" + value + ",");
        EXPECT_EQ(testing::backupErrorOf([&] { decodeArchive(damaged); }),
                  "Bản sao lưu không hợp lệ: không đọc được định dạng")
            << value;
        std::string inImage = good;
        inImage.insert(inImage.find(imageKey) + imageKey.size(), R"("size":)" + value + ",");
        EXPECT_EQ(testing::backupErrorOf([&] { decodeArchive(inImage); }),
                  "Bản sao lưu không hợp lệ: không đọc được định dạng")
            << value;
    }
}

TEST(BackupArchiveTest, ImageBytesCompareByContentAndCopiesShareThem) {
    const ImageBytes owned = asBytes("abc");
    const auto buffer = std::make_shared<std::string>("xxabcxx");
    const ImageBytes shared(
        buffer, std::span(reinterpret_cast<const std::uint8_t*>(buffer->data()) + 2, 3));
    EXPECT_EQ(owned, shared);
    EXPECT_EQ(shared, asBytes("abc"));
    EXPECT_FALSE(shared == asBytes("abd"));
    const ImageBytes copy = owned;
    EXPECT_EQ(copy.data(), owned.data());
    ImageBytes cleared = copy;
    cleared.clear();
    EXPECT_TRUE(cleared.empty());
    EXPECT_EQ(copy.size(), 3U);
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
