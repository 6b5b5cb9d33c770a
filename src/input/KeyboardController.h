#pragma once

// The one object every keystroke of the user passes through: it feeds letters
// to the composition engine and writes corrections into the application in
// front, and routes the keys that start or end the snippet, prompt,
// suggestion and transfer-QR flows, each of which owns its own state. The
// word being composed and the snippet code belong to the controller alone.
// Main queue only.

#include "engine/InputAction.h"
#include "engine/InputMethod.h"
#include "engine/VietInputEngine.h"
#include "input/DynamicQRFlow.h"
#include "input/DynamicQRSource.h"
#include "input/FlowHost.h"
#include "input/FocusedFieldKind.h"
#include "input/ReplyPromptFlow.h"
#include "input/SnippetPasteFlow.h"
#include "input/Suggestion.h"
#include "input/SuggestionFlow.h"
#include "platform/KeyEventTap.h"
#include "platform/Platform.h"
#include "platform/Registration.h"
#include "snippets/ReplyPasteTarget.h"
#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/Snippet.h"
#include "util/Lifetime.h"
#include "util/Signal.h"

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

class KeyboardController final : private FlowHost {
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
    void resetWordAndCode() override;

    // Typo suggestions.
    void clearSuggestion() { suggestions_.clear(); }
    /// Takes the suggestion on offer; false when there is none.
    bool acceptSuggestion() { return suggestions_.accept(); }

    // Snippet flows.
    /// A quick reply whose text has fields is completed in the prompt first.
    static bool needsPrompt(const snippets::Snippet& snippet) {
        return ReplyPromptFlow::needsPrompt(snippet);
    }
    void scheduleReplyPrompt(const snippets::Snippet& snippet,
                             const snippets::ReplyPasteTarget& target) {
        prompts_.schedule(snippet, target);
    }
    void finishReplyPaste(const std::string& text, const snippets::ReplyPasteTarget& target,
                          int attempt) {
        prompts_.finishPaste(text, target, attempt);
    }
    void finishPickerPaste(const snippets::Snippet& snippet,
                           const snippets::ReplyPasteTarget& target, int attempt) {
        pastes_.finishPickerPaste(snippet, target, attempt);
    }

    // Transfer-QR paste.
    void beginDynamicQR(const snippets::Snippet& snippet,
                        std::optional<platform::ProcessId> targetPID) {
        qr_.begin(snippet, targetPID);
    }
    void cancelPendingQR() { qr_.cancelPending(); }
    void finishDynamicQR(std::string message, bool failed) {
        qr_.finish(std::move(message), failed);
    }
    void setQRStatus(std::string message, bool failed) {
        qr_.setStatus(std::move(message), failed);
    }

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
    const std::optional<Suggestion>& suggestion() const { return suggestions_.current(); }
    const std::string& activeBundleID() const { return activeBundleID_; }
    bool qrBusy() const { return qr_.busy(); }
    bool qrFailed() const { return qr_.failed(); }
    const std::optional<std::string>& qrStatus() const { return qr_.status(); }

    // Internal state, readable for the shell and for tests.
    const engine::VietInputEngine& engine() const { return engine_; }
    const std::string& token() const { return token_; }
    FocusedFieldKind focusedFieldKind() const { return focusedFieldKind_; }
    bool pickerOpen() const { return pickerOpen_; }
    snippets::ReplyTemplatePrompt* replyPrompt() const { return prompts_.prompt(); }
    bool hasPendingSuggestionReplacement() const { return suggestions_.hasPendingReplacement(); }

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
    /// The edit "the word, which read `shown`, now reads what the engine
    /// shows" (TextEdit::compose).
    void editWord(std::string shown, bool byKey);
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

    // What the flows ask of the controller.
    /// One edit of the text before the caret: part of the answer to the key
    /// being decided, or carried out at once outside a key.
    void edit(platform::TextEdit edit) override;
    void willChange() override { willChange_.emit(); }
    void didChange() override { changed_.emit(); }
    std::optional<platform::ProcessId> frontmostPID() const override;

    /// Erases a typed code whose snippet matched, then starts its flow.
    bool expandSnippet(const snippets::Snippet& snippet);
    void appActivated(const platform::RunningApplication& app);

    snippets::SnippetStore& store_;
    platform::Platform& platform_;
    OpenPicker onOpenPicker_;

    std::unique_ptr<platform::InstalledTap> tap_;
    engine::VietInputEngine engine_;
    // The engine's answer to the last letter, kept so that its text's storage
    // serves every key.
    engine::InputAction keyAction_;
    std::string token_;
    std::string activeBundleID_;
    FocusedFieldKind focusedFieldKind_ = FocusedFieldKind::ordinary;
    bool needsFocusedFieldRefresh_ = true;
    bool pickerOpen_ = false;
    bool isRunning_ = false;
    std::optional<std::string> conflictingInputApp_;
    /// The edits made while a key is decided; null outside.
    std::vector<platform::TextEdit>* keyEdits_ = nullptr;
    std::vector<platform::TextEdit> spareEdits_;
    bool suggestionsEnabled_ = true;
    bool enabled_ = true;
    engine::InputMethod method_ = engine::InputMethod::telex;

    util::Signal<> willChange_;
    util::Signal<> changed_;
    util::Connection firstObserver_;

    DynamicQRFlow qr_;
    ReplyPromptFlow prompts_;
    SuggestionFlow suggestions_;
    SnippetPasteFlow pastes_;

    util::Lifetime lifetime_;
    platform::Registration activationObserver_;
};

}  // namespace halvora::input
