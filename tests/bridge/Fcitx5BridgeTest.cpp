// The whole keystroke chain in one process: fcitx5 with the Halvora addon
// and a text field of the test's own as the input context on one thread, the desktop side (the
// D-Bus keystroke source and a real keyboard controller on Qt's event loop) on another, both on a
// private session bus. Keys go in as the framework's key events; the field shows what reaches it:
// commits, deletions, forwarded keys and the keys the input method let through.
//
// fcitx5's Instance wants its own main loop, so this is a plain program in
// the style of fcitx5's own tests rather than a GoogleTest binary. It prints
// one line per case and "N passed, N failed" at the end.

#include "BridgeDesktop.h"
#include "PrivateSessionBus.h"

#include "bridge/BridgeProtocol.h"

#include <fcitx-utils/capabilityflags.h>
#include <fcitx-utils/event.h>
#include <fcitx-utils/eventdispatcher.h>
#include <fcitx-utils/key.h>
#include <fcitx-utils/testing.h>
#include <fcitx-utils/utf8.h>
#include <fcitx/addonmanager.h>
#include <fcitx/event.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <fcitx/inputpanel.h>
#include <fcitx/instance.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using namespace halvora;
namespace fs = std::filesystem;
using halvora::bridge::testing::Desktop;
using halvora::bridge::testing::DesktopThread;

// --- The framework side -----------------------------------------------------

void eraseLastCharacters(std::string& text, std::size_t count) {
    for (; count > 0 && !text.empty(); --count) {
        auto it = text.end();
        do {
            --it;
        } while (it != text.begin() && (static_cast<unsigned char>(*it) & 0xC0) == 0x80);
        text.erase(it, text.end());
    }
}

/// An application's text field as an input context: it shows what reaches
/// it the way a client toolkit would apply it. With `surrounding` it tells
/// the framework the text before the caret, as toolkits that support it do.
class FieldContext final : public fcitx::InputContext {
  public:
    FieldContext(fcitx::InputContextManager& manager, const std::string& program,
                 fcitx::CapabilityFlags caps, std::function<std::string()> clipboard,
                 bool queuesForwardedKeys = false)
        : InputContext(manager, program),
          clipboard_(std::move(clipboard)),
          loop_(manager.instance()->eventLoop()),
          queuesForwardedKeys_(queuesForwardedKeys) {
        created();
        setCapabilityFlags(caps);
        syncSurroundingText();
    }
    ~FieldContext() override { destroy(); }

    const char* frontend() const override { return "halvora-test"; }

    /// A key the user presses; answers whether the input method took it.
    bool press(const fcitx::Key& key) {
        fcitx::KeyEvent down(this, key, false);
        const bool taken = keyEvent(down);
        if (!taken) {
            applicationKey(key);
        }
        fcitx::KeyEvent up(this, key, true);
        keyEvent(up);
        return taken;
    }

