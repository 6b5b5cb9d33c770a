#include "cli/BackupCommand.h"

#include "backup/BackupError.h"
#include "cli/ConfigCommand.h"
#include "cli/Media.h"
#include "platform/JsonFileUserDefaults.h"
#include "workspace/BackupViewModel.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <mutex>
#include <system_error>

#include <unistd.h>

namespace halvora::cli {
namespace {

using backup::BackupImportMode;
using Action = BackupOptions::Action;

constexpr const char* kUsage =
    "usage: halvora backup export FILE | import FILE --merge|--replace | inspect FILE\n"
    "       [--data DIR] [--config DIR]";

/// createdAt (seconds since 2001) as an ISO 8601 UTC time.
std::string createdText(double createdAt) {
    constexpr double kReferenceDate = 978307200.0;
    if (!backup::HalvoraBackup::isValidDate(createdAt)) {
        return "?";  // an archive made in memory; a loaded one is refused earlier
    }
    const auto seconds = static_cast<std::time_t>(std::floor(createdAt + kReferenceDate));
    std::tm parts{};
    if (::gmtime_r(&seconds, &parts) == nullptr) {
        return "?";
    }
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::string(text, length);
}

void inspect(const backup::HalvoraBackup& archive, std::ostream& out) {
    std::size_t imageBytes = 0;
    for (const auto& [id, image] : archive.images) {
        imageBytes += image.data.size();
    }
    const backup::BackupQRProfile& profile = archive.qrProfile;
    const bool hasProfile =
        !profile.bankID.empty() || !profile.accountNumber.empty() || !profile.accountName.empty();
    out << "Bản sao lưu có " << archive.snippets.size() << " mẫu.\n"
        << "created: " << createdText(archive.createdAt) << '\n'
        << "images: " << archive.images.size() << " (" << imageBytes << " bytes)\n"
        << "qr profile: "
        << (hasProfile ? profile.bankID + " " + profile.accountNumber + " " + profile.accountName
                       : std::string("none"))
        << '\n';
}

/// The real image check, loaded when the first image is to be checked: an
/// archive without images is read without the image libraries.
class LazyImageCheck final : public backup::ImageCheck {
  public:
    explicit LazyImageCheck(std::ostream& err) : err_(err) {}

    bool isImage(std::span<const std::uint8_t> bytes) const override {
        load();
        return check_ && check_->isImage(bytes);
    }

    void prepare() const override {
        load();
        if (check_) {
            check_->prepare();
        }
    }

  private:
    void load() const {
        std::call_once(loaded_, [this] {
            std::string error;
            media_ = loadMedia(error);
            check_ = media_ ? media_->makeImageCheck() : nullptr;
            if (!check_) {
                err_ << error << '\n';
            }
        });
    }

    std::ostream& err_;
    mutable std::once_flag loaded_;
    mutable std::unique_ptr<Media> media_;
    mutable std::unique_ptr<backup::ImageCheck> check_;
};

}  // namespace

std::variant<BackupOptions, std::string> parseBackupArguments(
    const std::vector<std::string_view>& args) {
    BackupOptions options;
    std::optional<std::string_view> action;
    std::optional<std::filesystem::path> file;
    std::optional<BackupImportMode> mode;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--data" || arg == "--config") {
            if (i + 1 >= args.size()) {
                return std::string(arg) + " needs a folder";
            }
            (arg == "--data" ? options.dataFolder : options.configFolder) =
                std::filesystem::path(args[++i]);
        } else if (arg == "--merge" || arg == "--replace") {
            const BackupImportMode chosen =
                arg == "--merge" ? BackupImportMode::merge : BackupImportMode::replace;
            if (mode && *mode != chosen) {
                return std::string("choose either --merge or --replace");
            }
            mode = chosen;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + std::string(arg) + "'";
        } else if (!action) {
            action = arg;
        } else if (!file) {
            if (arg.empty()) {
                return std::string("FILE must not be empty");
            }
            file = std::filesystem::path(arg);
        } else {
            return "unexpected argument '" + std::string(arg) + "'";
        }
    }
    if (!action) {
        return std::string("export, import or inspect is needed");
    }
    if (*action == "export") {
        options.action = Action::exportArchive;
    } else if (*action == "import") {
        options.action = Action::importArchive;
    } else if (*action == "inspect") {
        options.action = Action::inspect;
    } else {
        return "unknown action '" + std::string(*action) + "'";
    }
    if (!file) {
        return std::string(*action) + " needs a FILE";
    }
    options.file = *file;
    if (options.action == Action::importArchive) {
        if (!mode) {
            return std::string("import needs --merge or --replace");
        }
        options.mode = *mode;
    } else if (mode) {
        return "--merge and --replace belong to import only";
    }
    return options;
}

int runBackup(const BackupOptions& options, snippets::SnippetStore& store,
              platform::UserDefaults& defaults, const backup::BackupPorts& ports, std::ostream& out,
              std::ostream& err) {
    try {
        switch (options.action) {
            case Action::exportArchive:
                backup::BackupService::exportArchive(store, options.file, defaults, ports);
                out << "Đã xuất bản sao lưu: " << options.file.filename().string() << '\n';
                break;
            case Action::importArchive: {
                // Checked (each image decoded) once, here; restore trusts it.
                const backup::CheckedBackup archive =
                    backup::BackupService::load(options.file, ports);
                const backup::BackupImportResult result =
                    backup::BackupService::restore(archive, store, options.mode, defaults, ports);
                out << workspace::BackupViewModel::importMessage(result) << '\n';
                break;
            }
            case Action::inspect:
                inspect(backup::BackupService::load(options.file, ports).archive(), out);
                break;
        }
    } catch (const backup::BackupError& error) {
        err << error.localizedDescription() << '\n';
        return 1;
    } catch (const std::exception& error) {
        // File errors carry the system's own text.
        err << error.what() << '\n';
        return 1;
    }
    return 0;
}

int runBackupCommand(const std::vector<std::string_view>& args, std::ostream& out,
                     std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage << '\n';
        return 0;
    }
    auto parsed = parseBackupArguments(args);
    if (auto* message = std::get_if<std::string>(&parsed)) {
        err << "halvora: backup: " << *message << '\n' << kUsage << '\n';
        return 2;
    }
    const BackupOptions& options = std::get<BackupOptions>(parsed);
    const std::optional<std::filesystem::path> file = defaultsFile(options.configFolder);
    if (!file) {
        err << "halvora: backup: no settings folder is known; give --config DIR\n";
        return 1;
    }
    platform::StderrLog log;
    platform::JsonFileUserDefaults defaults(*file, log);
    snippets::SnippetStore store(options.dataFolder, log);
    if (store.folder().empty()) {
        err << "halvora: backup: no data folder is known; give --data DIR\n";
        return 1;
    }

    const LazyImageCheck images(err);
    backup::AtomicFileWriter writer;
    backup::BackupProgress progress;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    if (terminal) {
        progress = [&err](std::string_view stage, std::size_t done, std::size_t total) {
            err << '\r' << (stage == "export" ? "Đang đọc ảnh " : "Đang ghi ảnh ") << done << '/'
                << total << std::flush;
            if (done == total) {
                err << '\n';
            }
        };
    }
    return runBackup(options, store, defaults, backup::BackupPorts(images, writer, progress), out,
                     err);
}

}  // namespace halvora::cli
