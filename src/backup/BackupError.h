#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace halvora::backup {

/// Why an archive was refused or could not be written. Its description is the
/// sentence the backup page and the command line show unchanged.
class BackupError : public std::exception {
  public:
    enum class Kind { invalidFile, missingImage, tooLarge, profileNotSaved };

    /// "Bản sao lưu không hợp lệ: " + `reason` (one of BackupReason's texts).
    static BackupError invalidFile(std::string reason);
    /// An image file named by a current snippet is not in the data folder.
    static BackupError missingImage(std::string fileName);
    /// Over the 200 MB limit of an archive or of its images.
    static BackupError tooLarge();
    /// A replacing import could not save the archive's QR account, so it
    /// changed nothing; `detail` is the diagnostic for the log.
    static BackupError profileNotSaved(std::string detail);

    Kind kind() const { return kind_; }
    /// The reason of invalidFile, the file name of missingImage, the
    /// diagnostic of profileNotSaved, empty else.
    const std::string& detail() const { return detail_; }

    std::string localizedDescription() const;
    const char* what() const noexcept override { return description_.c_str(); }

    friend bool operator==(const BackupError& a, const BackupError& b) {
        return a.kind_ == b.kind_ && a.detail_ == b.detail_;
    }

  private:
    BackupError(Kind kind, std::string detail);

    Kind kind_;
    std::string detail_;
    std::string description_;
};

/// The reasons an invalidFile error carries.
namespace BackupReason {
inline constexpr std::string_view unreadableFormat = "không đọc được định dạng";
inline constexpr std::string_view unsupportedVersion = "phiên bản định dạng chưa được hỗ trợ";
inline constexpr std::string_view tooManySnippets = "quá nhiều mẫu";
inline constexpr std::string_view duplicateId = "mã mẫu bị trùng";
inline constexpr std::string_view orphanImage = "ảnh không thuộc mẫu nào";
inline constexpr std::string_view unexpectedImage = "ảnh không có mục tương ứng";
inline constexpr std::string_view badArchiveImage = "có ảnh bị lỗi hoặc quá lớn";
inline constexpr std::string_view overwritesData = "không thể ghi đè file dữ liệu đang sử dụng";
inline constexpr std::string_view badImageName = "tên ảnh không hợp lệ";
/// A folder, a device or a pipe where an archive file was chosen.
inline constexpr std::string_view notAFile = "không phải là một file";

/// "thiếu ảnh của mẫu " + the snippet's title.
std::string missingImageOf(std::string_view title);
/// "ảnh " + the file name + " bị lỗi hoặc quá lớn" (export).
std::string badImageFile(std::string_view fileName);
}  // namespace BackupReason

}  // namespace halvora::backup