    /// The user clicks elsewhere in the text, then back at its end: the
    /// caret moves, the text stays.
    void clickAround() {
        if (capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText)) {
            surroundingText().setText(text_, 0, 0);
            updateSurroundingText();
            syncSurroundingText();
        } else if (capabilityFlags().test(fcitx::CapabilityFlag::Preedit)) {
            // As Chromium does: the pre-edit text becomes the field's own,
            // then the input method is reset.
            text_ += preedit_;
            preedit_.clear();
            reset();
        }
    }

    /// Keyboard focus goes to another window and comes back. The field
    /// stops showing its pre-edit text when it loses the focus.
    void focusAwayAndBack() {
        focusOut();
        preedit_.clear();
        focusIn();
    }

    /// As Firefox does now and then right after a commit: it resets the
    /// input method by itself, keeps showing its pre-edit text and waits
    /// for the input method to commit it.
    void resetByItself() { reset(); }

    /// As Firefox does while it composes: the caret is reported a
    /// character before where it is.
    void reportCaretOneOff() {
        const auto length = static_cast<unsigned int>(fcitx::utf8::length(text_));
        if (length > 0) {
            surroundingText().setText(text_, length - 1, length - 1);
            updateSurroundingText();
        }
    }

    const std::string& text() const { return text_; }
    const std::string& preedit() const { return preedit_; }
    int preeditUpdates() const { return preeditUpdates_; }
    int uncodedForwards() const { return uncodedForwards_; }
    const std::vector<std::string>& pasteShortcuts() const { return pastes_; }
    int forwardedBackspaces() const { return forwardedBackspaces_; }
    int deletions() const { return deletions_; }

  protected:
    void commitStringImpl(const std::string& text) override {
        text_ += text;
        syncSurroundingText();
    }
    void deleteSurroundingTextImpl(int offset, unsigned int size) override {
        ++deletions_;
        // Only deletions that end at the caret occur here.
        if (offset + static_cast<int>(size) == 0) {
            eraseLastCharacters(text_, size);
        } else {
            text_ += "<bad deletion>";
        }
        syncSurroundingText();
    }
    void forwardKeyImpl(const fcitx::ForwardKeyEvent& event) override {
        if (event.rawKey().code() == 0) {
            // Frontends that hand keys to the display server need the code.
            ++uncodedForwards_;
        }
        if (event.isRelease()) {
            return;
        }
        if (event.rawKey().sym() == FcitxKey_BackSpace) {
            ++forwardedBackspaces_;
        }
        if (!queuesForwardedKeys_) {
            applicationKey(event.rawKey());
            return;
        }
        // As GTK-based Chromium does: forwarded keys join the key queue and
        // act a little later, after commits and pre-edit
        // text that came meanwhile; a key acting while pre-edit text shows
        // makes that text the field's own first.
        queued_.push_back(event.rawKey());
        if (queued_.size() == 1) {
            // A few milliseconds later, as the client's own loop comes round.
            pending_ =
                loop_.addTimeEvent(CLOCK_MONOTONIC, fcitx::now(CLOCK_MONOTONIC) + 20 * 1000, 1000,
                                   [this](fcitx::EventSourceTime*, std::uint64_t) {
                                       for (const fcitx::Key& key : std::exchange(queued_, {})) {
                                           text_ += std::exchange(preedit_, {});
                                           applicationKey(key);
                                       }
                                       pending_.reset();
                                       return true;
                                   });
        }
    }
    void updatePreeditImpl() override {
        ++preeditUpdates_;
        preedit_ = inputPanel().clientPreedit().toString();
    }

  private:
    /// A key as an ordinary text field takes it.
    void applicationKey(const fcitx::Key& key) {
        if (key.sym() == FcitxKey_BackSpace) {
            eraseLastCharacters(text_, 1);
        } else if (key.sym() == FcitxKey_v && key.states().test(fcitx::KeyState::Ctrl)) {
            pastes_.push_back(key.toString());
            text_ += clipboard_();
        } else if (key.sym() == FcitxKey_Return) {
            text_ += '\n';
        } else if (!key.states().test(fcitx::KeyState::Ctrl) &&
                   !key.states().test(fcitx::KeyState::Alt)) {
            const std::string typed = fcitx::Key::keySymToUTF8(key.sym());
            if (!typed.empty() && static_cast<unsigned char>(typed[0]) >= 0x20 && typed != "\x7f") {
                text_ += typed;
            }
        }
        syncSurroundingText();
    }

    void syncSurroundingText() {
        if (!capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText)) {
            return;
        }
        const auto length = static_cast<unsigned int>(fcitx::utf8::length(text_));
        surroundingText().setText(text_, length, length);
        updateSurroundingText();
    }

    std::function<std::string()> clipboard_;
    fcitx::EventLoop& loop_;
    bool queuesForwardedKeys_ = false;
    std::vector<fcitx::Key> queued_;
    std::unique_ptr<fcitx::EventSource> pending_;
    std::string text_;
    std::string preedit_;
    std::vector<std::string> pastes_;
    int forwardedBackspaces_ = 0;
    int deletions_ = 0;
    int preeditUpdates_ = 0;
    int uncodedForwards_ = 0;
};

