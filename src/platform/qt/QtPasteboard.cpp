#include "platform/qt/QtPasteboard.h"

#include "platform/qt/PngBytes.h"
#include "platform/qt/QtBytes.h"
#include "platform/qt/XcbClipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <optional>

namespace halvora::platform::qt {

namespace {

QString pngType() {
    return QStringLiteral("image/png");
}

/// What QMimeData calls its pixels.
QString pixelsType() {
    return QStringLiteral("application/x-qt-image");
}

/// Contents whose image is encoded PNG: the bytes are offered as image/png
/// unchanged, and only a program that asks for pixels (another image format,
/// or a Qt program reading the image) has them decoded, once.
class EncodedImageMimeData final : public QMimeData {
  public:
    // QMimeData answers hasFormat() and hasImage() from this list.
    QStringList formats() const override {
        QStringList all = QMimeData::formats();
        if (all.contains(pngType()) && !all.contains(pixelsType())) {
            all.append(pixelsType());
        }
        return all;
    }

  protected:
    QVariant retrieveData(const QString& type, QMetaType meta) const override {
        const QStringList own = QMimeData::formats();
        if (type != pixelsType() || own.contains(pixelsType()) || !own.contains(pngType())) {
            return QMimeData::retrieveData(type, meta);
        }
        if (!pixels_) {
            pixels_ = QImage::fromData(
                QMimeData::retrieveData(pngType(), QMetaType::fromType<QByteArray>()).toByteArray(),
                "PNG");
        }
        return *pixels_;
    }

  private:
    mutable std::optional<QImage> pixels_;
};

/// The forms X11 clients ask for, for the contents Qt would offer.
std::vector<XcbClipboard::Format> x11Formats(const QMimeData& data) {
    std::vector<XcbClipboard::Format> formats;
    if (data.hasText()) {
        const QByteArray text = data.text().toUtf8();
        formats.emplace_back("UTF8_STRING", text);
        formats.emplace_back("text/plain;charset=utf-8", text);
    }
    for (const char* type : {"image/png", "image/tiff"}) {
        if (data.hasFormat(QString::fromLatin1(type))) {
            formats.emplace_back(type, data.data(QString::fromLatin1(type)));
        }
    }
    if (data.hasImage() && !data.hasFormat(pngType())) {
        // Pixels alone: PNG is what every client reads.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (qvariant_cast<QImage>(data.imageData()).save(&buffer, "PNG")) {
            formats.emplace_back("image/png", png);
        }
    }
    return formats;
}

}  // namespace

QtPasteboard::QtPasteboard() : QtPasteboard(nullptr) {}

QtPasteboard::QtPasteboard(std::unique_ptr<XcbClipboard> x11) : x11_(std::move(x11)) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &QtPasteboard::clipboardChanged);
    if (x11_) {
        x11_->onLost = [this] { lostToAnotherProgram(); };
    }
}

QtPasteboard::~QtPasteboard() = default;

bool QtPasteboard::servedByOwnOwner() const {
    return x11_ && x11_->owns();
}

void QtPasteboard::clipboardChanged() {
    if (writing_ || servedByOwnOwner() ||
        (ownData_ != nullptr && QGuiApplication::clipboard()->mimeData() == ownData_)) {
        return;
    }
    lostToAnotherProgram();
}

void QtPasteboard::lostToAnotherProgram() {
    ++changeCount_;
    ownData_ = nullptr;
    written_.clear();
}

void QtPasteboard::clear() {
    writing_ = true;
    if (x11_) {
        x11_->release();
    }
    QGuiApplication::clipboard()->clear();
    writing_ = false;
    written_.clear();
    ownData_ = nullptr;
    ++changeCount_;
}

QMimeData* QtPasteboard::mimeDataFor(const std::vector<PasteboardItem>& items) {
    auto* data = new EncodedImageMimeData();
    bool hasText = false;
    bool hasImage = false;
    for (const auto& item : items) {
        for (const auto& representation : item.representations) {
            switch (representation.type) {
                case PasteboardType::string:
                    if (!hasText) {
                        data->setText(QString::fromStdString(representation.text));
                        hasText = true;
                    }
                    break;
                case PasteboardType::png:
                case PasteboardType::tiff:
                case PasteboardType::image: {
                    if (hasImage) {
                        break;
                    }
                    QByteArray bytes = toByteArray(representation.data);
                    if (representation.type != PasteboardType::tiff && isPng(bytes)) {
                        if (!hasReadablePngHeader(bytes)) {
                            break;
                        }
                        data->setData(pngType(), bytes);
                        hasImage = true;
                        break;
                    }
                    const QImage image = QImage::fromData(bytes);
                    if (image.isNull()) {
                        break;
                    }
                    if (representation.type == PasteboardType::png) {
                        data->setData(pngType(), bytes);
                    } else if (representation.type == PasteboardType::tiff) {
                        data->setData(QStringLiteral("image/tiff"), bytes);
                    }
                    data->setImageData(image);
                    hasImage = true;
                    break;
                }
                case PasteboardType::rtfd:
                    break;
            }
        }
    }
    return data;
}

bool QtPasteboard::write(const std::vector<PasteboardItem>& items) {
    written_.insert(written_.end(), items.begin(), items.end());
    QMimeData* data = mimeDataFor(written_);
    writing_ = true;
    std::vector<XcbClipboard::Format> formats = x11_ ? x11Formats(*data) : decltype(formats){};
    if (!formats.empty() && x11_->own(std::move(formats))) {
        delete data;
        ownData_ = nullptr;
    } else {
        if (x11_) {
            // Given up first, so that Qt taking it is not another program.
            x11_->release();
        }
        QGuiApplication::clipboard()->setMimeData(data);
        ownData_ = QGuiApplication::clipboard()->mimeData();
    }
    writing_ = false;
    ++changeCount_;
    return true;
}

std::vector<PasteboardItem> QtPasteboard::items() const {
    if (servedByOwnOwner()) {
        return written_;
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr) {
        return {};
    }
    if (data == ownData_) {
        return written_;
    }
    PasteboardItem item;
    if (data->hasText()) {
        item.representations.push_back(
            PasteboardRepresentation::string(data->text().toStdString()));
    }
    if (data->hasFormat(pngType())) {
        item.representations.push_back({PasteboardType::png, {}, toBytes(data->data(pngType()))});
    } else if (data->hasImage()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG")) {
            item.representations.push_back({PasteboardType::png, {}, toBytes(png)});
        }
    }
    if (item.representations.empty()) {
        return {};
    }
    return {item};
}

}  // namespace halvora::platform::qt
