// Archive images are proven to be images by the real decoders, for every
// image type a snippet may carry, and come back byte for byte.

#include "BackupFixture.h"
#include "platform/heif/HeifImageCodec.h"
#include "platform/qt/QtImageCodec.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <libheif/heif.h>

#include <gtest/gtest.h>

namespace halvora::backup {
namespace {

namespace fs = std::filesystem;
using testing::backupErrorOf;
using testing::makeSnippet;
using testing::TemporaryFolder;

constexpr int kSide = 64;

QImage gradient() {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            image.setPixel(x, y, qRgb(x * 4, y * 4, 128));
        }
    }
    return image;
}

std::string qtEncoded(const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(gradient())) << format;
    return bytes.toStdString();
}

heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata) {
    static_cast<std::string*>(userdata)->append(static_cast<const char*>(data), size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

/// A small HEIC made by libheif's HEVC encoder; empty when there is none.
std::string heicEncoded() {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    std::string out;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
        heif_error_Ok) {
        heif_image* image = nullptr;
        heif_image_create(kSide, kSide, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
        heif_image_add_plane(image, heif_channel_interleaved, kSide, kSide, 8);
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                std::uint8_t* p = plane + y * stride + x * 3;
                p[0] = static_cast<std::uint8_t>(x * 4);
                p[1] = static_cast<std::uint8_t>(y * 4);
                p[2] = 128;
            }
        }
        heif_encoder_set_lossy_quality(encoder, 50);
        if (heif_context_encode_image(context, image, encoder, nullptr, nullptr).code ==
            heif_error_Ok) {
            heif_writer writer{1, appendTo};
            heif_context_write(context, &writer, &out);
        }
        heif_image_release(image);
        heif_encoder_release(encoder);
    }
    heif_context_free(context);
    return out;
}

/// The same file with everything after its first bytes replaced by zeros:
/// the right signature, no decodable picture.
std::string damaged(std::string bytes) {
    const std::size_t keep = std::min<std::size_t>(bytes.size(), 40);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(keep), bytes.end(), '\0');
    return bytes;
}

class BackupImageCheckTest : public ::testing::Test {
  protected:
    platform::qt::QtImageCodec qt_;
    platform::heif::HeifImageCodec codec_{qt_};
    platform::qt::QtImageCheck qtCheck_;
    platform::heif::HeifImageCheck check_{qtCheck_};
    AtomicFileWriter writer_;
    platform::InMemoryUserDefaults defaults_;
    platform::RecordingLog log_;
};

TEST_F(BackupImageCheckTest, HeicIsDecodedByLibheifAndOtherTypesByTheWrappedCodec) {
    const std::string heic = heicEncoded();
    if (heic.empty()) {
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    }
    const auto decoded = codec_.decode(testing::asBytes(heic));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size, (platform::PixelSize{kSide, kSide}));
    EXPECT_EQ(decoded->pixels.size(), static_cast<std::size_t>(kSide * kSide * 4));
    EXPECT_EQ(codec_.pixelSize(testing::asBytes(heic)), (platform::PixelSize{kSide, kSide}));
    EXPECT_FALSE(qt_.decode(testing::asBytes(heic)));  // what the wrapper adds
    EXPECT_FALSE(codec_.decode(testing::asBytes(damaged(heic))));
    EXPECT_FALSE(codec_.decode(testing::asBytes(heic.substr(0, heic.size() / 2))));
    EXPECT_TRUE(codec_.decode(testing::asBytes(qtEncoded("png"))));
}

/// Every allowed type, encoded by Qt (and libheif when it can encode).
std::vector<std::pair<std::string, std::string>> sampleFiles() {
    std::vector<std::pair<std::string, std::string>> files = {
        {"png", qtEncoded("png")},
        {"jpg", qtEncoded("jpeg")},
        {"jpeg", qtEncoded("jpeg")},
        {"tiff", qtEncoded("tiff")},
    };
    if (const std::string heic = heicEncoded(); !heic.empty()) {
        files.emplace_back("heic", heic);
    }
    return files;
}

