// The whole keystroke chain in one process: fcitx5 with its test front end
// and the Halvora addon on one thread, the desktop side (the D-Bus keystroke
// source and a real keyboard controller on Qt's event loop) on another, both
// on a private session bus. Keys go in through the front end; what the
// application would show is rebuilt from what reaches it: commits, forwarded
// keys and the keys the input method let through.
//
// fcitx5's Instance wants its own main loop, so this is a plain program in
// the style of fcitx5's own tests rather than a GoogleTest binary. It prints
// one line per case and "N passed, N failed" at the end.

#include "BridgeDesktop.h"
#include "PrivateSessionBus.h"

#include <fcitx-utils/capabilityflags.h>
#include <fcitx-utils/eventdispatcher.h>
#include <fcitx-utils/key.h>
#include <fcitx-utils/testing.h>
#include <fcitx-utils/utf8.h>
#include <fcitx/addonmanager.h>
#include <fcitx/event.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <fcitx/instance.h>
#include <testfrontend_public.h>

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

/// What one application's text field shows, rebuilt from what reaches it.
struct Field {
    std::string text;
    std::vector<std::string> pasteShortcuts;
};

void eraseLastCharacter(std::string& text) {
    if (text.empty()) {
        return;
    }
    auto it = text.end();
    do {
        --it;
    } while (it != text.begin() && (static_cast<unsigned char>(*it) & 0xC0) == 0x80);
    text.erase(it, text.end());
}

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
        frontend_ = instance_.addonManager().addon("testfrontend");

        auto watch = [this](fcitx::EventType type, fcitx::EventWatcherPhase phase, auto handler) {
            watchers_.push_back(instance_.watchEvent(type, phase, handler));
        };
        watch(fcitx::EventType::InputContextCommitString, fcitx::EventWatcherPhase::PreInputMethod,
              [this](fcitx::Event& event) {
                  auto& commit = static_cast<fcitx::CommitStringEvent&>(event);
                  fields_[commit.inputContext()].text += commit.text();
              });
        watch(fcitx::EventType::InputContextForwardKey, fcitx::EventWatcherPhase::PreInputMethod,
              [this](fcitx::Event& event) {
                  auto& forwarded = static_cast<fcitx::ForwardKeyEvent&>(event);
                  if (!forwarded.isRelease()) {
                      applicationKey(forwarded.inputContext(), forwarded.rawKey());
                  }
              });
        // Keys the input method did not take reach the application.
        watch(fcitx::EventType::InputContextKeyEvent, fcitx::EventWatcherPhase::PostInputMethod,
              [this](fcitx::Event& event) {
                  auto& key = static_cast<fcitx::KeyEvent&>(event);
                  if (!key.isRelease() && !key.filtered()) {
                      applicationKey(key.inputContext(), key.rawKey());
                  }
              });
    }

    fcitx::ICUUID openField(const std::string& program, fcitx::CapabilityFlags caps) {
        const fcitx::ICUUID uuid =
            frontend_->call<fcitx::ITestFrontend::createInputContext>(program);
        fcitx::InputContext* ic = instance_.inputContextManager().findByUUID(uuid);
        ic->setCapabilityFlags(caps);
        ic->focusIn();
        fields_[ic] = {};
        return uuid;
    }
    void closeField(const fcitx::ICUUID& uuid) {
        fcitx::InputContext* ic = instance_.inputContextManager().findByUUID(uuid);
        fields_.erase(ic);
        frontend_->call<fcitx::ITestFrontend::destroyInputContext>(uuid);
    }
    void press(const fcitx::ICUUID& uuid, const fcitx::Key& key) {
        frontend_->call<fcitx::ITestFrontend::keyEvent>(uuid, key, false);
        frontend_->call<fcitx::ITestFrontend::keyEvent>(uuid, key, true);
    }
    Field field(const fcitx::ICUUID& uuid) {
        return fields_[instance_.inputContextManager().findByUUID(uuid)];
    }

  private:
    /// A key as an ordinary text field takes it.
    void applicationKey(fcitx::InputContext* ic, const fcitx::Key& key) {
        Field& field = fields_[ic];
        if (key.sym() == FcitxKey_BackSpace) {
            eraseLastCharacter(field.text);
        } else if (key.sym() == FcitxKey_v && key.states().test(fcitx::KeyState::Ctrl)) {
            field.pasteShortcuts.push_back(key.toString());
            field.text += desktop_.run([](Desktop& d) { return d.clipboardText(); });
        } else if (key.sym() == FcitxKey_Return) {
            field.text += '\n';
        } else if (!key.states().test(fcitx::KeyState::Ctrl) &&
                   !key.states().test(fcitx::KeyState::Alt)) {
            const std::string typed = fcitx::Key::keySymToUTF8(key.sym());
            if (!typed.empty() && static_cast<unsigned char>(typed[0]) >= 0x20 && typed != "\x7f") {
                field.text += typed;
            }
        }
    }

    fcitx::Instance& instance_;
    DesktopThread& desktop_;
    fcitx::EventDispatcher dispatcher_;
    fcitx::AddonInstance* frontend_ = nullptr;
    std::vector<std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>>> watchers_;
    std::map<fcitx::InputContext*, Field> fields_;
};

