// The Wayland clipboard through wl-clipboard, against a headless sway started
// by the test (a compositor with the data-control protocol, as on wlroots
// and KDE desktops). Without sway or wl-clipboard installed the compositor
// cases are skipped; the offer cases need neither.

#include "platform/qt/WlClipboardPasteboard.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <memory>

namespace halvora::platform::qt {
namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

Bytes toBytes(const QByteArray& array) {
    return Bytes(array.begin(), array.end());
}

QImage redImage() {
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

TEST(WlClipboardOfferTest, FirstRepresentationWithACommonForm) {
    const QByteArray png = encoded(redImage(), "PNG");
    const QByteArray tiff = encoded(redImage(), "TIFF");
    const Bytes broken{0x89, 'P', 'N', 'G', 0, 1, 2};
    using Offer = WlClipboardPasteboard::Offer;
    const QString text = QStringLiteral("text/plain;charset=utf-8");
    struct Row {
        const char* name;
        std::vector<PasteboardItem> items;
        std::optional<Offer> expected;
    };
    const std::vector<Row> rows = {
        {"text as it stands",
         {PasteboardItem{{PasteboardRepresentation::string("Dạ em chào anh\n")}}},
         Offer{text, QByteArray("Dạ em chào anh\n")}},
        {"png bytes unchanged",
         {PasteboardItem{{{PasteboardType::png, {}, toBytes(png)}}}},
         Offer{QStringLiteral("image/png"), png}},
        {"an image object's png bytes unchanged",
         {PasteboardItem{{PasteboardRepresentation::image(toBytes(png))}}},
         Offer{QStringLiteral("image/png"), png}},
        {"text and image together: the text",
         {PasteboardItem{{{PasteboardType::rtfd, "chào\n", toBytes(png)},
                          PasteboardRepresentation::string("chào"),
                          {PasteboardType::png, {}, toBytes(png)}}}},
         Offer{text, QByteArray("chào")}},
        {"undecodable image falls through to the next representation",
         {PasteboardItem{{PasteboardRepresentation::image(broken),
                          PasteboardRepresentation::string("dự phòng")}}},
         Offer{text, QByteArray("dự phòng")}},
        {"first item wins",
         {PasteboardItem{{PasteboardRepresentation::string("một")}},
          PasteboardItem{{PasteboardRepresentation::string("hai")}}},
         Offer{text, QByteArray("một")}},
        {"nothing offerable",
         {PasteboardItem{{PasteboardRepresentation::image(broken)}}},
         std::nullopt},
        {"no items", {}, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(WlClipboardPasteboard::offerFor(row.items), row.expected) << row.name;
    }

    // Other image forms become PNG of the same picture.
    const auto fromTiff = WlClipboardPasteboard::offerFor(
        {PasteboardItem{{{PasteboardType::tiff, {}, toBytes(tiff)}}}});
    ASSERT_TRUE(fromTiff.has_value());
    EXPECT_EQ(fromTiff->mimeType, QStringLiteral("image/png"));
    const QImage decoded = QImage::fromData(fromTiff->bytes, "PNG");
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), QSize(5, 3));
    EXPECT_EQ(decoded.pixelColor(2, 1), QColor(Qt::red));
}

/// A headless sway of the test's own, with its own runtime folder.
class Compositor {
  public:
    Compositor() {
        const QString sway = QStandardPaths::findExecutable(QStringLiteral("sway"));
        if (sway.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("wl-copy")).isEmpty()) {
            return;
        }
        QDir(runtime_.path()).mkpath(QStringLiteral("."));
        QFile::setPermissions(runtime_.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile config(runtime_.filePath(QStringLiteral("sway.conf")));
        config.open(QIODevice::WriteOnly);
        config.write("output HEADLESS-1 resolution 640x480\n");
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("DISPLAY"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        QStringList arguments{QStringLiteral("-c"), config.fileName()};
        if (::getuid() == 0) {
            // sway will not run as root: an ordinary user in a namespace.
            arguments.prepend(sway);
            arguments = QStringList{QStringLiteral("--user"), QStringLiteral("--map-user=1000"),
                                    QStringLiteral("--map-group=1000")} +
                        arguments;
            process_.start(QStringLiteral("unshare"), arguments);
        } else {
            process_.start(sway, arguments);
        }
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && process_.state() != QProcess::NotRunning) {
            const QStringList sockets =
                QDir(runtime_.path())
                    .entryList({QStringLiteral("wayland-*")}, QDir::System | QDir::Files);
            for (const QString& socket : sockets) {
                if (!socket.endsWith(QStringLiteral(".lock"))) {
                    socket_ = socket;
                }
            }
            if (!socket_.isEmpty()) {
                break;
            }
            QThread::msleep(50);
        }
        if (!socket_.isEmpty()) {
            qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
            qputenv("WAYLAND_DISPLAY", socket_.toUtf8());
        }
    }
    ~Compositor() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    bool running() const { return !socket_.isEmpty(); }