class Framework {
  public:
    Framework(fcitx::Instance& instance, DesktopThread& desktop)
        : instance_(instance), desktop_(desktop) {
        dispatcher_.attach(&instance_.eventLoop());
    }

    /// Runs `task` on the framework's thread and waits for it.
    template <typename Task>
    auto run(Task task) {
        using Result = decltype(task());
        std::promise<Result> result;
        dispatcher_.schedule([&] {
            if constexpr (std::is_void_v<Result>) {
                task();
                result.set_value();
            } else {
                result.set_value(task());
            }
        });
        return result.get_future().get();
    }

    /// On the framework's thread, once the instance runs.
    void setUp() {
        auto group = instance_.inputMethodManager().currentGroup();
        group.inputMethodList().clear();
        group.inputMethodList().push_back(fcitx::InputMethodGroupItem("halvora"));
        group.setDefaultInputMethod("halvora");
        instance_.inputMethodManager().setGroup(group);
    }

    FieldContext& openField(const std::string& program, fcitx::CapabilityFlags caps,
                            bool queuesForwardedKeys = false) {
        field_ = std::make_unique<FieldContext>(
            instance_.inputContextManager(), program, caps,
            [this] { return desktop_.run([](Desktop& d) { return d.clipboardText(); }); },
            queuesForwardedKeys);
        field_->focusIn();
        return *field_;
    }
    void closeField() { field_.reset(); }

  private:
    fcitx::Instance& instance_;
    DesktopThread& desktop_;
    fcitx::EventDispatcher dispatcher_;
    std::unique_ptr<FieldContext> field_;
};

// --- The cases --------------------------------------------------------------

/// The key a user presses for one character of a keystroke script: "\x1b"
/// Escape, "\b" Backspace, "\n" Return; capitals with Shift. "|" is not a
/// key but a click into the field, "~" the focus going away and back, "^"
/// the typo suggestion on offer taken (its hot key), "%" a reset the field
/// makes by itself, ">" the field reporting its caret a character off.
fcitx::Key keyFor(char c) {
    switch (c) {
        case '\x1b':
            return fcitx::Key(FcitxKey_Escape);
        case '\b':
            return fcitx::Key(FcitxKey_BackSpace);
        case '\n':
            return fcitx::Key(FcitxKey_Return);
        default:
            break;
    }
    if (c >= 'A' && c <= 'Z') {
        return fcitx::Key(static_cast<fcitx::KeySym>(c), fcitx::KeyState::Shift);
    }
    return fcitx::Key(static_cast<fcitx::KeySym>(static_cast<unsigned char>(c)));
}

enum class Erasing {
    /// No surrounding-text deletion (BackSpace keys, if anything).
    notInPlace,
    /// Surrounding-text deletions and no BackSpace keys.
    inPlace,
    /// Pre-edit text only: neither deletions nor BackSpace keys.
    composing,
};

struct Case {
    std::string name;
    std::string program;
    fcitx::CapabilityFlags caps;
    engine::InputMethod method;
    std::string keys;
    std::string expected;
    /// Paste shortcuts the field received, in order.
    std::vector<std::string> pastes{};
    /// Keys answered after the addon stopped waiting.
    int slowKeys = 0;
    /// How corrections reached the field.
    Erasing erasing = Erasing::notInPlace;
    /// Pre-edit text still shown at the end.
    std::string preedit{};
    /// The field runs forwarded keys after commits already received.
    bool queuesForwardedKeys = false;
};

}  // namespace

