#pragma once

// The one object every keystroke of the user passes through: it feeds letters
// to the composition engine and writes corrections into the application in
// front, expands snippet codes, offers typo suggestions and runs the
// transfer-QR paste. Main queue only.

#include "engine/InputAction.h"
#include "engine/InputMethod.h"
#include "engine/VietInputEngine.h"
#include "input/DynamicQRSource.h"
#include "input/FocusedFieldKind.h"
#include "input/Suggestion.h"
#include "platform/KeyEventTap.h"
#include "platform/Platform.h"
#include "platform/Registration.h"
#include "snippets/ReplyPasteTarget.h"
#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/Snippet.h"
#include "util/Signal.h"
#include "util/Uuid.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::snippets {
class PanelHost;
class SnippetStore;
}  // namespace halvora::snippets

namespace halvora::input {

/// The marker of the events the program synthesises; the tap lets them pass.
inline constexpr std::int64_t kSyntheticEventMarker = platform::kSyntheticEventMarker;

class KeyboardController {
  public:
    using OpenPicker = std::function<void(std::optional<snippets::ReplyPasteTarget>)>;

    /// `qrSource` may be null: a QR snippet then fails with the QR error
    /// status instead of pasting. `onOpenPicker` is asked to show the picker
    /// (⌥⌘K) for the chat field captured with the key.
    KeyboardController(snippets::SnippetStore& store, platform::Platform& platform,
                       snippets::PanelHost& panels, DynamicQRSource* qrSource,
                       OpenPicker onOpenPicker = {});
    /// As above, with a first observer of the changes (see `observeChanges`)
    /// connected for the life of the controller.
    KeyboardController(snippets::SnippetStore& store, platform::Platform& platform,
                       snippets::PanelHost& panels, DynamicQRSource* qrSource,
                       std::function<void()> onChange, OpenPicker onOpenPicker);
    ~KeyboardController();
    KeyboardController(const KeyboardController&) = delete;
    KeyboardController& operator=(const KeyboardController&) = delete;

    /// An engine in Telex with the stored tone rule ("modernTone", modern
    /// when absent or not a Boolean).
    static engine::VietInputEngine makeEngine(const platform::UserDefaults& defaults);

    // Running the tap.
    void start();
    void stop();

    /// Decides one event: true lets it through, false swallows it.
    bool handle(const platform::KeyEvent& event);

    // Settings, each with its effects on the word and the menu.
    void setEnabled(bool enabled);
    void setMethod(engine::InputMethod method);
    void setSuggestionsEnabled(bool enabled);
    void setModernTone(bool modern);
    /// Sets `enabled` and remembers it for the application in front.
    void setModeManually(bool enabled);
    void setConflictingInputApp(std::optional<std::string> name);
    void refreshModeForCurrentApp();
    /// Set and cleared by whoever shows the snippet picker.
    void setPickerOpen(bool open) { pickerOpen_ = open; }

    /// Ends the word and the snippet code as they stand: whatever the field
    /// shows of them stays, and both are emptied.
    void resetWordAndCode();

    // Typo suggestions.
    void clearSuggestion();
    /// Takes the suggestion on offer; false when there is none.
    bool acceptSuggestion();

    // Snippet flows.
    /// A quick reply whose text has fields is completed in the prompt first.
    static bool needsPrompt(const snippets::Snippet& snippet);
    void scheduleReplyPrompt(const snippets::Snippet& snippet,
                             const snippets::ReplyPasteTarget& target);
    void finishReplyPaste(const std::string& text, const snippets::ReplyPasteTarget& target,
                          int attempt);
    void finishPickerPaste(const snippets::Snippet& snippet,
                           const snippets::ReplyPasteTarget& target, int attempt);

    // Transfer-QR paste.
    void beginDynamicQR(const snippets::Snippet& snippet,
                        std::optional<platform::ProcessId> targetPID);
    void cancelPendingQR();
    void finishDynamicQR(std::string message, bool failed);
    void setQRStatus(std::string message, bool failed);

    /// Called just after any published property below has changed.
    [[nodiscard]] util::Connection observeChanges(std::function<void()> didChange) {
        return changed_.connect(std::move(didChange));
    }
    /// Called just before any published property below changes.
    [[nodiscard]] util::Connection observe(std::function<void()> willChange) {
        return willChange_.connect(std::move(willChange));
    }