  private:
    QTemporaryDir runtime_;
    QProcess process_;
    QString socket_;
};

/// Another program's view of the clipboard: wl-paste's output, or none.
std::optional<QByteArray> wlPaste(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("wl-paste"), arguments);
    if (!process.waitForFinished(5000) || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

void wlCopy(const QByteArray& text) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("wl-copy"), {});
    process.write(text);
    process.closeWriteChannel();
    process.waitForFinished(5000);
}

/// Lets the watcher's reports arrive until `done` or the time is up.
template <typename Done>
bool waitFor(Done done, int ms = 5000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

class WlClipboardPasteboardTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { compositor_ = std::make_unique<Compositor>(); }
    static void TearDownTestSuite() { compositor_.reset(); }
    void SetUp() override {
        if (!compositor_->running()) {
            skipped = true;
            GTEST_SKIP() << "sway and wl-clipboard are needed";
        }
    }

  public:
    /// Whether the compositor cases were skipped: the run then reports
    /// "skipped" to CTest rather than "passed".
    static bool skipped;

  protected:
    static std::unique_ptr<Compositor> compositor_;
};

std::unique_ptr<Compositor> WlClipboardPasteboardTest::compositor_;
bool WlClipboardPasteboardTest::skipped = false;

TEST_F(WlClipboardPasteboardTest, OtherProgramsPasteWhatIsWrittenAndItsOwnersChangeIsSeen) {
    WlClipboardPasteboard pasteboard;
    // The watcher's first report is the clipboard as it was: not a change.
    QThread::msleep(300);
    waitFor([] { return false; }, 300);
    const auto start = pasteboard.changeCount();

    ASSERT_TRUE(pasteboard.writeString("Dạ em chào anh\n"));
    EXPECT_EQ(wlPaste({QStringLiteral("--no-newline")}), QByteArray("Dạ em chào anh\n"));
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("Dạ em chào anh\n"));
    // Our own change, once reported, is not someone else's.
    const auto afterWrite = pasteboard.changeCount();
    EXPECT_GT(afterWrite, start);
    waitFor([] { return false; }, 500);
    EXPECT_EQ(pasteboard.changeCount(), afterWrite);

    // Another program copies: the count grows and the text is theirs.
    wlCopy("của người khác");
    EXPECT_TRUE(waitFor([&] { return pasteboard.changeCount() > afterWrite; }));
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("của người khác"));

    // An image goes out as PNG, bytes unchanged.
    const QByteArray png = encoded(redImage(), "PNG");
    pasteboard.clear();
    EXPECT_EQ(wlPaste({QStringLiteral("--list-types")}), std::nullopt);
    ASSERT_TRUE(
        pasteboard.write({PasteboardItem{{PasteboardRepresentation::image(toBytes(png))}}}));
    const auto types = wlPaste({QStringLiteral("--list-types")});
    ASSERT_TRUE(types.has_value());
    EXPECT_TRUE(types->split('\n').contains("image/png")) << types->constData();
    EXPECT_EQ(wlPaste({QStringLiteral("--type"), QStringLiteral("image/png")}), png);

    // Nothing offerable: refused, and nothing reaches the clipboard.
    pasteboard.clear();
    EXPECT_FALSE(
        pasteboard.write({PasteboardItem{{PasteboardRepresentation::image(Bytes{1, 2, 3})}}}));
    EXPECT_EQ(wlPaste({QStringLiteral("--list-types")}), std::nullopt);
    EXPECT_TRUE(pasteboard.items().empty());
}

TEST_F(WlClipboardPasteboardTest, ImageOfAnotherProgramReadsBackAsPng) {
    WlClipboardPasteboard pasteboard;
    const QByteArray png = encoded(redImage(), "PNG");
    QProcess copy;
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.start(QStringLiteral("wl-copy"), {QStringLiteral("--type"), QStringLiteral("image/png")});
    copy.write(png);
    copy.closeWriteChannel();
    ASSERT_TRUE(copy.waitForFinished(5000));
    const auto items = pasteboard.items();
    ASSERT_EQ(items.size(), 1u);
    const auto* image = items.front().find(PasteboardType::png);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, toBytes(png));
    EXPECT_EQ(items.front().find(PasteboardType::string), nullptr);
}

}  // namespace
}  // namespace halvora::platform::qt

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    constexpr int skippedStatus = 77;
    return result == 0 && halvora::platform::qt::WlClipboardPasteboardTest::skipped ? skippedStatus
                                                                                    : result;
}
