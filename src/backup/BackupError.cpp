#include "backup/BackupError.h"

namespace halvora::backup {

BackupError::BackupError(Kind kind, std::string detail) : kind_(kind), detail_(std::move(detail)) {
    switch (kind_) {
        case Kind::invalidFile:
            description_ = "Bản sao lưu không hợp lệ: " + detail_;
            break;
        case Kind::missingImage:
            description_ = "Không tìm thấy ảnh " + detail_ + " trong dữ liệu hiện tại.";
            break;
        case Kind::tooLarge:
            description_ = "Bản sao lưu vượt giới hạn 200 MB.";
            break;
        case Kind::profileNotSaved:
            description_ =
                "Không lưu được cấu hình QR nên chưa nhập gì. Dữ liệu hiện có vẫn giữ nguyên.";
            break;
    }
}

BackupError BackupError::invalidFile(std::string reason) {
    return BackupError(Kind::invalidFile, std::move(reason));
}

BackupError BackupError::missingImage(std::string fileName) {
    return BackupError(Kind::missingImage, std::move(fileName));
}

BackupError BackupError::tooLarge() {
    return BackupError(Kind::tooLarge, {});
}

BackupError BackupError::profileNotSaved(std::string detail) {
    return BackupError(Kind::profileNotSaved, std::move(detail));
}

std::string BackupError::localizedDescription() const {
    return description_;
}

namespace BackupReason {

std::string missingImageOf(std::string_view title) {
    return "thiếu ảnh của mẫu " + std::string(title);
}

std::string badImageFile(std::string_view fileName) {
    return "ảnh " + std::string(fileName) + " bị lỗi hoặc quá lớn";
}

}  // namespace BackupReason
}  // namespace halvora::backup
