#pragma once

// halvora-desktop assembled: the Linux adapters behind every port, the panel
// host, the status item, the workspace window and the application shell.

#include "app/AppShell.h"
#include "app/ShellHost.h"
#include "platform/HotKeys.h"
#include "platform/KeystrokeSource.h"
#include "platform/Platform.h"
#include "ui/WorkspaceWindow.h"

#include <QPointer>
#include <QTranslator>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace halvora::platform {
class JsonFileUserDefaults;
class StderrLog;
namespace curl {
class CurlHttpClient;
}
namespace heif {
class HeifImageCodec;
}
namespace zxing {
class ZXingBarcodeReader;
}
namespace qt {
class QtAlerts;
class QtImageCodec;
class QtMainQueue;
class QtStatusItem;
class QtWorkerQueue;
class QtWorkspace;
class XcbHotKeys;
class XdgLoginItems;
}  // namespace qt
}  // namespace halvora::platform
namespace halvora::qr {
class DynamicQRGenerator;
}
namespace halvora::ui {
class QtPanelHost;
}  // namespace halvora::ui

namespace halvora::desktop {

struct DesktopOptions {
    /// The snippet folder; $XDG_DATA_HOME/HalvoraIndependentBeta by default.
    std::optional<std::filesystem::path> dataFolder;
    /// The folder of the settings file "defaults.json";
    /// $XDG_CONFIG_HOME/HalvoraIndependentBeta by default.
    std::optional<std::filesystem::path> configFolder;
    /// What "Mở hướng dẫn bật bộ gõ…" opens: the help on enabling the
    /// input method.
    std::string inputMethodHelpUrl;
    /// The program the autostart entry starts; this process's own when empty.
    std::filesystem::path autostartProgram;
};

/// The program's parts, made in dependency order and taken down in reverse.
/// Needs a QApplication. Nothing runs until `launch`.
class DesktopApplication final : public app::ShellHost {
  public:
    /// The entry name of the autostart file.
    static constexpr const char* kAutostartName = "halvora-desktop";
    static constexpr const char* kBundleIdentifier = "vn.halvora.IndependentBeta";
    /// The Vietnamese translation of Qt's own texts, built into the program.
    static constexpr const char* kQtTranslation = ":/translations/qt_vi.qm";

    /// `keystrokes` is the keystroke side (an unconnected one when null).
    explicit DesktopApplication(DesktopOptions options,
                                std::unique_ptr<platform::KeystrokeSource> keystrokes = nullptr);
    ~DesktopApplication() override;
    DesktopApplication(const DesktopApplication&) = delete;
    DesktopApplication& operator=(const DesktopApplication&) = delete;

    /// Start-up of the shell; `willTerminate` runs when the event loop ends.
    void launch();

    void showWorkspaceWindow() override;
    void terminate() override;

    app::AppShell& shell() { return *shell_; }
    platform::Platform& platform() { return *platform_; }
    ui::QtPanelHost& panels() { return *panels_; }
    platform::qt::QtStatusItem& statusItem() { return *statusItem_; }
    /// Null until the window is first shown.
    ui::WorkspaceWindow* workspaceWindow() const { return window_; }
    const std::filesystem::path& dataFolder() const { return dataFolder_; }

  private:
    DesktopOptions options_;
    std::filesystem::path dataFolder_;
    std::unique_ptr<platform::StderrLog> log_;
    std::unique_ptr<platform::KeystrokeSource> keystrokes_;
    std::unique_ptr<platform::qt::QtWorkspace> workspace_;
    std::unique_ptr<platform::KeyboardState> keyboardState_;
    std::unique_ptr<platform::Pasteboard> pasteboard_;
    std::unique_ptr<platform::qt::QtMainQueue> mainQueue_;
    std::unique_ptr<platform::qt::QtWorkerQueue> workerQueue_;
    std::unique_ptr<platform::HotKeys> hotKeys_;
    std::unique_ptr<platform::qt::XdgLoginItems> loginItems_;
    std::unique_ptr<platform::qt::QtAlerts> alerts_;
    std::unique_ptr<platform::curl::CurlHttpClient> http_;
    std::unique_ptr<platform::qt::QtImageCodec> qtCodec_;
    std::unique_ptr<platform::heif::HeifImageCodec> codec_;
    std::unique_ptr<platform::zxing::ZXingBarcodeReader> reader_;
    std::unique_ptr<platform::JsonFileUserDefaults> defaults_;
    std::unique_ptr<platform::Platform> platform_;
    std::unique_ptr<qr::DynamicQRGenerator> qrGenerator_;
    std::unique_ptr<platform::qt::QtStatusItem> statusItem_;
    std::unique_ptr<ui::QtPanelHost> panels_;
    std::unique_ptr<app::AppShell> shell_;
    /// Qt's own texts (file dialogs, text fields' menus, standard buttons)
    /// in Vietnamese; installed while this object lives.
    std::unique_ptr<QTranslator> qtTranslator_;
    QPointer<ui::WorkspaceWindow> window_;
    bool launched_ = false;
    bool terminated_ = false;
};

}  // namespace halvora::desktop
