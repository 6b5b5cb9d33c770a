#pragma once

// The backup page: where the data lives, saving it at once, exporting an
// archive and importing one by merge or replacement. The file choosers
// belong to the view; the page is handed the chosen path. Questions and
// errors are asked and shown through the alert port.

#include "backup/BackupImportMode.h"
#include "backup/BackupImportResult.h"
#include "backup/BackupService.h"
#include "backup/CheckedBackup.h"
#include "backup/HalvoraBackup.h"
#include "platform/Alerts.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "snippets/SnippetStore.h"
#include "util/Signal.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::workspace {

class BackupViewModel {
  public:
    static constexpr std::string_view title = "Sao lưu & khôi phục";
    static constexpr std::string_view subtitle =
        "Giữ một bản các mẫu để chuyển máy hoặc khôi phục khi cần.";
    static constexpr std::string_view localCardTitle = "Dữ liệu trên máy";
    static constexpr std::string_view saveNowTitle = "Lưu ngay";
    static constexpr std::string_view openFolderTitle = "Mở thư mục dữ liệu";
    static constexpr std::string_view showLocationTitle = "Xem đường dẫn";
    static constexpr std::string_view hideLocationTitle = "Ẩn đường dẫn";
    static constexpr std::string_view exportCardTitle = "Xuất bản sao lưu";
    static constexpr std::string_view exportCardLine =
        "Lưu mẫu trả lời, ảnh và tài khoản QR vào một file.";
    static constexpr std::string_view exportTitle = "Xuất file sao lưu…";
    static constexpr std::string_view importCardTitle = "Khôi phục từ file";
    static constexpr std::string_view importCardLine =
        "Chọn bản sao lưu, xem trước rồi nhập thêm hoặc khôi phục.";
    static constexpr std::string_view importTitle = "Chọn file để nhập…";
    static constexpr std::string_view privacyNote =
        "Bản sao lưu có nội dung mẫu và thông tin QR. Hãy lưu ở nơi riêng tư.";

    static constexpr std::string_view importDialogMessage =
        "Halvora sẽ tự tạo một bản sao dữ liệu hiện tại trong thư mục của app trước khi nhập. "
        "Mã gõ bị trùng khi nhập thêm sẽ được đổi tên.";
    static constexpr std::string_view mergeTitle = "Nhập thêm (giữ dữ liệu hiện có)";
    static constexpr std::string_view replaceTitle = "Thay thế toàn bộ mẫu và cấu hình QR";
    static constexpr std::string_view cancelTitle = "Hủy";

    static constexpr std::string_view errorTitle = "Không hoàn tất được";
    /// Put before the system's own description of a failed file operation.
    static constexpr std::string_view fileFailurePrefix = "Không đọc hoặc ghi được file. ";
    static constexpr std::string_view okTitle = "OK";

    /// `ports` carries the check of archive images and the file writer; it
    /// must outlive the page.
    BackupViewModel(snippets::SnippetStore& store, platform::UserDefaults& defaults,
                    platform::Workspace& workspace, platform::Alerts& alerts,
                    const backup::BackupPorts& ports);
    BackupViewModel(const BackupViewModel&) = delete;
    BackupViewModel& operator=(const BackupViewModel&) = delete;

    /// N + " mẫu · Tự động lưu khi chỉnh sửa".
    std::string snippetCountLine() const;
    bool showLocation() const { return showLocation_; }
    void toggleLocation();
    std::string_view locationButtonTitle() const;
    /// The data folder, shown while `showLocation`.
    std::string dataFolderPath() const { return store_.folder().string(); }

    /// "Lưu ngay".
    void saveNow();
    /// "Mở thư mục dữ liệu": the snippets file, selected in the file viewer.
    void revealDataFolder();

    /// "Halvora-SaoLuu-yyyy-MM-dd.json" for the given day.
    static std::string suggestedExportName(std::chrono::year_month_day day);
    /// The same for today in local time.
    static std::string suggestedExportName();
    /// Writes an archive to the file chosen in the save panel.
    void exportTo(const std::filesystem::path& file);

    /// Loads the archive chosen in the open panel; when it is valid, asks
    /// how to import it (through the alert port) and acts on the answer.
    void chooseImportFile(const std::filesystem::path& file);
    /// An archive loaded and validated, waiting for the import question.
    const std::optional<backup::CheckedBackup>& pendingBackup() const { return pendingBackup_; }
    /// "Bản sao lưu có " + N + " mẫu. Anh muốn nhập theo cách nào?"; empty
    /// without a pending archive.
    std::string importDialogTitle() const;
    /// Imports the pending archive (which is cleared first).
    void chooseImportMode(backup::BackupImportMode mode);
    void cancelImport();

    /// "Đã nhập N mẫu." and the parts about skipped snippets, renamed codes
    /// and the safety copy.
    static std::string importMessage(const backup::BackupImportResult& result);

    /// The last success; an error does not clear it.
    const std::optional<std::string>& statusMessage() const { return statusMessage_; }
    /// Set while the error alert is open.
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    void dismissError();

    [[nodiscard]] util::Connection observe(std::function<void()> onChange) {
        return changed_.connect(std::move(onChange));
    }

  private:
    void succeed(std::string message);
    void fail(std::string message);
    /// Runs `work`; an error it throws is shown.
    bool attempt(const std::function<void()>& work);
    void notify() { changed_.emit(); }

    snippets::SnippetStore& store_;
    platform::UserDefaults& defaults_;
    platform::Workspace& workspace_;
    platform::Alerts& alerts_;
    const backup::BackupPorts& ports_;
    bool showLocation_ = false;
    // Kept checked, so that the import does not decode its images again.
    std::optional<backup::CheckedBackup> pendingBackup_;
    std::optional<std::string> statusMessage_;
    std::optional<std::string> errorMessage_;
    util::Signal<> changed_;
    util::Connection storeConnection_;
};

}  // namespace halvora::workspace
