#include "platform/qt/QtPasteboard.h"

#include "platform/qt/QtBytes.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace halvora::platform::qt {

QtPasteboard::QtPasteboard() {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &QtPasteboard::clipboardChanged);
}

QtPasteboard::~QtPasteboard() = default;

void QtPasteboard::clipboardChanged() {
    if (writing_ || (ownData_ != nullptr && QGuiApplication::clipboard()->mimeData() == ownData_)) {
        return;
    }
    // Another program took the clipboard.
    ++changeCount_;
    ownData_ = nullptr;
    written_.clear();
}

void QtPasteboard::clear() {
    writing_ = true;
    QGuiApplication::clipboard()->clear();
    writing_ = false;
    written_.clear();
    ownData_ = nullptr;
    ++changeCount_;
}

QMimeData* QtPasteboard::mimeDataFor(const std::vector<PasteboardItem>& items) {
    auto* data = new QMimeData();
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
                    const QByteArray bytes = toByteArray(representation.data);
                    const QImage image = QImage::fromData(bytes);
                    if (image.isNull()) {
                        break;
                    }
                    if (representation.type == PasteboardType::png) {
                        data->setData(QStringLiteral("image/png"), bytes);
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
    QGuiApplication::clipboard()->setMimeData(data);
    writing_ = false;
    ownData_ = QGuiApplication::clipboard()->mimeData();
    ++changeCount_;
    return true;
}

std::vector<PasteboardItem> QtPasteboard::items() const {
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
    if (data->hasFormat(QStringLiteral("image/png"))) {
        item.representations.push_back(
            {PasteboardType::png, {}, toBytes(data->data(QStringLiteral("image/png")))});
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
