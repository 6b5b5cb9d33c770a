#pragma once

#include "platform/Accessibility.h"
#include "platform/EventPoster.h"
#include "platform/InMemoryUserDefaults.h"
#include "platform/KeyEventTap.h"
#include "platform/KeyEventTextOutput.h"
#include "platform/KeyboardState.h"
#include "platform/Log.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimBarcodeReader.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimHttpClient.h"
#include "platform/sim/SimImageCodec.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimMainQueue.h"
#include "platform/sim/SimPasteboard.h"
#include "platform/sim/SimTextField.h"
#include "platform/sim/SimWorkerQueue.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace halvora::platform::sim {

/// A deterministic desktop for tests and the command-line tool: running
/// applications with pids, bundle identifiers and categories, each with text
/// fields one of which has the focus; a keystroke tap; a pasteboard; the
/// workspace notices; and a virtual clock behind the main queue.
///
/// Events reach the desktop like on a real one: a key the user presses goes
/// through the installed taps, and when they let it pass, to the focused
/// field of the frontmost application. Events the program posts take the
/// same road, but not re-entrantly: those posted while a key is being
/// handled, or while a main-queue task runs, are delivered (in order) once
/// that work has finished; those posted from outside any such work are
/// delivered at once.
///
/// The program itself is an application of the desktop too (its own pid and
/// bundle identifier), so its panels can take the focus.
class SimDesktop final : public Workspace,
                         public Accessibility,
                         public KeyEventTap,
                         public EventPoster,
                         public KeyboardState {
  public:
    static constexpr ProcessId ownPid = 1;

    explicit SimDesktop(std::string ownBundleIdentifier = "vn.halvora.IndependentBeta");
    ~SimDesktop() override;
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    /// Every port, backed by this desktop.
    Platform platform();

    SimMainQueue& mainQueue() { return mainQueue_; }
    SimWorkerQueue& workerQueue() { return workerQueue_; }
    SimPasteboard& pasteboard() { return pasteboard_; }
    SimAlerts& alerts() { return alerts_; }
    SimHttpClient& http() { return http_; }
    SimHotKeys& hotKeys() { return hotKeys_; }
    SimLoginItems& loginItems() { return loginItems_; }
    SimImageCodec& imageCodec() { return imageCodec_; }
    SimBarcodeReader& barcodeReader() { return barcodeReader_; }
    InMemoryUserDefaults& userDefaults() { return userDefaults_; }
    RecordingLog& log() { return log_; }

    // --- Applications and fields (the test's hand) ---

    /// Starts an application (not in front) and sends the launch notice.
    ProcessId launch(std::string name, std::optional<std::string> bundleIdentifier,
                     std::optional<std::string> category = std::nullopt);
    /// Quits an application and sends the termination notice; when it was in
    /// front, no application is.
    void terminate(ProcessId pid);
    /// The user brings an application to the front; the activation notice
    /// is sent when the front application changes.
    void bringToFront(ProcessId pid);

    /// Adds a text field to an application; the first field of an
    /// application, or any with `focus`, takes the application's focus.
    SimTextField& addField(ProcessId pid, ElementAttributes attributes = {.role = "AXTextField"},
                           bool focus = true);
    /// Focuses a field within its application (the application does not come
    /// to the front).
    void focus(const SimTextField& field);
    /// The focused field of the frontmost application.
    SimTextField* focusedField();

    /// Accessibility answers from this application arrive after this many
    /// seconds; calls with a shorter time-out fail.
    void setResponseDelay(ProcessId pid, double seconds);

    // --- The user's input ---

    /// Presses a key: the event carries the text the key types in the US
    /// layout. Answers whether the taps let it reach the application.
    bool pressKey(KeyCode keyCode, EventFlags flags = 0);
    bool pressKey(const KeyEvent& event);
    /// Types each character of `text` with its key (Shift for capitals);
    /// characters the layout lacks go as key code 0 carrying the character.
    void typeText(std::string_view text);
    /// Clicks into a field: the mouse-down (left or right button) passes the
    /// taps, then the field's application comes to the front and the field
    /// takes the focus with the caret at `caret` (the end when absent).
    /// Answers whether the taps let the click through (a swallowed click
    /// changes nothing).
    bool click(SimTextField& field, std::optional<std::size_t> caret = std::nullopt,
               EventType button = EventType::leftMouseDown);
    /// The system switches every tap off and tells each tap's callback.
    void disableTaps(EventType reason = EventType::tapDisabledByTimeout);

    // --- Switches ---

    void setTrusted(bool trusted) { trusted_ = trusted; }
    /// `promptForTrust` grants the permission (as if the user agreed at once).
    void setGrantTrustOnPrompt(bool grant) { grantTrustOnPrompt_ = grant; }
    int trustPromptCount() const { return trustPrompts_; }
    /// Every accessibility query fails, as when the focused application does
    /// not take part in accessibility.
    void setAccessibilityFails(bool fails) { accessibilityFails_ = fails; }
    /// Secure keyboard entry. Unlike a real system, keys still reach the taps
    /// while it is on, so that the program's own check of it is exercised.
    void setSecureInput(bool on) { secureInput_ = on; }
    void setModifierFlags(EventFlags flags) { modifierFlags_ = flags; }
    /// Event creation fails, so `post` and `postAll` post nothing.
    void setEventCreationFails(bool fails) { eventCreationFails_ = fails; }
    /// Seconds between an activation request of the program and the switch.
    void setActivationDelay(double seconds) { activationDelay_ = seconds; }

    // --- What happened ---

    /// Every event the program posted, in order.
    const std::vector<KeyEvent>& postedEvents() const { return posted_; }
    void clearPostedEvents() { posted_.clear(); }
    const std::vector<std::string>& openedUrls() const { return openedUrls_; }
    const std::vector<std::string>& revealedFiles() const { return revealedFiles_; }
    std::size_t installedTapCount() const { return taps_.size(); }

    // --- Workspace ---
    std::optional<RunningApplication> frontmostApplication() const override;
    std::vector<RunningApplication> runningApplications() const override;
    ProcessId currentProcessId() const override { return ownPid; }
    std::optional<std::string> ownBundleIdentifier() const override;
    bool activate(ProcessId pid) override;
    void activateSelf() override;
    /// Nothing: the simulated applications are reached by process only.
    std::optional<WindowId> activeWindow() const override { return std::nullopt; }
    bool activateWindow(WindowId) override { return false; }
    bool openUrl(std::string_view url) override;
    void revealFile(std::string_view path) override;
    /// The name of a launched application with that bundle identifier (the
    /// simulated desktop installs what it launches), without an icon.
    std::optional<ApplicationLabel> applicationLabel(std::string_view identifier) const override;
    Registration onActivate(ApplicationHandler handler) override;
    Registration onLaunch(ApplicationHandler handler) override;
    Registration onTerminate(ApplicationHandler handler) override;

    // --- Accessibility ---
    bool isProcessTrusted() const override { return trusted_; }
    bool promptForTrust() override;
    std::optional<AccessibilityElement> focusedElement(double timeoutSeconds) override;
    ElementAttributes attributes(const AccessibilityElement& element,
                                 double timeoutSeconds) override;
    bool setFocused(const AccessibilityElement& element, double timeoutSeconds) override;

    // --- Keystroke tap and poster ---
    std::unique_ptr<InstalledTap> install(Callback callback) override;
    bool post(const KeyEvent& event) override;
    bool postAll(std::span<const KeyEvent> events) override;

    // --- Keyboard state ---
    bool isSecureInputEnabled() const override { return secureInput_; }
    EventFlags modifierFlags() const override { return modifierFlags_; }

  private:
    struct App {
        RunningApplication info;
        std::vector<std::uint64_t> fields;
        std::optional<std::uint64_t> focusedField;
        double responseDelay = 0;
    };
    struct Tap {
        Callback callback;
        bool enabled = true;
        bool installed = true;
    };
    class SimInstalledTap;
    enum class Notice { activate, launch, terminate };

    App* findApp(ProcessId pid);
    /// The field with this handle; null for a handle no field has.
    SimTextField* fieldFor(std::uint64_t handle) const;
    const App* findApp(ProcessId pid) const;
    /// The application answers accessibility messages within the time-out.
    bool answersInTime(ProcessId pid, double timeoutSeconds) const;
    Registration observe(Notice notice, ApplicationHandler handler);
    void notify(Notice notice, const RunningApplication& app);
    /// Sends the event through the taps and, when they let it pass, to the
    /// focused field. Answers whether it passed.
    bool deliver(const KeyEvent& event);
    void beginWork() { ++workDepth_; }
    void endWork();

    SimMainQueue mainQueue_;
    SimWorkerQueue workerQueue_;
    SimPasteboard pasteboard_;
    SimAlerts alerts_;
    SimHttpClient http_;
    SimHotKeys hotKeys_;
    SimLoginItems loginItems_;
    SimImageCodec imageCodec_;
    SimBarcodeReader barcodeReader_;
    InMemoryUserDefaults userDefaults_;
    RecordingLog log_;
    /// The controller's edits reach the fields as a real application's
    /// would get them: as the key events posted to this desktop.
    KeyEventTextOutput textOutput_{*this};

    std::vector<App> apps_;
    /// Where `findApp` found an application last (a hint, checked on use).
    mutable std::size_t lastFound_ = 0;
    /// Every field ever added, by handle: handle h is entry h - 1.
    std::vector<std::unique_ptr<SimTextField>> fields_;
    std::optional<ProcessId> frontmost_;
    ProcessId nextPid_ = 100;
    std::uint64_t nextHandle_ = 1;

    std::vector<std::shared_ptr<Tap>> taps_;  // the newest first: taps are inserted at the head
    std::map<std::uint64_t, std::pair<Notice, ApplicationHandler>> observers_;
    std::uint64_t nextObserver_ = 1;

    /// Posted events not delivered yet: those from `nextPending_` on.
    std::vector<KeyEvent> pendingEvents_;
    std::size_t nextPending_ = 0;
    int workDepth_ = 0;
    std::vector<KeyEvent> posted_;
    std::vector<std::string> openedUrls_;
    std::vector<std::string> revealedFiles_;

    bool trusted_ = true;
    bool grantTrustOnPrompt_ = false;
    int trustPrompts_ = 0;
    bool accessibilityFails_ = false;
    bool secureInput_ = false;
    EventFlags modifierFlags_ = 0;
    bool eventCreationFails_ = false;
    double activationDelay_ = 0;

    std::shared_ptr<bool> alive_;
};

}  // namespace halvora::platform::sim
