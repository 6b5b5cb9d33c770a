#pragma once

#include <stdexcept>
#include <string>

namespace halvora::qr {

/// A failure of QR generation that the user reads: the description is a
/// complete Vietnamese sentence, shown after "Tạo QR lỗi: ".
class QRServiceError : public std::runtime_error {
  public:
    enum class Kind {
        /// Input rules, or a bank the directory does not list; carries its message.
        invalid,
        /// The directory or image service gave an unusable answer.
        serviceUnavailable,
        /// The image cannot be decoded, is too small, or holds no readable QR.
        invalidImage,
        /// The QR reads back with other content than was asked for.
        mismatchedQR,
    };

    static QRServiceError invalid(std::string message);
    static QRServiceError serviceUnavailable();
    static QRServiceError invalidImage();
    static QRServiceError mismatchedQR();

    Kind kind() const { return kind_; }
    /// The Vietnamese sentence shown to the user.
    const std::string& localizedDescription() const { return description_; }

    friend bool operator==(const QRServiceError& a, const QRServiceError& b) {
        return a.kind_ == b.kind_ && a.description_ == b.description_;
    }

  private:
    QRServiceError(Kind kind, std::string description);

    Kind kind_;
    std::string description_;
};

}  // namespace halvora::qr