// --- The cases --------------------------------------------------------------

/// The key a user presses for one character of a keystroke script: "\x1b"
/// Escape, "\b" Backspace, "\n" Return; capitals with Shift.
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

    DesktopThread desktop(dataFolder);

    char arg0[] = "halvora-fcitx5-bridge-test";
    char arg1[] = "--disable=all";
    char arg2[] = "--enable=testfrontend,halvora";
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
        fcitx::ICUUID warmUp =
            framework.run([&] { return framework.openField("gedit", fcitx::CapabilityFlags{}); });
        bool running = false;
        for (int i = 0; i < 300 && !running; ++i) {
            std::this_thread::sleep_for(10ms);
            running = desktop.run([](Desktop& d) { return d.controller.isRunning(); });
        }
        framework.run([&] { framework.closeField(warmUp); });
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
             {"Control+v"}},
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
        };

        for (const Case& c : cases) {
            desktop.run([&](Desktop& d) {
                d.controller.setMethod(c.method);
                d.slowKeys = c.slowKeys;
                if (c.slowKeys > 0 && !d.slowTap) {
                    d.slowTap = d.keys.install([&d](const platform::KeyEvent& event) {
                        if (event.type == platform::EventType::keyDown && d.slowKeys > 0) {
                            --d.slowKeys;
                            std::this_thread::sleep_for(120ms);
                        }
                        return true;
                    });
                }
            });
            const fcitx::ICUUID uuid =
                framework.run([&] { return framework.openField(c.program, c.caps); });
            for (char k : c.keys) {
                framework.run([&] { framework.press(uuid, keyFor(k)); });
            }
            // Delayed pastes arrive later, as signals.
            std::this_thread::sleep_for(c.pastes.empty() ? 50ms : 400ms);
            if (c.slowKeys > 0) {
                std::this_thread::sleep_for(300ms);
            }
            const Field field = framework.run([&] { return framework.field(uuid); });
            framework.run([&] { framework.closeField(uuid); });
            const bool ok = field.text == c.expected && field.pasteShortcuts == c.pastes;
            if (ok) {
                ++passed;
                std::printf("ok: %s\n", c.name.c_str());
            } else {
                ++failed;
                std::string pastes;
                for (const auto& p : field.pasteShortcuts) {
                    pastes += p + " ";
                }
                std::printf(
                    "FAIL: %s: typed \"%s\", field shows \"%s\" (expected \"%s\"); "
                    "pastes: %s\n",
                    c.name.c_str(), c.keys.c_str(), field.text.c_str(), c.expected.c_str(),
                    pastes.c_str());
            }
        }
        desktop.run([](Desktop& d) { d.slowTap.reset(); });
        framework.run([&] { instance.exit(); });
    });
    instance.exec();
    driver.join();
    fs::remove_all(dataFolder);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
