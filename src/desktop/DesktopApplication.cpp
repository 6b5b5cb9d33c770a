#include "desktop/DesktopApplication.h"

#include "platform/JsonFileUserDefaults.h"
#include "platform/Log.h"
#include "platform/UnconnectedKeystrokeSource.h"
#include "platform/XdgDirectories.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/heif/HeifImageCodec.h"
#include "platform/qt/BridgeHotKeys.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/QtPasteboard.h"
#include "platform/qt/QtStatusItem.h"
#include "platform/qt/QtWorkerQueue.h"
#include "platform/qt/QtWorkspace.h"
#include "platform/qt/WlClipboardPasteboard.h"
#include "platform/qt/XcbClipboard.h"
#include "platform/qt/XcbHotKeys.h"
#include "platform/qt/XcbKeyboardState.h"
#include "platform/qt/XdgLoginItems.h"
#include "platform/zxing/ZXingBarcodeReader.h"
#include "qr/DynamicQRGenerator.h"
#include "ui/QtPanelHost.h"
#include "ui/WorkspaceWindow.h"
#include "ui/pages/WorkspacePages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>

namespace halvora::desktop {

namespace {

std::filesystem::path defaultDataFolder() {
    if (const auto home = platform::xdgDataHome()) {
        return *home / platform::kProductFolderName;
    }
    // No home folder at all: keep the snippets beside the working directory
    // rather than nowhere.
    return std::filesystem::current_path() / platform::kProductFolderName;
}

std::filesystem::path defaultsFile(const DesktopOptions& options) {
    if (options.configFolder) {
        return *options.configFolder / "defaults.json";
    }
    if (const auto file = platform::JsonFileUserDefaults::defaultFile()) {
        return *file;
    }
    return std::filesystem::current_path() / platform::kProductFolderName / "defaults.json";
}

}  // namespace

DesktopApplication::DesktopApplication(DesktopOptions options,
                                       std::unique_ptr<platform::KeystrokeSource> keystrokes)
    : options_(std::move(options)),
      dataFolder_(options_.dataFolder.value_or(defaultDataFolder())),
      log_(std::make_unique<platform::StderrLog>()),
      keystrokes_(keystrokes ? std::move(keystrokes)
                             : std::make_unique<platform::UnconnectedKeystrokeSource>()) {
    // Debian ships no Vietnamese translation of Qt; the program carries its
    // own for the dialogs and menus Qt draws itself.
    qtTranslator_ = std::make_unique<QTranslator>();
    if (qtTranslator_->load(QString::fromLatin1(kQtTranslation))) {
        QCoreApplication::installTranslator(qtTranslator_.get());
    } else {
        log_->message(std::string("Halvora could not load ") + kQtTranslation);
    }
    workspace_ = std::make_unique<platform::qt::QtWorkspace>(*keystrokes_, kBundleIdentifier);
    // Replacements and pastes wait for the hot key's modifiers to be let go;
    // only the X server knows them (the input method sees no keys while a
    // hot key is grabbed).
    keyboardState_ = std::make_unique<platform::qt::XcbKeyboardState>(*keystrokes_);
    if (platform::qt::WlClipboardPasteboard::available()) {
        // Wayland gives the clipboard only to the program with the keyboard
        // focus, which is the chat, never Halvora.
        pasteboard_ = std::make_unique<platform::qt::WlClipboardPasteboard>();
    } else {
        if (QGuiApplication::platformName() == QStringLiteral("wayland")) {
            log_->message(
                "Halvora: wl-copy/wl-paste (wl-clipboard) not found; snippets may not paste "
                "under Wayland");
        }
        pasteboard_ = std::make_unique<platform::qt::QtPasteboard>(
            QGuiApplication::platformName() == QStringLiteral("xcb")
                ? platform::qt::XcbClipboard::open()
                : nullptr);
    }
    mainQueue_ = std::make_unique<platform::qt::QtMainQueue>();
    workerQueue_ = std::make_unique<platform::qt::QtWorkerQueue>();
    // Qt's image plugins are loaded on this thread before any worker reads
    // an image: loaded first on a worker thread that has ended by exit, they
    // made a backup inspection crash while the program shut down.
    static_cast<void>(QImageReader::supportedImageFormats());
    if (auto* bridge = dynamic_cast<platform::qt::BridgeKeystrokeSource*>(keystrokes_.get())) {
        hotKeys_ = std::make_unique<platform::qt::BridgeHotKeys>(*bridge);
    } else {
        hotKeys_ = std::make_unique<platform::qt::XcbHotKeys>();
    }
    loginItems_ = std::make_unique<platform::qt::XdgLoginItems>(
        kAutostartName,
        options_.autostartProgram.empty()
            ? std::filesystem::path(QCoreApplication::applicationFilePath().toStdString())
            : options_.autostartProgram);
    alerts_ = std::make_unique<platform::qt::QtAlerts>();
    http_ = std::make_unique<platform::curl::CurlHttpClient>();
    qtCodec_ = std::make_unique<platform::qt::QtImageCodec>();
    codec_ = std::make_unique<platform::heif::HeifImageCodec>(*qtCodec_);
    reader_ = std::make_unique<platform::zxing::ZXingBarcodeReader>();
    defaults_ = std::make_unique<platform::JsonFileUserDefaults>(defaultsFile(options_), *log_);
    platform_ = std::make_unique<platform::Platform>(platform::Platform{
        *keystrokes_, *keystrokes_, *keyboardState_, *keystrokes_, *workspace_, *pasteboard_,
        *mainQueue_, *workerQueue_, *hotKeys_, *loginItems_, *alerts_, *http_, *codec_, *reader_,
        *defaults_, *log_, platform::DesktopWords::linuxDesktop()});
    qrGenerator_ = std::make_unique<qr::DynamicQRGenerator>(qr::DynamicQRGenerator::Ports{
        *defaults_, *workerQueue_, *mainQueue_, *http_, *codec_, *reader_});
    statusItem_ = std::make_unique<platform::qt::QtStatusItem>();
    panels_ = std::make_unique<ui::QtPanelHost>(*workspace_);
    shell_ = std::make_unique<app::AppShell>(*platform_, *statusItem_, *this, *panels_, dataFolder_,
                                             qrGenerator_.get());
    if (!options_.inputMethodHelpUrl.empty()) {
        shell_->setAccessibilityHelpUrl(options_.inputMethodHelpUrl);
    }
}

DesktopApplication::~DesktopApplication() {
    if (launched_ && !terminated_) {
        shell_->willTerminate();
    }
    delete window_.data();
    QCoreApplication::removeTranslator(qtTranslator_.get());
    shell_.reset();
    panels_.reset();
    statusItem_.reset();
    // A QR generation still running holds no reference to the generator, but
    // it does use the worker's ports: let it finish before they go.
    qrGenerator_.reset();
    workerQueue_.reset();
}

void DesktopApplication::launch() {
    if (launched_) {
        return;
    }
    launched_ = true;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [this] {
        if (!terminated_) {
            terminated_ = true;
            shell_->willTerminate();
        }
    });
    shell_->didFinishLaunching();
}

void DesktopApplication::showWorkspaceWindow() {
    if (!window_) {
        window_ = new ui::WorkspaceWindow(shell_->navigation(), shell_->keyboard(), *statusItem_);
        if (input::KeyboardController* keyboard = shell_->keyboard()) {
            ui::installWorkspacePages(
                [this](snippets::WorkspacePage page, QWidget* widget) {
                    window_->setPageWidget(page, widget);
                },
                shell_->store(), *keyboard, shell_->navigation(), *platform_, *panels_);
        }
        window_->setAttribute(Qt::WA_DeleteOnClose, false);
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            window_->resize(ui::WorkspaceWindow::fittingSize(available.size()));
            QRect frame(QPoint(0, 0), window_->size());
            frame.moveCenter(available.center());
            window_->move(frame.topLeft());
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void DesktopApplication::terminate() {
    // aboutToQuit runs the shell's clean-up.
    QCoreApplication::quit();
}

}  // namespace halvora::desktop
