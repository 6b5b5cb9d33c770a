#include "platform/qt/XdgLoginItems.h"

#include "platform/XdgDirectories.h"
#include "util/Files.h"

#include <system_error>
#include <utility>

namespace halvora::platform::qt {

std::string desktopExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    std::string escaped;
    for (const char c : quoted) {
        escaped += c;
        if (c == '\\') {
            escaped += '\\';
        }
    }
    return escaped;
}

XdgLoginItems::XdgLoginItems(std::string name, std::filesystem::path executable)
    : name_(std::move(name)), executable_(std::move(executable)) {}

std::optional<std::filesystem::path> XdgLoginItems::entryFile() const {
    const auto configHome = xdgConfigHome();
    if (!configHome) {
        return std::nullopt;
    }
    return *configHome / "autostart" / (name_ + ".desktop");
}

std::string XdgLoginItems::entryText() const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Halvora Independent Beta\n"
           "Exec=" +
           desktopExecArgument(executable_.string()) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

LoginItemStatus XdgLoginItems::status() const {
    const auto file = entryFile();
    if (!file) {
        return LoginItemStatus::notFound;
    }
    std::error_code error;
    return std::filesystem::exists(*file, error) ? LoginItemStatus::enabled
                                                 : LoginItemStatus::notRegistered;
}

std::optional<PlatformError> XdgLoginItems::registerLoginItem() {
    const auto file = entryFile();
    if (!file) {
        return PlatformError{"Không tìm thấy thư mục nhà để tạo mục tự khởi động."};
    }
    try {
        std::filesystem::create_directories(file->parent_path());
        util::writeFileAtomically(*file, entryText());
    } catch (const std::system_error& error) {  // filesystem_error too
        return PlatformError{"Không ghi được " + file->string() + ". " + error.code().message()};
    }
    return std::nullopt;
}

std::optional<PlatformError> XdgLoginItems::unregisterLoginItem() {
    const auto file = entryFile();
    if (!file) {
        return std::nullopt;
    }
    std::error_code error;
    std::filesystem::remove(*file, error);
    if (error) {
        return PlatformError{"Không xóa được " + file->string() + ". " + error.message()};
    }
    return std::nullopt;
}

}  // namespace halvora::platform::qt
