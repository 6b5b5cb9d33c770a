#include "qr/QRServiceError.h"

namespace halvora::qr {

QRServiceError::QRServiceError(Kind kind, std::string description)
    : std::runtime_error(description), kind_(kind), description_(std::move(description)) {}

QRServiceError QRServiceError::invalid(std::string message) {
    return QRServiceError(Kind::invalid, std::move(message));
}

QRServiceError QRServiceError::serviceUnavailable() {
    return QRServiceError(Kind::serviceUnavailable,
                          "Không tải được ảnh QR. Kiểm tra kết nối mạng rồi thử lại.");
}

QRServiceError QRServiceError::invalidImage() {
    return QRServiceError(Kind::invalidImage, "Dịch vụ không trả về ảnh QR hợp lệ.");
}

QRServiceError QRServiceError::mismatchedQR() {
    return QRServiceError(
        Kind::mismatchedQR,
        "Nội dung đọc từ QR không khớp tài khoản, số tiền hoặc lời chúc đã nhập.");
}

}  // namespace halvora::qr
