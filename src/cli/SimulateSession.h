#pragma once

// `halvora simulate`: the keyboard controller on the simulated desktop,
// driven by a small script, so that typing rules can be tried and reports
// reproduced without a real desktop.

#include "app/Core.h"
#include "input/KeyboardController.h"
#include "platform/JsonFileUserDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "snippets/SnippetStore.h"
#include "snippets/sim/SimPanelHost.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace halvora::cli {

struct SimulateOptions {
    bool vni = false;
    bool oldTone = false;
    /// The snippet store's folder; a temporary empty one when absent.
    std::optional<std::filesystem::path> dataFolder;
    /// The folder of the user-defaults file; temporary defaults when absent.
    std::optional<std::filesystem::path> configFolder;
};

/// The outcome of one script line.
struct SimulateStep {
    enum class Status {
        ok,
        failed,     ///< the script's expectation did not hold (exit status 1)
        malformed,  ///< the line cannot be understood (exit status 2)
    };
    Status status = Status::ok;
    std::string message;
};

class SimulateSession {
  public:
    /// The application in front when the script starts, until `app` names another.
    static constexpr std::string_view defaultApplication = "com.example.chat";

    SimulateSession(const SimulateOptions& options, std::ostream& out);
    ~SimulateSession();
    SimulateSession(const SimulateSession&) = delete;
    SimulateSession& operator=(const SimulateSession&) = delete;

    /// Runs one line of the script (blank lines and # comments do nothing).
    SimulateStep run(std::string_view line);
    /// Prints "field: " and the focused field's text.
    void finish();

    /// The focused field's text, as the script's `print` shows it.
    std::string fieldText() const;
    platform::sim::SimDesktop& desktop() { return desktop_; }
    input::KeyboardController& controller() { return core_->keyboard(); }
    snippets::SnippetStore& store() { return core_->store(); }
    /// The settings the run uses (the --config file, or temporary ones).
    platform::UserDefaults& userDefaults() { return platform_.userDefaults; }

  private:
    SimulateStep runCommand(std::string_view command, std::string_view rest);
    SimulateStep activateApplication(std::string_view bundleID);
    SimulateStep focusNewField(std::string_view arguments);
    SimulateStep typeText(std::string_view text);
    SimulateStep pressNamedKey(std::string_view arguments);
    SimulateStep picker(std::string_view arguments);
    SimulateStep prompt(std::string_view arguments);
    SimulateStep printClipboard();
    /// Runs main-queue work that is due and reports alerts shown meanwhile.
    void settle();
    void reportAlerts();

    std::ostream& out_;
    std::filesystem::path temporaryFolder_;
    platform::sim::SimDesktop desktop_;
    std::unique_ptr<platform::JsonFileUserDefaults> fileDefaults_;
    platform::Platform platform_;
    snippets::sim::SimPanelHost panels_;
    /// Real QR generation (network, images, read-back), made on first use.
    std::unique_ptr<input::DynamicQRSource> qrSource_;
    std::unique_ptr<app::Core> core_;
    std::size_t alertsReported_ = 0;
};

}  // namespace halvora::cli
