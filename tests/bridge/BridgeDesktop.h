#pragma once

// halvora-desktop reduced to its keystroke path, on a thread of its own: the
// D-Bus keystroke source and a real keyboard controller on Qt's event loop,
// everything else simulated. Shared by the bridge's end-to-end test and its
// latency benchmark.

#include "bridge/BridgeProtocol.h"
#include "input/KeyboardController.h"
#include "platform/qt/BridgeKeystrokeSource.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/sim/SimDesktop.h"
#include "snippets/PanelHost.h"
#include "snippets/SnippetStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QMetaObject>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>

#include <unistd.h>

namespace halvora::bridge::testing {

inline constexpr const char* ownIdentifier = "vn.halvora.IndependentBeta";

class NoPanels final : public snippets::PanelHost {
  protected:
    void show(snippets::ReplyTemplatePrompt&) override {}
    void hide(snippets::ReplyTemplatePrompt&, snippets::PanelDismissal) override {}
    void show(snippets::SnippetPickerPanel&) override {}
    void hide(snippets::SnippetPickerPanel&, snippets::PanelDismissal) override {}
};

/// The workspace as the desktop program sees it when keys come from the
/// bridge: the front application is the keystroke source's.
class BridgeWorkspace final : public platform::Workspace {
  public:
    explicit BridgeWorkspace(platform::KeystrokeSource& keys) : keys_(keys) {}
    std::optional<platform::RunningApplication> frontmostApplication() const override {
        return keys_.frontmostApplication();
    }
    std::vector<platform::RunningApplication> runningApplications() const override { return {}; }
    platform::ProcessId currentProcessId() const override { return ::getpid(); }
    std::optional<std::string> ownBundleIdentifier() const override { return ownIdentifier; }
    bool activate(platform::ProcessId pid) override { return keys_.activate(pid); }
    void activateSelf() override {}
    std::optional<platform::WindowId> activeWindow() const override { return std::nullopt; }
    bool activateWindow(platform::WindowId) override { return false; }
    bool openUrl(std::string_view) override { return false; }
    void revealFile(std::string_view) override {}
    std::optional<platform::ApplicationLabel> applicationLabel(std::string_view) const override {
        return std::nullopt;
    }
    platform::Registration onActivate(ApplicationHandler handler) override {
        return keys_.onActivate(std::move(handler));
    }
    platform::Registration onLaunch(ApplicationHandler) override { return {}; }
    platform::Registration onTerminate(ApplicationHandler) override { return {}; }

  private:
    platform::KeystrokeSource& keys_;
};

/// halvora-desktop reduced to the keystroke path, on the thread that runs
/// it. Everything but the keystrokes and the main queue is simulated.
struct Desktop {
    explicit Desktop(const std::filesystem::path& dataFolder)
        : keys(QDBusConnection::sessionBus(), "halvora-desktop", ownIdentifier,
               bridge::protocol::socketPath()),
          workspace(keys),
          platform{keys,
                   keys,
                   keys,
                   keys,
                   workspace,
                   sim.pasteboard(),
                   mainQueue,
                   sim.workerQueue(),
                   sim.hotKeys(),
                   sim.loginItems(),
                   sim.alerts(),
                   sim.http(),
                   sim.imageCodec(),
                   sim.barcodeReader(),
                   sim.userDefaults(),
                   sim.log(),
                   platform::DesktopWords::linuxDesktop()},
          store(dataFolder, sim.log()),
          controller(
              store, platform, panels, nullptr, [] {}, [](auto) {}) {
        snippets::Snippet thanks;
        thanks.trigger = "cam";
        thanks.title = "Cảm ơn";
        thanks.text = "Cảm ơn anh đã ủng hộ";
        store.append(thanks);
        // Like the shell: run the controller exactly while the addon is there.
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            if (keys.isProcessTrusted() && !controller.isRunning()) {
                controller.start();
            } else if (!keys.isProcessTrusted() && controller.isRunning()) {
                controller.stop();
            }
        });
        poll.start();
    }

    std::string clipboardText() const {
        const auto items = const_cast<Desktop*>(this)->sim.pasteboard().items();
        for (const auto& item : items) {
            if (const auto* text = item.find(platform::PasteboardType::string)) {
                return text->text;
            }
        }
        return {};
    }

    platform::sim::SimDesktop sim;
    platform::qt::BridgeKeystrokeSource keys;
    BridgeWorkspace workspace;
    platform::qt::QtMainQueue mainQueue;
    platform::Platform platform;
    NoPanels panels;
    snippets::SnippetStore store;
    input::KeyboardController controller;
    QTimer poll;
    /// Keys the desktop answers too late for, to show what a stalled
    /// desktop does to typing.
    std::atomic<int> slowKeys{0};
    std::unique_ptr<platform::InstalledTap> slowTap;
};

class DesktopThread {
  public:
    explicit DesktopThread(std::filesystem::path dataFolder) : folder_(std::move(dataFolder)) {
        thread_ = std::thread([this] { run(); });
        ready_.get_future().wait();
    }
    ~DesktopThread() {
        QMetaObject::invokeMethod(
            app_, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
        thread_.join();
    }

    /// Runs `task` on the desktop's thread and waits for it.
    template <typename Task>
    auto run(Task task) {
        using Result = decltype(task(*desktop_));
        std::promise<Result> result;
        QMetaObject::invokeMethod(
            app_,
            [&] {
                if constexpr (std::is_void_v<Result>) {
                    task(*desktop_);
                    result.set_value();
                } else {
                    result.set_value(task(*desktop_));
                }
            },
            Qt::QueuedConnection);
        return result.get_future().get();
    }

  private:
    void run() {
        int argc = 1;
        char name[] = "halvora-desktop";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        app_ = &app;
        Desktop desktop(folder_);
        std::string error;
        if (!desktop.keys.start(&error)) {
            std::fprintf(stderr, "bridge service did not start: %s\n", error.c_str());
            std::abort();
        }
        desktop_ = &desktop;
        ready_.set_value();
        app.exec();
        desktop_ = nullptr;
    }

    std::filesystem::path folder_;
    std::thread thread_;
    std::promise<void> ready_;
    QCoreApplication* app_ = nullptr;
    Desktop* desktop_ = nullptr;
};

}  // namespace halvora::bridge::testing