TEST_F(BackupImageCheckTest, TheDecodingChecksAgreeWithTheCodecs) {
    const std::string svg =
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="8" height="8"><rect width="8" height="8"/></svg>)";
    std::vector<std::string> samples = {svg, "GIF89a", "", std::string(64, '\0')};
    for (const auto& [extension, bytes] : sampleFiles()) {
        samples.push_back(bytes);
        samples.push_back(damaged(bytes));
        samples.push_back(bytes.substr(0, bytes.size() / 2));
    }
    for (const std::string& bytes : samples) {
        const platform::Bytes data = testing::asBytes(bytes);
        const bool decodes = codec_.decode(data).has_value();
        EXPECT_EQ(check_.isImage(data), decodes) << bytes.substr(0, 12);
        EXPECT_EQ(CodecImageCheck(codec_).isImage(data), decodes);
        if (!platform::heif::HeifImageCodec::isHeif(data)) {
            EXPECT_EQ(qtCheck_.isImage(data), decodes);
        }
    }
}

TEST_F(BackupImageCheckTest, TheQtCheckReusesItsPixelsOnlyForTheSameSize) {
    // Same size twice, then other sizes and formats, then a damaged one of
    // the first size: each answer is its own.
    const auto encoded = [](int width, int height, const char* format) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(qRgb(width, height, 7));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, format).write(image);
        return testing::asBytes(bytes.toStdString());
    };
    const platform::Bytes first = encoded(300, 200, "png");
    EXPECT_TRUE(qtCheck_.isImage(first));
    EXPECT_TRUE(qtCheck_.isImage(encoded(300, 200, "png")));
    EXPECT_TRUE(qtCheck_.isImage(encoded(20, 900, "png")));
    EXPECT_TRUE(qtCheck_.isImage(encoded(300, 200, "jpeg")));
    EXPECT_FALSE(qtCheck_.isImage(testing::asBytes(
        damaged(std::string(reinterpret_cast<const char*>(first.data()), first.size())))));
    EXPECT_TRUE(qtCheck_.isImage(first));
}

TEST_F(BackupImageCheckTest, EveryAllowedTypeRoundTripsByteForByteAndDamageIsRefused) {
    std::vector<std::pair<std::string, std::string>> files = {
        {"png", qtEncoded("png")},
        {"jpg", qtEncoded("jpeg")},
        {"jpeg", qtEncoded("jpeg")},
        {"tiff", qtEncoded("tiff")},
    };
    if (const std::string heic = heicEncoded(); !heic.empty()) {
        files.emplace_back("heic", heic);
    } else {
        ADD_FAILURE() << "no HEIC sample: libheif has no HEVC encoder here";
    }
    for (const auto& [extension, bytes] : files) {
        SCOPED_TRACE(extension);
        for (const bool damage : {false, true}) {
            TemporaryFolder folder;
            snippets::SnippetStore store(folder / "data", log_);
            snippets::Snippet s = makeSnippet(";anh");
            s.imageFilename = s.id.text() + "." + extension;
            TemporaryFolder::write(folder / "data" / *s.imageFilename,
                                   damage ? damaged(bytes) : bytes);
            store.append(s);
            // With the codecs' full decode, and with the checks the command
            // uses.
            for (const BackupPorts& ports :
                 {BackupPorts(codec_, writer_), BackupPorts(check_, writer_)}) {
                const fs::path file = folder / "backup.json";
                if (damage) {
                    EXPECT_EQ(backupErrorOf([&] {
                                  BackupService::exportArchive(store, file, defaults_, ports);
                              }),
                              "Bản sao lưu không hợp lệ: ảnh " + *s.imageFilename +
                                  " bị lỗi hoặc quá lớn");
                    continue;
                }
                BackupService::exportArchive(store, file, defaults_, ports);
                const CheckedBackup backup = BackupService::load(file, ports);
                EXPECT_EQ(backup->images.at(s.id).data, testing::asBytes(bytes));
                TemporaryFolder other;
                snippets::SnippetStore target(other.path(), log_);
                BackupService::restore(backup, target, BackupImportMode::replace, defaults_, ports);
                EXPECT_EQ(TemporaryFolder::read(other / *target.snippets().at(0).imageFilename),
                          bytes);
            }
        }
    }
}

}  // namespace
}  // namespace halvora::backup