int main() {
    halvora::bridge::testing::PrivateSessionBus bus;
    const fs::path dataFolder =
        fs::temp_directory_path() / ("halvora-bridge-test-" + std::to_string(::getpid()));
    fs::create_directories(dataFolder);

    fcitx::setupTestingEnvironment(HALVORA_FCITX5_DIR, {"lib"}, {"data"});
    // The framework's own test modules and the dbus module, beside ours.
    ::setenv("FCITX_ADDON_DIRS", HALVORA_FCITX5_DIR "/lib:" FCITX5_SYSTEM_ADDON_DIR, 1);
    ::setenv("FCITX_DATA_DIRS",
             HALVORA_FCITX5_DIR "/data:" FCITX5_SYSTEM_DATA_DIR "/testing:" FCITX5_SYSTEM_DATA_DIR,
             1);

    // Roomy, so that a busy machine cannot fail a key by accident; the slow
    // case below waits longer still.
    ::setenv("HALVORA_KEY_TIMEOUT_MS", "400", 1);
    DesktopThread desktop(dataFolder);

    char arg0[] = "halvora-fcitx5-bridge-test";
    char arg1[] = "--disable=all";
    char arg2[] = "--enable=halvora";
    char* argv[] = {arg0, arg1, arg2};
    fcitx::Instance instance(3, argv);
    instance.addonManager().registerDefaultLoader(nullptr);
    Framework framework(instance, desktop);

    int passed = 0;
    int failed = 0;
    std::thread driver([&] {
        framework.run([&] { framework.setUp(); });
        // The addon announces itself when it loads; the controller starts
        // once the desktop knows it is there.
        framework.run([&] { framework.openField("gedit", fcitx::CapabilityFlags{}); });
        bool running = false;
        for (int i = 0; i < 300 && !running; ++i) {
            std::this_thread::sleep_for(10ms);
            running = desktop.run([](Desktop& d) { return d.controller.isRunning(); });
        }
        framework.run([&] { framework.closeField(); });
        if (!running) {
            std::printf("FAIL: the controller never started: the addon did not attach\n");
            ++failed;
        }

        using engine::InputMethod;
        const fcitx::CapabilityFlags none{};
        const std::vector<Case> cases = {
            {"telex words", "gedit", none, InputMethod::telex, "tieengs vieetj ddaay ",
             "tiếng việt đây "},
            {"telex capitals", "gedit", none, InputMethod::telex, "Vieetj Nam", "Việt Nam"},
            {"vni words", "gedit", none, InputMethod::vni, "Tie61ng Vie65t 2026",
             "Tiếng Việt 2026"},
            {"english restored at the boundary", "gedit", none, InputMethod::telex, "fax wifi ass ",
             "fax wifi as "},
            {"escape restores the keystrokes", "gedit", none, InputMethod::telex, "vieetj\x1b",
             "vieetj"},
            {"boundary return after a word", "gedit", none, InputMethod::telex, "chaof\nban",
             "chào\nban"},
            {"snippet code pasted",
             "gedit",
             none,
             InputMethod::telex,
             "xin ;cam ",
             "xin Cảm ơn anh đã ủng hộ",
             // Text alone goes the way typed text goes, not as a shortcut.
             {}},
            {"terminal: english and shift paste",
             "gnome-terminal-server",
             none,
             InputMethod::telex,
             "vieetj ;cam ",
             "vieetj Cảm ơn anh đã ủng hộ",
             {"Control+Shift+v"}},
            {"password field left alone", "gedit", fcitx::CapabilityFlag::Password,
             InputMethod::telex, "vieetj ", "vieetj "},
            {"url field left alone in a browser", "firefox", fcitx::CapabilityFlag::Url,
             InputMethod::telex, "vieetj", "vieetj"},
            {"a late answer lets the key pass",
             "gedit",
             none,
             InputMethod::telex,
             "aa",
             "aa",
             {},
             2},
            // Corrections, the restored word, Escape and the erased code all
            // go through the surrounding text when the client offers it.
            {"surrounding text: erased in place",
             "gedit",
             fcitx::CapabilityFlag::SurroundingText,
             InputMethod::telex,
             "tieengs fax ddaay\x1b ;cam ",
             "tiếng fax ddaay Cảm ơn anh đã ủng hộ",
             {},
             0,
             Erasing::inPlace},
            // A click ends the word: the next "e" starts afresh.
            {"surrounding text: a click ends the word",
             "gedit",
             fcitx::CapabilityFlag::SurroundingText,
             InputMethod::telex,
             "vie|e",
             "viee",
             {},
             0,
             Erasing::notInPlace},
            {"without a click the same keys compose",
             "gedit",
             fcitx::CapabilityFlag::SurroundingText,
             InputMethod::telex,
             "viee",
             "viê",
             {},
             0,
             Erasing::inPlace},
            // Clients without surrounding text but with pre-edit text
            // (Chromium): the word is composed as pre-edit text and
            // committed when it ends.
            {"pre-edit: corrections, restored word and code",
             "chromium",
             fcitx::CapabilityFlag::Preedit,
             InputMethod::telex,
             "Tieengs fax ass ddaay\x1b ;cam ",
             "Tiếng fax as ddaay Cảm ơn anh đã ủng hộ",
             {},
             0,
             Erasing::composing},
            {"pre-edit: vni word ends at return, next word still pre-edit",
             "chromium",
             fcitx::CapabilityFlag::Preedit,
             InputMethod::vni,
             "Vie65t\nNam",
             "Việt\n",
             {},
             0,
             Erasing::composing,
             "Nam"},
            {"backspace inside the word", "gedit", none, InputMethod::telex, "tieengs\b\bs ",
             "tiế "},
            {"pre-edit: backspace inside the word",
             "chromium",
             fcitx::CapabilityFlag::Preedit,
             InputMethod::telex,
             "tieengs\b\bs ",
             "tiế ",
             {},
             0,
             Erasing::composing},
            // A typo suggestion taken after the Space erases beyond the
            // word. The same result whichever way the field erases, and in a
            // field whose key queue runs behind its commits (Chromium).
            {"suggestion taken", "gedit", none, InputMethod::telex, "xin mwois ^nhaast ",
             "xin mới nhất "},
            {"surrounding text: suggestion taken",
             "gedit",
             fcitx::CapabilityFlag::SurroundingText,
             InputMethod::telex,
             "xin mwois ^nhaast ",
             "xin mới nhất ",
             {},
             0,
             Erasing::inPlace},
            {"pre-edit: suggestion taken, keys queued behind commits",
             "chromium",
             fcitx::CapabilityFlag::Preedit,
             InputMethod::telex,
             "xin mwois ^nhaast ",
             "xin mới nhất ",
             {},
             0,
             Erasing::notInPlace,
             "",
             true},
            {"pre-edit: sensitive field typed straight through", "chromium",
             fcitx::CapabilityFlags{fcitx::CapabilityFlag::Preedit,
                                    fcitx::CapabilityFlag::Sensitive},
             InputMethod::telex, "vieetj", "vieetj"},
            {"pre-edit: a click keeps the word and ends it",
             "chromium",
             fcitx::CapabilityFlag::Preedit,
             InputMethod::telex,
             "vie|e ",
             "viee ",
             {},
             0,
             Erasing::composing},
            {"firefox: a reset of its own keeps the letter it shows",
             "firefox",
             fcitx::CapabilityFlags{fcitx::CapabilityFlag::Preedit,
                                    fcitx::CapabilityFlag::SurroundingText},
             InputMethod::telex,
             "Tieengs V%ieetj ",
             "Tiếng Việt ",
             {},
             0,
             Erasing::composing},
            {"firefox: a caret reported off in the middle of a word is no click",
             "firefox",
             fcitx::CapabilityFlags{fcitx::CapabilityFlag::Preedit,
                                    fcitx::CapabilityFlag::SurroundingText},
             InputMethod::telex,
             "xin k>hoong ",
             "xin không ",
             {},
             0,
             Erasing::composing},
            {"pre-edit: focus away and back keeps the word and ends it",
             "chromium",
             fcitx::CapabilityFlag::Preedit,
             InputMethod::telex,
             "vie~e ",
             "viee ",
             {},
             0,
             Erasing::composing},
        };

        for (const Case& c : cases) {
            desktop.run([&](Desktop& d) {
                d.controller.setMethod(c.method);
                d.slowKeys = c.slowKeys;
                if (c.slowKeys > 0 && !d.slowTap) {
                    d.slowTap = d.keys.install([&d](const platform::KeyEvent& event) {
                        if (event.type == platform::EventType::keyDown && d.slowKeys > 0) {
                            --d.slowKeys;
                            std::this_thread::sleep_for(600ms);
                        }
                        return true;
                    });
                }
            });
            FieldContext* field = framework.run(
                [&] { return &framework.openField(c.program, c.caps, c.queuesForwardedKeys); });
            for (char k : c.keys) {
                if (k == '|') {
                    framework.run([&] { field->clickAround(); });
                } else if (k == '~') {
                    framework.run([&] { field->focusAwayAndBack(); });
                } else if (k == '%') {
                    framework.run([&] { field->resetByItself(); });
                } else if (k == '>') {
                    framework.run([&] { field->reportCaretOneOff(); });
                } else if (k == '^') {
                    desktop.run([](Desktop& d) { d.controller.acceptSuggestion(); });
                    // The replacement arrives as a signal; let it land.
                    std::this_thread::sleep_for(200ms);
                } else {
                    framework.run([&] { field->press(keyFor(k)); });
                }
            }
            struct Seen {
                std::string text;
                std::string preedit;
                std::vector<std::string> pastes;
                bool erasedAsExpected;
            };
            auto look = [&] {
                return framework.run([&] {
                    bool erased = false;
                    switch (c.erasing) {
                        case Erasing::notInPlace:
                            erased = field->deletions() == 0;
                            break;
                        case Erasing::inPlace:
                            erased = field->forwardedBackspaces() == 0 && field->deletions() > 0;
                            break;
                        case Erasing::composing:
                            erased = field->forwardedBackspaces() == 0 && field->deletions() == 0 &&
                                     field->preeditUpdates() > 0;
                            break;
                    }
                    return Seen{field->text(), field->preedit(), field->pasteShortcuts(),
                                erased && field->uncodedForwards() == 0};
                });
            };
            // Delayed pastes arrive later, as signals: wait for them, within
            // reason.
            Seen seen = look();
            for (int i = 0; i < 250 && (seen.text != c.expected || seen.pastes != c.pastes); ++i) {
                std::this_thread::sleep_for(20ms);
                seen = look();
            }
            framework.run([&] { framework.closeField(); });
            const bool ok = seen.text == c.expected && seen.preedit == c.preedit &&
                            seen.pastes == c.pastes && seen.erasedAsExpected;
            if (ok) {
                ++passed;
                std::printf("ok: %s\n", c.name.c_str());
            } else {
                ++failed;
                std::string pastes;
                for (const auto& p : seen.pastes) {
                    pastes += p + " ";
                }
                std::printf(
                    "FAIL: %s: typed \"%s\", field shows \"%s\" + pre-edit \"%s\" (expected "
                    "\"%s\" + \"%s\"); pastes: %s%s\n",
                    c.name.c_str(), c.keys.c_str(), seen.text.c_str(), seen.preedit.c_str(),
                    c.expected.c_str(), c.preedit.c_str(), pastes.c_str(),
                    seen.erasedAsExpected ? "" : "; erased the wrong way or keys without codes");
            }
        }
        desktop.run([](Desktop& d) { d.slowTap.reset(); });

        // The desktop quits: keys are the user's again, at once.
        desktop.run([](Desktop& d) { d.keys.stop(); });
        {
            FieldContext* field = framework.run(
                [&] { return &framework.openField("gedit", fcitx::CapabilityFlags{}); });
            const auto start = std::chrono::steady_clock::now();
            const bool taken = framework.run(
                [&] { return field->press(keyFor('a')) || field->press(keyFor('a')); });
            const auto elapsed = std::chrono::steady_clock::now() - start;
            const std::string text = framework.run([&] { return field->text(); });
            framework.run([&] { framework.closeField(); });
            if (!taken && text == "aa" && elapsed < 300ms) {
                ++passed;
                std::printf("ok: without the desktop keys pass untouched\n");
            } else {
                ++failed;
                std::printf(
                    "FAIL: without the desktop: field shows \"%s\", %s, %lld ms\n", text.c_str(),
                    taken ? "a key was taken" : "no key taken",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
            }
        }
        framework.run([&] { instance.exit(); });
    });
    instance.exec();
    driver.join();
    fs::remove_all(dataFolder);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
