#include "platform/qt/WlClipboardPasteboard.h"

#include "platform/qt/PngBytes.h"
#include "platform/qt/QtBytes.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace halvora::platform::qt {

namespace {

/// Long enough for a busy compositor; a clipboard that does not answer in
/// this time is treated as refusing.
constexpr int processTimeoutMs = 3000;

constexpr char pngType[] = "image/png";
constexpr char textType[] = "text/plain;charset=utf-8";

QByteArray digestOf(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

/// The image as PNG bytes: PNG as it is, anything else decoded and encoded;
/// none when it cannot be read.
std::optional<QByteArray> pngOf(const Bytes& data) {
    QByteArray bytes = toByteArray(data);
    if (isPng(bytes)) {
        if (!hasReadablePngHeader(bytes)) {
            return std::nullopt;
        }
        return bytes;
    }
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        return std::nullopt;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return std::nullopt;
    }
    return png;
}

}  // namespace

WlClipboardPasteboard::WlClipboardPasteboard(QString copy, QString paste)
    : copy_(std::move(copy)), paste_(std::move(paste)) {
    startWatching();
}

WlClipboardPasteboard::~WlClipboardPasteboard() {
    if (watcher_ != nullptr) {
        watcher_->disconnect(this);
        watcher_->kill();
        watcher_->waitForFinished(processTimeoutMs);
    }
}

bool WlClipboardPasteboard::available() {
    return QGuiApplication::platformName() == QStringLiteral("wayland") &&
           !QStandardPaths::findExecutable(QStringLiteral("wl-copy")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("wl-paste")).isEmpty();
}

void WlClipboardPasteboard::startWatching() {
    // Every change of the clipboard runs sha1sum over the new contents, one
    // line each: a digest equal to that of the last offer is this program's
    // own change. The watch needs the compositor's data-control protocol;
    // without it the watcher ends at once and only this program's own
    // changes are counted.
    watcher_ = std::make_unique<QProcess>();
    watcher_->setStandardErrorFile(QProcess::nullDevice());
    connect(watcher_.get(), &QProcess::readyReadStandardOutput, this, [this] {
        while (watcher_->canReadLine()) {
            const QByteArray line = watcher_->readLine();
            clipboardReported(line.left(line.indexOf(' ')));
        }
    });
    watcher_->start(paste_, {QStringLiteral("--no-newline"), QStringLiteral("--watch"),
                             QStringLiteral("sha1sum")});
}

void WlClipboardPasteboard::clipboardReported(const QByteArray& digest) {
    if (!watchStarted_) {
        // The clipboard as it stands when the watch starts: not a change.
        watchStarted_ = true;
        lastDigest_ = digest;
        return;
    }
    if (digest == lastDigest_) {
        return;
    }
    // Another program took the clipboard.
    lastDigest_ = digest;
    ++changeCount_;
    own_ = false;
    written_.clear();
}

std::optional<QByteArray> WlClipboardPasteboard::run(const QString& program,
                                                     const QStringList& arguments,
                                                     const QByteArray& input) const {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    if (program == copy_) {
        // wl-copy leaves a child behind that serves the clipboard; it must
        // not hold a pipe of ours.
        process.setStandardOutputFile(QProcess::nullDevice());
    }
    process.start(program, arguments);
    if (!process.waitForStarted(processTimeoutMs)) {
        return std::nullopt;
    }
    if (!input.isEmpty()) {
        process.write(input);
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(processTimeoutMs)) {
        process.kill();
        process.waitForFinished(processTimeoutMs);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return program == copy_ ? QByteArray() : process.readAllStandardOutput();
}

std::optional<WlClipboardPasteboard::Offer> WlClipboardPasteboard::offerFor(
    const std::vector<PasteboardItem>& items) {
    for (const auto& item : items) {
        for (const auto& representation : item.representations) {
            switch (representation.type) {
                case PasteboardType::string:
                    return Offer{QString::fromLatin1(textType),
                                 QByteArray::fromStdString(representation.text)};
                case PasteboardType::image:
                case PasteboardType::png:
                case PasteboardType::tiff:
                    if (auto png = pngOf(representation.data)) {
                        return Offer{QString::fromLatin1(pngType), std::move(*png)};
                    }
                    break;
                case PasteboardType::rtfd:
                    break;
            }
        }
    }
    return std::nullopt;
}

void WlClipboardPasteboard::clear() {
    written_.clear();
    own_ = false;
    run(copy_, {QStringLiteral("--clear")});
    lastDigest_ = digestOf({});
    ++changeCount_;
}

bool WlClipboardPasteboard::write(const std::vector<PasteboardItem>& items) {
    std::vector<PasteboardItem> all = written_;
    all.insert(all.end(), items.begin(), items.end());
    const auto offer = offerFor(all);
    if (!offer) {
        return false;
    }
    // Text is offered as it stands: no trailing newline trimmed, none added.
    if (!run(copy_, {QStringLiteral("--type"), offer->mimeType}, offer->bytes)) {
        return false;
    }
    lastDigest_ = digestOf(offer->bytes);
    written_ = std::move(all);
    own_ = true;
    ++changeCount_;
    return true;
}

std::vector<PasteboardItem> WlClipboardPasteboard::items() const {
    if (own_) {
        return written_;
    }
    const auto types = run(paste_, {QStringLiteral("--list-types")});
    if (!types) {
        return {};
    }
    const QList<QByteArray> offered = types->split('\n');
    PasteboardItem item;
    const bool hasText = std::any_of(offered.begin(), offered.end(), [](const QByteArray& type) {
        return type.startsWith("text/plain") || type == "UTF8_STRING" || type == "STRING" ||
               type == "TEXT";
    });
    if (hasText) {
        if (const auto text = run(paste_, {QStringLiteral("--no-newline"), QStringLiteral("--type"),
                                           QStringLiteral("text")})) {
            item.representations.push_back(PasteboardRepresentation::string(text->toStdString()));
        }
    }
    if (offered.contains(QByteArray(pngType))) {
        if (const auto png =
                run(paste_, {QStringLiteral("--type"), QString::fromLatin1(pngType)})) {
            item.representations.push_back({PasteboardType::png, {}, toBytes(*png)});
        }
    }
    if (item.representations.empty()) {
        return {};
    }
    return {item};
}

}  // namespace halvora::platform::qt