    // Published state.
    bool isRunning() const { return isRunning_; }
    bool enabled() const { return enabled_; }
    engine::InputMethod method() const { return method_; }
    bool suggestionsEnabled() const { return suggestionsEnabled_; }
    const std::optional<std::string>& conflictingInputApp() const { return conflictingInputApp_; }
    const std::optional<Suggestion>& suggestion() const { return suggestion_; }
    const std::string& activeBundleID() const { return activeBundleID_; }
    bool qrBusy() const { return qrBusy_; }
    bool qrFailed() const { return qrFailed_; }
    const std::optional<std::string>& qrStatus() const { return qrStatus_; }

    // Internal state, readable for the shell and for tests.
    const engine::VietInputEngine& engine() const { return engine_; }
    const std::string& token() const { return token_; }
    FocusedFieldKind focusedFieldKind() const { return focusedFieldKind_; }
    bool pickerOpen() const { return pickerOpen_; }
    snippets::ReplyTemplatePrompt* replyPrompt() const { return replyPrompt_.get(); }
    bool hasPendingSuggestionReplacement() const {
        return pendingSuggestionReplacement_.has_value();
    }

  private:
    bool handleKeyDown(const platform::KeyEvent& event);
    bool handlePlainKey(const platform::KeyEvent& event);
    bool handleBoundary(platform::KeyCode keyCode, char32_t boundary);
    bool handleCharacter(const std::string& character);
    /// Option+Command shortcuts; nothing when the key did nothing.
    std::optional<bool> handleShortcut(platform::KeyCode keyCode);

    /// Writes an engine answer for the word that read `shown`; the result is
    /// what `handle` returns.
    bool compose(const engine::InputAction& action, std::string shown);
    /// Ends the word with its commit text; answers whether that differs from
    /// what the field shows (and so was written).
    bool commitWord(char32_t boundary);
    /// Ends the word as it stands.
    void resetWord();
    /// Ends the snippet code as typed.
    void resetCode();
    /// Empties the word and the code without writing anything: the field
    /// (a click, another application) has taken what it showed.
    void forgetWordAndCode();
    void notify();
    void willChange() { willChange_.emit(); }

    /// One edit of the text before the caret: part of the answer to the key
    /// being decided, or carried out at once outside a key.
    void edit(platform::TextEdit edit);

    bool expandSnippet(const snippets::Snippet& snippet);
    void pasteFromHotkey(const snippets::Snippet& snippet);
    void appActivated(const platform::RunningApplication& app);
    void finishSuggestionReplacement(util::Uuid id, Suggestion suggestion, int attempt);
    std::optional<platform::ProcessId> frontmostPID() const;
    /// Ends the prompt without destroying it inside its own callback.
    void releaseReplyPrompt();

    /// Wraps deferred work so it does nothing once the controller is gone.
    std::function<void()> guarded(std::function<void()> task) const;

    snippets::SnippetStore& store_;
    platform::Platform& platform_;
    snippets::PanelHost& panels_;
    DynamicQRSource* qrSource_;
    OpenPicker onOpenPicker_;

    std::unique_ptr<platform::InstalledTap> tap_;
    engine::VietInputEngine engine_;
    std::string token_;
    std::string activeBundleID_;
    FocusedFieldKind focusedFieldKind_ = FocusedFieldKind::ordinary;
    bool needsFocusedFieldRefresh_ = true;
    std::optional<util::Uuid> qrGeneration_;
    /// The application the running generation pastes into.
    std::optional<platform::ProcessId> qrTargetPID_;
    bool qrPasting_ = false;
    std::unique_ptr<snippets::ReplyTemplatePrompt> replyPrompt_;
    bool pickerOpen_ = false;
    std::optional<util::Uuid> pendingSuggestionReplacement_;
    bool isRunning_ = false;
    std::optional<std::string> conflictingInputApp_;
    std::optional<Suggestion> suggestion_;
    bool qrBusy_ = false;
    bool qrFailed_ = false;
    std::optional<std::string> qrStatus_;
    /// The edits made while a key is decided; null outside.
    std::vector<platform::TextEdit>* keyEdits_ = nullptr;
    bool suggestionsEnabled_ = true;
    bool enabled_ = true;
    engine::InputMethod method_ = engine::InputMethod::telex;

    util::Signal<> willChange_;
    util::Signal<> changed_;
    util::Connection firstObserver_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
    platform::Registration activationObserver_;
};

}  // namespace halvora::input
