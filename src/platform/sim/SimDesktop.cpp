#include "platform/sim/SimDesktop.h"

#include "platform/sim/SimKeyboardLayout.h"
#include "text/Unicode.h"

#include <algorithm>
#include <utility>

namespace halvora::platform::sim {

class SimDesktop::SimInstalledTap final : public InstalledTap {
  public:
    SimInstalledTap(SimDesktop& desktop, std::shared_ptr<Tap> tap)
        : desktop_(desktop), tap_(std::move(tap)), alive_(desktop.alive_) {}

    ~SimInstalledTap() override {
        tap_->installed = false;
        if (alive_.lock()) {
            std::erase(desktop_.taps_, tap_);
        }
    }

    void setEnabled(bool enabled) override { tap_->enabled = enabled; }
    bool isEnabled() const override { return tap_->enabled; }

  private:
    SimDesktop& desktop_;
    std::shared_ptr<Tap> tap_;
    std::weak_ptr<bool> alive_;
};

SimDesktop::SimDesktop(std::string ownBundleIdentifier) : alive_(std::make_shared<bool>(true)) {
    apps_.push_back(
        App{RunningApplication{ownPid, std::move(ownBundleIdentifier), "Halvora", std::nullopt},
            {},
            std::nullopt,
            0});
    mainQueue_.setTaskHooks([this] { beginWork(); }, [this] { endWork(); });
}

SimDesktop::~SimDesktop() {
    alive_.reset();
    mainQueue_.setTaskHooks({}, {});
}

Platform SimDesktop::platform() {
    return Platform{*this,
                    textOutput_,
                    *this,
                    *this,
                    *this,
                    pasteboard_,
                    mainQueue_,
                    workerQueue_,
                    hotKeys_,
                    loginItems_,
                    alerts_,
                    http_,
                    imageCodec_,
                    barcodeReader_,
                    userDefaults_,
                    log_,
                    DesktopWords::mac()};
}

// --- Applications and fields ---

ProcessId SimDesktop::launch(std::string name, std::optional<std::string> bundleIdentifier,
                             std::optional<std::string> category) {
    const ProcessId pid = nextPid_++;
    apps_.push_back(App{
        RunningApplication{pid, std::move(bundleIdentifier), std::move(name), std::move(category)},
        {},
        std::nullopt,
        0});
    notify(Notice::launch, apps_.back().info);
    return pid;
}

void SimDesktop::terminate(ProcessId pid) {
    auto it = std::find_if(apps_.begin(), apps_.end(),
                           [pid](const App& app) { return app.info.pid == pid; });
    if (it == apps_.end() || pid == ownPid) {
        return;
    }
    const RunningApplication info = it->info;
    apps_.erase(it);
    if (frontmost_ == pid) {
        frontmost_.reset();
    }
    notify(Notice::terminate, info);
}

void SimDesktop::bringToFront(ProcessId pid) {
    const App* app = findApp(pid);
    if (app == nullptr || frontmost_ == pid) {
        return;
    }
    frontmost_ = pid;
    notify(Notice::activate, app->info);
}

SimTextField& SimDesktop::addField(ProcessId pid, ElementAttributes attributes, bool focus) {
    const std::uint64_t handle = nextHandle_++;
    auto field =
        std::make_unique<SimTextField>(AccessibilityElement{pid, handle}, std::move(attributes));
    SimTextField& result = *field;
    fields_.push_back(std::move(field));
    if (App* app = findApp(pid)) {
        app->fields.push_back(handle);
        if (focus || !app->focusedField) {
            app->focusedField = handle;
        }
    }
    return result;
}

void SimDesktop::focus(const SimTextField& field) {
    if (App* app = findApp(field.element().pid)) {
        app->focusedField = field.element().handle;
    }
}

SimTextField* SimDesktop::focusedField() {
    const App* app = frontmost_ ? findApp(*frontmost_) : nullptr;
    if (app == nullptr || !app->focusedField) {
        return nullptr;
    }
    return fieldFor(*app->focusedField);
}

SimTextField* SimDesktop::fieldFor(std::uint64_t handle) const {
    return handle >= 1 && handle <= fields_.size() ? fields_[handle - 1].get() : nullptr;
}

void SimDesktop::setResponseDelay(ProcessId pid, double seconds) {
    if (App* app = findApp(pid)) {
        app->responseDelay = seconds;
    }
}

// --- The user's input ---

bool SimDesktop::pressKey(KeyCode keyCode, EventFlags flags) {
    return pressKey(KeyEvent{EventType::keyDown, keyCode, flags,
                             SimKeyboardLayout::textFor(keyCode, (flags & eventFlags::shift) != 0),
                             0});
}

bool SimDesktop::pressKey(const KeyEvent& event) {
    beginWork();
    const bool passed = deliver(event);
    endWork();
    return passed;
}

void SimDesktop::typeText(std::string_view text) {
    for (char32_t c : halvora::text::toUtf32(text)) {
        const auto stroke = SimKeyboardLayout::keyFor(c);
        if (!stroke) {
            std::string typed;
            halvora::text::appendUtf8(typed, c);
            pressKey(KeyEvent{EventType::keyDown, 0, 0, typed, 0});
            continue;
        }
        pressKey(stroke->keyCode, stroke->shift ? eventFlags::shift : 0);
    }
}

bool SimDesktop::click(SimTextField& field, std::optional<std::size_t> caret, EventType button) {
    beginWork();
    const bool passed = deliver(KeyEvent{button, 0, 0, {}, 0});
    if (passed) {
        bringToFront(field.element().pid);
        focus(field);
        field.setCaret(caret.value_or(std::u32string::npos));
    }
    endWork();
    return passed;
}

void SimDesktop::disableTaps(EventType reason) {
    beginWork();
    const auto taps = taps_;
    for (const auto& tap : taps) {
        if (tap->installed && tap->enabled) {
            tap->enabled = false;
            tap->callback(KeyEvent{reason, 0, 0, {}, 0});
        }
    }
    endWork();
}

// --- Workspace ---

std::optional<RunningApplication> SimDesktop::frontmostApplication() const {
    const App* app = frontmost_ ? findApp(*frontmost_) : nullptr;
    return app ? std::optional(app->info) : std::nullopt;
}

std::vector<RunningApplication> SimDesktop::runningApplications() const {
    std::vector<RunningApplication> result;
    for (const auto& app : apps_) {
        result.push_back(app.info);
    }
    return result;
}

std::optional<std::string> SimDesktop::ownBundleIdentifier() const {
    return findApp(ownPid)->info.bundleIdentifier;
}

bool SimDesktop::activate(ProcessId pid) {
    if (findApp(pid) == nullptr) {
        return false;
    }
    mainQueue_.asyncAfter(activationDelay_, [this, pid] { bringToFront(pid); });
    return true;
}

void SimDesktop::activateSelf() {
    activate(ownPid);
}

bool SimDesktop::openUrl(std::string_view url) {
    openedUrls_.emplace_back(url);
    return true;
}

void SimDesktop::revealFile(std::string_view path) {
    revealedFiles_.emplace_back(path);
}

std::optional<ApplicationLabel> SimDesktop::applicationLabel(std::string_view identifier) const {
    for (const auto& app : apps_) {
        if (app.info.bundleIdentifier == identifier) {
            return ApplicationLabel{app.info.localizedName, {}};
        }
    }
    return std::nullopt;
}

Registration SimDesktop::onActivate(ApplicationHandler handler) {
    return observe(Notice::activate, std::move(handler));
}

Registration SimDesktop::onLaunch(ApplicationHandler handler) {
    return observe(Notice::launch, std::move(handler));
}

Registration SimDesktop::onTerminate(ApplicationHandler handler) {
    return observe(Notice::terminate, std::move(handler));
}

Registration SimDesktop::observe(Notice notice, ApplicationHandler handler) {
    const std::uint64_t id = nextObserver_++;
    observers_.emplace(id, std::pair(notice, std::move(handler)));
    return Registration([this, id, alive = std::weak_ptr(alive_)] {
        if (alive.lock()) {
            observers_.erase(id);
        }
    });
}

void SimDesktop::notify(Notice notice, const RunningApplication& app) {
    beginWork();
    std::vector<std::uint64_t> ids;
    for (const auto& [id, observer] : observers_) {
        if (observer.first == notice) {
            ids.push_back(id);
        }
    }
    // Observers may come and go while the notice is being delivered.
    for (auto id : ids) {
        auto it = observers_.find(id);
        if (it != observers_.end()) {
            auto handler = it->second.second;
            handler(app);
        }
    }
    endWork();
}

// --- Accessibility ---

bool SimDesktop::promptForTrust() {
    ++trustPrompts_;
    const bool trusted = trusted_;
    if (!trusted && grantTrustOnPrompt_) {
        trusted_ = true;
    }
    return trusted;
}

bool SimDesktop::answersInTime(ProcessId pid, double timeoutSeconds) const {
    const App* app = findApp(pid);
    return trusted_ && !accessibilityFails_ && app != nullptr &&
           app->responseDelay <= timeoutSeconds;
}

std::optional<AccessibilityElement> SimDesktop::focusedElement(double timeoutSeconds) {
    // The system-wide element forwards the question to the application in
    // front, so that application's delay applies.
    if (!frontmost_ || !answersInTime(*frontmost_, timeoutSeconds)) {
        return std::nullopt;
    }
    const SimTextField* field = focusedField();
    return field ? std::optional(field->element()) : std::nullopt;
}

ElementAttributes SimDesktop::attributes(const AccessibilityElement& element,
                                         double timeoutSeconds) {
    if (!answersInTime(element.pid, timeoutSeconds)) {
        return {};
    }
    const SimTextField* field = fieldFor(element.handle);
    if (field == nullptr || field->element() != element) {
        return {};
    }
    return field->attributes();
}

bool SimDesktop::setFocused(const AccessibilityElement& element, double timeoutSeconds) {
    if (!answersInTime(element.pid, timeoutSeconds)) {
        return false;
    }
    App* app = findApp(element.pid);
    if (std::find(app->fields.begin(), app->fields.end(), element.handle) == app->fields.end()) {
        return false;
    }
    app->focusedField = element.handle;
    return true;
}

// --- Keystroke tap and poster ---

std::unique_ptr<InstalledTap> SimDesktop::install(Callback callback) {
    if (!trusted_) {
        return nullptr;
    }
    auto tap = std::make_shared<Tap>(Tap{std::move(callback), true, true});
    taps_.insert(taps_.begin(), tap);
    return std::make_unique<SimInstalledTap>(*this, tap);
}

bool SimDesktop::post(const KeyEvent& event) {
    return postAll(std::span(&event, 1));
}

bool SimDesktop::postAll(std::span<const KeyEvent> events) {
    if (eventCreationFails_) {
        return false;
    }
    beginWork();
    for (const auto& event : events) {
        posted_.push_back(event);
        pendingEvents_.push_back(event);
    }
    endWork();
    return true;
}

bool SimDesktop::deliver(const KeyEvent& event) {
    // Taps see key-downs and mouse-downs; key-ups go straight on.
    if (event.type != EventType::keyUp) {
        // The taps as they are now: one installed or removed by a callback
        // does not change who sees this event, and each is kept alive through
        // its own callback. The usual desktop has a single tap, which needs
        // no copy of the list.
        if (taps_.size() == 1) {
            const std::shared_ptr<Tap> tap = taps_.front();
            if (tap->installed && tap->enabled && !tap->callback(event)) {
                return false;
            }
        } else {
            const auto taps = taps_;
            for (const auto& tap : taps) {
                if (tap->installed && tap->enabled && !tap->callback(event)) {
                    return false;
                }
            }
        }
    }
    if (event.type == EventType::keyDown || event.type == EventType::keyUp) {
        if (SimTextField* field = focusedField()) {
            field->apply(event, pasteboard_);
        }
    }
    return true;
}

void SimDesktop::endWork() {
    if (--workDepth_ > 0 || nextPending_ == pendingEvents_.size()) {
        return;
    }
    ++workDepth_;
    // Events posted while these are delivered join the end of the queue.
    while (nextPending_ < pendingEvents_.size()) {
        const KeyEvent event = std::move(pendingEvents_[nextPending_++]);
        deliver(event);
    }
    pendingEvents_.clear();
    nextPending_ = 0;
    --workDepth_;
}

SimDesktop::App* SimDesktop::findApp(ProcessId pid) {
    return const_cast<App*>(std::as_const(*this).findApp(pid));
}

const SimDesktop::App* SimDesktop::findApp(ProcessId pid) const {
    // Pids are unique, and the application asked for is most often the one
    // asked for last (the one in front).
    if (lastFound_ < apps_.size() && apps_[lastFound_].info.pid == pid) {
        return &apps_[lastFound_];
    }
    auto it = std::find_if(apps_.begin(), apps_.end(),
                           [pid](const App& app) { return app.info.pid == pid; });
    if (it == apps_.end()) {
        return nullptr;
    }
    lastFound_ = static_cast<std::size_t>(it - apps_.begin());
    return &*it;
}

}  // namespace halvora::platform::sim
