#include "input/KeyboardController.h"

#include "engine/TypoSuggester.h"
#include "input/AppModePolicy.h"
#include "input/FocusedFieldPolicy.h"
#include "qr/DynamicQRProfile.h"
#include "snippets/SnippetStore.h"
#include "text/Unicode.h"

#include <array>
#include <utility>

namespace halvora::input {
namespace {

namespace keys = platform::keyCodes;
namespace flags = platform::eventFlags;

constexpr platform::EventFlags kCommandControlOption =
    flags::command | flags::control | flags::option;

bool isNavigationKey(platform::KeyCode code) {
    switch (code) {
        case keys::leftArrow:
        case keys::rightArrow:
        case keys::downArrow:
        case keys::upArrow:
        case keys::home:
        case keys::pageUp:
        case keys::end:
        case keys::pageDown:
            return true;
        default:
            return false;
    }
}

// The character a word-boundary key types.
std::optional<char32_t> boundaryCharacter(platform::KeyCode code) {
    switch (code) {
        case keys::returnKey:
        case keys::keypadEnter:
            return U'\r';
        case keys::tab:
            return U'\t';
        case keys::space:
            return U' ';
        default:
            return std::nullopt;
    }
}

}  // namespace

KeyboardController::KeyboardController(snippets::SnippetStore& store, platform::Platform& platform,
                                       snippets::PanelHost& panels, DynamicQRSource* qrSource,
                                       OpenPicker onOpenPicker)
    : store_(store),
      platform_(platform),
      onOpenPicker_(std::move(onOpenPicker)),
      engine_(makeEngine(platform.userDefaults)),
      suggestionsEnabled_(platform.userDefaults.boolOr("suggestionsEnabled", true)),
      qr_(platform, qrSource, *this),
      prompts_(platform, panels),
      suggestions_(platform, *this),
      pastes_(platform, store, prompts_, qr_, *this) {
    activationObserver_ = platform_.workspace.onActivate(
        [this, alive = lifetime_.token()](const platform::RunningApplication& app) {
            if (alive.lock()) {
                appActivated(app);
            }
        });
}

KeyboardController::KeyboardController(snippets::SnippetStore& store, platform::Platform& platform,
                                       snippets::PanelHost& panels, DynamicQRSource* qrSource,
                                       std::function<void()> onChange, OpenPicker onOpenPicker)
    : KeyboardController(store, platform, panels, qrSource, std::move(onOpenPicker)) {
    if (onChange) {
        firstObserver_ = observeChanges(std::move(onChange));
    }
}

KeyboardController::~KeyboardController() {
    activationObserver_.cancel();
    stop();
    lifetime_.end();
}

engine::VietInputEngine KeyboardController::makeEngine(const platform::UserDefaults& defaults) {
    engine::VietInputEngine engine;
    engine.vniMode = false;
    engine.modernTone = defaults.boolOr("modernTone", true);
    return engine;
}

// ---------------------------------------------------------------- running

void KeyboardController::start() {
    if (tap_ || conflictingInputApp_) {
        return;
    }
    tap_ = platform_.eventTap.install(
        [this, alive = lifetime_.token()](const platform::KeyEvent& event) {
            // Our own synthesised events pass untouched (as `handle` would
            // let them), without a look at the controller.
            if (event.sourceUserData == kSyntheticEventMarker &&
                event.type != platform::EventType::tapDisabledByTimeout &&
                event.type != platform::EventType::tapDisabledByUserInput) {
                return true;
            }
            if (!alive.lock()) {
                return true;
            }
            if (event.type == platform::EventType::tapDisabledByTimeout ||
                event.type == platform::EventType::tapDisabledByUserInput) {
                // The system switched the tap off (a slow callback, or the user):
                // switch it straight back on.
                if (tap_) {
                    tap_->setEnabled(true);
                }
                return true;
            }
            return handle(event);
        });
    if (!tap_) {
        return;
    }
    willChange();
    isRunning_ = true;
    didChange();
}

void KeyboardController::stop() {
    prompts_.dismiss();
    pickerOpen_ = false;
    suggestions_.dropPendingReplacement();
    resetWordAndCode();
    clearSuggestion();
    if (tap_) {
        tap_->setEnabled(false);
    }
    tap_.reset();
    willChange();
    isRunning_ = false;
    didChange();
}

// ---------------------------------------------------------------- settings

void KeyboardController::resetWord() {
    if (!engine_.composed().empty()) {
        edit(platform::TextEdit::commit(engine_.composed(), engine_.composed()));
    }
    engine_.setWord({}, {});
}

void KeyboardController::resetCode() {
    if (!token_.empty()) {
        edit(platform::TextEdit::commit(token_, token_));
    }
    token_.clear();
}

void KeyboardController::resetWordAndCode() {
    resetWord();
    resetCode();
}

void KeyboardController::forgetWordAndCode() {
    engine_.setWord({}, {});
    token_.clear();
}

void KeyboardController::setEnabled(bool enabled) {
    willChange();
    enabled_ = enabled;
    resetWordAndCode();
    clearSuggestion();
    didChange();
}

void KeyboardController::setMethod(engine::InputMethod method) {
    willChange();
    method_ = method;
    engine_.vniMode = method == engine::InputMethod::vni;
    resetWord();
    clearSuggestion();
    didChange();
}

void KeyboardController::setSuggestionsEnabled(bool enabled) {
    suggestionsEnabled_ = enabled;
    platform_.userDefaults.set("suggestionsEnabled", enabled);
    clearSuggestion();
    didChange();
}

void KeyboardController::setModernTone(bool modern) {
    platform_.userDefaults.set("modernTone", modern);
    engine_.modernTone = modern;
    resetWordAndCode();
    clearSuggestion();
    didChange();
}

void KeyboardController::setModeManually(bool enabled) {
    setEnabled(enabled);
    if (!activeBundleID_.empty()) {
        platform_.userDefaults.set("mode." + activeBundleID_, enabled);
    }
}

void KeyboardController::setConflictingInputApp(std::optional<std::string> name) {
    if (name == conflictingInputApp_) {
        return;
    }
    willChange();
    conflictingInputApp_ = std::move(name);
    if (conflictingInputApp_) {
        stop();
    }
    didChange();
}

// ---------------------------------------------------------------- applications

void KeyboardController::appActivated(const platform::RunningApplication& app) {
    if (!app.bundleIdentifier ||
        app.bundleIdentifier == platform_.workspace.ownBundleIdentifier()) {
        return;
    }
    suggestions_.dropPendingReplacement();
    // The chat a generation pastes into coming (back) to the front is not a
    // switch away from it: the picker re-activates it right before pasting,
    // and its notice may arrive after the generation has started.
    if (!qr_.isGeneratingFor(app.pid)) {
        cancelPendingQR();
    }
    forgetWordAndCode();
    clearSuggestion();
    needsFocusedFieldRefresh_ = true;
    willChange();
    activeBundleID_ = *app.bundleIdentifier;
    if (const std::optional<bool> mode = AppModePolicy::mode(app, platform_.userDefaults)) {
        setEnabled(*mode);
    }
}

void KeyboardController::refreshModeForCurrentApp() {
    const std::optional<platform::RunningApplication> app =
        platform_.workspace.frontmostApplication();
    // Both identifiers absent counts as this program itself.
    if (!app || app->bundleIdentifier == platform_.workspace.ownBundleIdentifier()) {
        return;
    }
    if (const std::optional<bool> mode = AppModePolicy::mode(*app, platform_.userDefaults)) {
        willChange();
        activeBundleID_ = app->bundleIdentifier.value_or("");
        setEnabled(*mode);
    }
}

std::optional<platform::ProcessId> KeyboardController::frontmostPID() const {
    if (const auto app = platform_.workspace.frontmostApplication()) {
        return app->pid;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- events

bool KeyboardController::handle(const platform::KeyEvent& event) {
    // Our own synthesised events are never processed again.
    if (event.sourceUserData == kSyntheticEventMarker) {
        return true;
    }
    switch (event.type) {
        case platform::EventType::leftMouseDown:
        case platform::EventType::rightMouseDown:
            suggestions_.dropPendingReplacement();
            needsFocusedFieldRefresh_ = true;
            cancelPendingQR();
            forgetWordAndCode();
            clearSuggestion();
            return true;
        case platform::EventType::keyDown: {
            // The list borrows the storage of the last key's list, so that a
            // key needs no new one; a key handled while this one posts its
            // edits finds the spare list empty and makes its own.
            std::vector<platform::TextEdit> edits = std::exchange(spareEdits_, {});
            edits.clear();
            keyEdits_ = &edits;
            const bool pass = handleKeyDown(event);
            keyEdits_ = nullptr;
            const bool result = platform_.textOutput.answerKey(edits, pass);
            spareEdits_ = std::move(edits);
            return result;
        }
        default:
            return true;
    }
}

bool KeyboardController::handleKeyDown(const platform::KeyEvent& event) {
    cancelPendingQR();
    if (platform_.keyboardState.isSecureInputEnabled()) {
        resetWordAndCode();
        clearSuggestion();
        return true;
    }

    const platform::KeyCode code = event.keyCode;
    const platform::EventFlags modifiers = event.flags & kCommandControlOption;

    // The picker panel takes these keys itself.
    if (pickerOpen_ &&
        (code == keys::returnKey || code == keys::escape || code == keys::keypadEnter)) {
        resetWordAndCode();
        clearSuggestion();
        return true;
    }

    if (snippets::ReplyTemplatePrompt* prompt = prompts_.prompt()) {
        if (code == keys::escape) {
            // Its cancel callback ends the prompt and goes back to the target.
            prompt->cancel();
            resetWordAndCode();
            return false;
        }
        if (modifiers != 0) {
            resetWordAndCode();
            return true;
        }
    }

    if (needsFocusedFieldRefresh_) {
        focusedFieldKind_ = FocusedFieldPolicy::inspect(
            platform_.accessibility, FocusedFieldPolicy::isBrowser(activeBundleID_));
        needsFocusedFieldRefresh_ = false;
    }
    if (code == keys::tab || modifiers != 0) {
        // Focus may move with this key.
        needsFocusedFieldRefresh_ = true;
    }
    if (focusedFieldKind_ != FocusedFieldKind::ordinary) {
        resetWordAndCode();
        clearSuggestion();
        return true;
    }

    const bool optionCommand = (event.flags & flags::command) && (event.flags & flags::option) &&
                               !(event.flags & flags::control);
    if (suggestions_.hasPendingReplacement() && !(code == keys::semicolon && optionCommand)) {
        suggestions_.dropPendingReplacement();
    }

    if (modifiers == 0) {
        return handlePlainKey(event);
    }
    if (optionCommand) {
        if (const std::optional<bool> result = handleShortcut(code)) {
            return *result;
        }
    }
    resetWordAndCode();
    clearSuggestion();
    return true;
}

bool KeyboardController::handlePlainKey(const platform::KeyEvent& event) {
    const platform::KeyCode code = event.keyCode;
    clearSuggestion();

    if (code == keys::backspace) {
        if (token_.starts_with(';')) {
            // A code may hold letters of any script: take back a whole character.
            const std::u32string code = text::toUtf32(token_);
            std::string shorter =
                text::toUtf8(std::u32string_view(code).substr(0, text::lastGraphemeStart(code)));
            edit(platform::TextEdit::compose(token_, shorter, true));
            token_ = std::move(shorter);
            if (token_.empty()) {
                resetWord();
            }
            return true;
        }
        if (enabled_ && !engine_.rawKeystrokes().empty()) {
            std::string shown = engine_.composed();
            const engine::InputAction action = engine_.backspace();
            return compose(action, std::move(shown));
        }
        token_.clear();
        return true;
    }

    if (code == keys::escape) {
        if (enabled_ && !engine_.rawKeystrokes().empty() &&
            engine_.rawKeystrokes() != engine_.composed()) {
            // The word goes back to exactly what was typed.
            edit(platform::TextEdit::commit(engine_.composed(), engine_.rawKeystrokes()));
            forgetWordAndCode();
            return false;
        }
        resetWordAndCode();
        return true;
    }

    if (const std::optional<char32_t> boundary = boundaryCharacter(code)) {
        return handleBoundary(code, *boundary);
    }

    if (isNavigationKey(code)) {
        resetWordAndCode();
        return true;
    }

    // The character the key types, when it types exactly one (one ASCII
    // byte always is one).
    const bool oneByte = event.text.size() == 1 && static_cast<unsigned char>(event.text[0]) < 0x80;
    if (!oneByte &&
        (event.text.empty() || text::graphemeCount(std::string_view(event.text)) != 1)) {
        resetWordAndCode();
        return true;
    }
    return handleCharacter(event.text);
}

bool KeyboardController::handleBoundary(platform::KeyCode code, char32_t boundary) {
    if (code == keys::space && !prompts_.prompt() && !pickerOpen_) {
        if (const std::optional<snippets::Snippet> snippet = store_.matchingTrigger(token_)) {
            return expandSnippet(*snippet);
        }
    }
    resetCode();
    if (!enabled_) {
        resetWord();
        return true;
    }

    const std::string raw = engine_.rawKeystrokes();
    std::optional<std::string> candidate;
    if (code == keys::space && suggestionsEnabled_) {
        candidate = engine::TypoSuggester::suggest(raw, engine_.peekCommitText(true, boundary),
                                                   method_, platform_.userDefaults);
    }
    // A corrected word swallows the key, which then acts after the correction.
    const bool result = !commitWord(boundary);
    if (!result) {
        edit(platform::TextEdit::key(code));
    }
    if (candidate) {
        suggestions_.offer(Suggestion{raw, *candidate, frontmostPID()});
    }
    return result;
}

bool KeyboardController::handleCharacter(const std::string& character) {
    const auto lead = static_cast<unsigned char>(character.front());
    const char32_t first = lead < 0x80 ? lead : text::toUtf32(character).front();

    if (character == ";" && !prompts_.prompt() && !pickerOpen_) {
        // A snippet code begins; the word (or code) before it ends here.
        resetCode();
        bool written = false;
        if (enabled_) {
            written = commitWord(U';');
        } else {
            resetWord();
        }
        // After a correction the ";" is typed behind it, not let through.
        edit(platform::TextEdit::compose("", ";", true));
        token_.assign(1, ';');
        return !written;
    }

    if (token_.starts_with(';')) {
        // The characters of a code reach the application as typed.
        if (text::isLetter(first) || text::isNumber(first) || character == "_") {
            edit(platform::TextEdit::compose(token_, token_ + character, true));
            token_ += character;
        } else {
            resetCode();
        }
        return true;
    }

    if (!enabled_) {
        resetWordAndCode();
        return true;
    }

    const bool composes =
        text::isLetter(first) || (method_ == engine::InputMethod::vni && text::isNumber(first));
    if (!composes) {
        token_.clear();
        if (commitWord(first)) {
            // The character is typed behind the correction.
            edit(platform::TextEdit::replace(0, character));
            return false;
        }
        return true;
    }
    std::string shown = engine_.composed();
    engine_.feed(std::string_view(character), keyAction_);
    return compose(keyAction_, std::move(shown));
}

std::optional<bool> KeyboardController::handleShortcut(platform::KeyCode code) {
    if (code == keys::semicolon) {
        if (acceptSuggestion()) {
            return false;
        }
        return std::nullopt;
    }
    if (code == keys::k) {
        if (pickerOpen_ || prompts_.prompt()) {
            return std::nullopt;
        }
        std::optional<snippets::ReplyPasteTarget> target =
            snippets::ReplyPasteTarget::capture(platform_);
        resetWordAndCode();
        clearSuggestion();
        platform_.mainQueue.async(lifetime_.guard([this, target = std::move(target)] {
            if (onOpenPicker_) {
                onOpenPicker_(target);
            }
        }));
        return false;
    }
    if (code == keys::zero) {
        setModeManually(!enabled_);
        return false;
    }
    if (const std::optional<int> slot = SnippetPasteFlow::hotkeySlot(code);
        slot && !pickerOpen_ && !prompts_.prompt()) {
        if (const std::optional<snippets::Snippet> snippet = store_.matchingHotkey(*slot)) {
            resetWordAndCode();
            clearSuggestion();
            pastes_.pasteFromHotkey(*snippet);
            return false;
        }
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- snippets

bool KeyboardController::expandSnippet(const snippets::Snippet& snippet) {
    if (snippet.isDynamicQR()) {
        if (qr_.busy()) {
            // The code stays on screen as typed.
            resetWordAndCode();
            return true;
        }
        if (!qr::DynamicQRProfile::load(platform_.userDefaults).isConfigured()) {
            resetWordAndCode();
            qr_.reportAccountMissing();
            return true;
        }
    }
    std::optional<snippets::ReplyPasteTarget> target;
    if (needsPrompt(snippet)) {
        target = snippets::ReplyPasteTarget::capture(platform_);
        if (!target) {
            resetWordAndCode();
            return true;
        }
    }

    // Erase the typed code (";" included); the Space itself is swallowed.
    edit(platform::TextEdit::commit(token_, ""));
    forgetWordAndCode();

    if (target) {
        prompts_.schedule(snippet, *target);
    } else if (snippet.isDynamicQR()) {
        qr_.begin(snippet, frontmostPID());
    } else {
        pastes_.pasteExpanded(snippet);
    }
    return false;
}

// ---------------------------------------------------------------- writing

bool KeyboardController::commitWord(char32_t boundary) {
    const std::string commit = engine_.peekCommitText(true, boundary);
    std::string shown = engine_.composed();
    engine_.setWord({}, {});
    if (shown.empty() && commit.empty()) {
        return false;
    }
    const bool changed = commit != shown;
    edit(platform::TextEdit::commit(std::move(shown), commit));
    return changed;
}

bool KeyboardController::compose(const engine::InputAction& action, std::string shown) {
    switch (action.kind) {
        case engine::InputAction::Kind::passThrough:
            // The key types itself.
            editWord(std::move(shown), true);
            return true;
        case engine::InputAction::Kind::noChange:
            return false;
        case engine::InputAction::Kind::replace:
            editWord(std::move(shown), false);
            return false;
    }
    return true;
}

void KeyboardController::editWord(std::string shown, bool byKey) {
    if (!keyEdits_) {
        edit(platform::TextEdit::compose(std::move(shown), engine_.composed(), byKey));
        return;
    }
    // Written in place: the edit of every letter, so its strings are not
    // passed from hand to hand.
    platform::TextEdit& word = keyEdits_->emplace_back();
    word.kind = platform::TextEdit::Kind::compose;
    word.shown = std::move(shown);
    word.text = engine_.composed();
    word.byKey = byKey;
}

void KeyboardController::edit(platform::TextEdit edit) {
    if (keyEdits_) {
        keyEdits_->push_back(std::move(edit));
        return;
    }
    const std::array edits{std::move(edit)};
    platform_.textOutput.perform(edits);
}

}  // namespace halvora::input
