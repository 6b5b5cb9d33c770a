#include "workspace/BackupViewModel.h"

#include "backup/BackupError.h"
#include "workspace/PageAlerts.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <system_error>

namespace halvora::workspace {

BackupViewModel::BackupViewModel(snippets::SnippetStore& store, platform::UserDefaults& defaults,
                                 platform::Workspace& workspace, platform::Alerts& alerts,
                                 const backup::BackupPorts& ports)
    : store_(store), defaults_(defaults), workspace_(workspace), alerts_(alerts), ports_(ports) {
    storeConnection_ = store_.observe([this] { notify(); });
}

std::string BackupViewModel::snippetCountLine() const {
    return std::to_string(store_.snippets().size()) + " mẫu · Tự động lưu khi chỉnh sửa";
}

void BackupViewModel::toggleLocation() {
    showLocation_ = !showLocation_;
    notify();
}

std::string_view BackupViewModel::locationButtonTitle() const {
    return showLocation_ ? hideLocationTitle : showLocationTitle;
}

void BackupViewModel::saveNow() {
    if (attempt([this] { store_.saveNow(); })) {
        succeed("Đã lưu " + std::to_string(store_.snippets().size()) + " mẫu vào thư mục dữ liệu.");
    }
}

void BackupViewModel::revealDataFolder() {
    workspace_.revealFile(store_.file().string());
}

std::string BackupViewModel::suggestedExportName(std::chrono::year_month_day day) {
    char date[48];
    std::snprintf(date, sizeof date, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return "Halvora-SaoLuu-" + std::string(date) + ".json";
}

std::string BackupViewModel::suggestedExportName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return suggestedExportName(
        std::chrono::year_month_day{std::chrono::year{local.tm_year + 1900},
                                    std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                    std::chrono::day{static_cast<unsigned>(local.tm_mday)}});
}

void BackupViewModel::exportTo(const std::filesystem::path& file) {
    if (attempt([&] { backup::BackupService::exportArchive(store_, file, defaults_, ports_); })) {
        succeed("Đã xuất bản sao lưu: " + file.filename().string());
    }
}

void BackupViewModel::chooseImportFile(const std::filesystem::path& file) {
    std::optional<backup::CheckedBackup> loaded;
    if (!attempt([&] { loaded.emplace(backup::BackupService::load(file, ports_)); })) {
        return;
    }
    pendingBackup_ = std::move(loaded);
    notify();
    const std::optional<std::size_t> answer =
        PageAlerts::ask(alerts_, importDialogTitle(), importDialogMessage,
                        {{mergeTitle}, {replaceTitle, true}}, platform::AlertStyle::informational);
    if (!answer) {
        cancelImport();
    } else {
        chooseImportMode(*answer == 0 ? backup::BackupImportMode::merge
                                      : backup::BackupImportMode::replace);
    }
}

std::string BackupViewModel::importDialogTitle() const {
    if (!pendingBackup_) {
        return {};
    }
    return "Bản sao lưu có " + std::to_string((*pendingBackup_)->snippets.size()) +
           " mẫu. Anh muốn nhập theo cách nào?";
}

void BackupViewModel::chooseImportMode(backup::BackupImportMode mode) {
    if (!pendingBackup_) {
        return;
    }
    const backup::CheckedBackup archive = std::move(*pendingBackup_);
    pendingBackup_.reset();
    notify();
    backup::BackupImportResult result;
    if (attempt([&] {
            result = backup::BackupService::restore(archive, store_, mode, defaults_, ports_);
        })) {
        succeed(importMessage(result));
    }
}

void BackupViewModel::cancelImport() {
    pendingBackup_.reset();
    notify();
}

std::string BackupViewModel::importMessage(const backup::BackupImportResult& result) {
    std::string message = "Đã nhập " + std::to_string(result.importedCount) + " mẫu.";
    if (result.skippedCount >= 1) {
        message += " Bỏ qua " + std::to_string(result.skippedCount) + " mẫu đã có.";
    }
    if (result.renamedCodes >= 1) {
        message += " Đổi " + std::to_string(result.renamedCodes) + " mã bị trùng.";
    }
    message += " Bản dữ liệu cũ: " + result.safetyCopy.filename().string();
    return message;
}

bool BackupViewModel::attempt(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const backup::BackupError& error) {
        fail(error.localizedDescription());
    } catch (const std::system_error& error) {
        // The system's words (often English) follow a sentence the user reads.
        fail(std::string(fileFailurePrefix) + error.what());
    } catch (const std::exception& error) {
        fail(error.what());
    }
    return false;
}

void BackupViewModel::succeed(std::string message) {
    statusMessage_ = std::move(message);
    notify();
}

void BackupViewModel::fail(std::string message) {
    errorMessage_ = std::move(message);
    notify();
    PageAlerts::showError(alerts_, errorTitle, *errorMessage_);
    dismissError();
}

void BackupViewModel::dismissError() {
    errorMessage_.reset();
    notify();
}

}  // namespace halvora::workspace
