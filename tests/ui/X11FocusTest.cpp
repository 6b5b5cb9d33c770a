// The focus going back to the chat on a real X server with a window manager
// (openbox, started by the test): a quick reply filled in the prompt while
// the workspace window is open still pastes into the chat.

#include "TemporaryFolder.h"
#include "desktop/DesktopApplication.h"
#include "platform/KeystrokeSource.h"
#include "snippets/ReplyPasteTarget.h"
#include "ui/QtPanelHost.h"
#include "ui/ReplyTemplatePromptView.h"

#include "ProcessEvents.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace halvora::desktop {
namespace {

using platform::AccessibilityElement;
using platform::ProcessId;
using platform::RunningApplication;

constexpr ProcessId kChatPid = 4242;

using halvora::testing::processEventsFor;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

std::optional<std::uint32_t> windowProperty(xcb_connection_t* connection, xcb_window_t window,
                                            xcb_atom_t property) {
    const auto cookie = xcb_get_property(connection, 0, window, property, XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::optional<std::uint32_t> value;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        std::memcpy(&value.emplace(), xcb_get_property_value(reply), 4);
    }
    std::free(reply);
    return value;
}

/// The keystroke side as the input-method bridge behaves: the program in
/// front is the one whose window has the focus (this program's own while one
/// of its windows has it), and the chat's field is focused exactly while the
/// chat's window is active.
class WindowFollowingKeystrokes final : public platform::KeystrokeSource {
  public:
    WindowFollowingKeystrokes(xcb_connection_t* connection, xcb_window_t root, xcb_window_t chat)
        : connection_(connection),
          root_(root),
          chat_(chat),
          activeAtom_(atom(connection, "_NET_ACTIVE_WINDOW")) {}

    std::vector<std::string> pastes;

    bool chatIsActive() const { return windowProperty(connection_, root_, activeAtom_) == chat_; }

    std::unique_ptr<platform::InstalledTap> install(Callback) override { return nullptr; }
    bool answerKey(std::span<const platform::TextEdit>, bool pass) override { return pass; }
    bool perform(std::span<const platform::TextEdit> edits) override {
        for (const auto& edit : edits) {
            if (edit.kind == platform::TextEdit::Kind::paste && chatIsActive()) {
                pastes.push_back(edit.text);
            }
        }
        return true;
    }
    bool isSecureInputEnabled() const override { return false; }
    platform::EventFlags modifierFlags() const override { return 0; }
    bool isProcessTrusted() const override { return false; }
    bool promptForTrust() override { return false; }
    std::optional<AccessibilityElement> focusedElement(double) override {
        return chatIsActive() ? AccessibilityElement{kChatPid, 1}
                              : AccessibilityElement{static_cast<ProcessId>(::getpid()), 2};
    }
    platform::ElementAttributes attributes(const AccessibilityElement&, double) override {
        return {"AXTextField", {}, {}, {}, {}};
    }
    bool setFocused(const AccessibilityElement& element, double) override {
        return element == focusedElement(0);
    }
    std::optional<RunningApplication> frontmostApplication() const override {
        if (chatIsActive()) {
            return RunningApplication{kChatPid, "org.example.Chat", "chat", std::nullopt};
        }
        return RunningApplication{static_cast<ProcessId>(::getpid()),
                                  DesktopApplication::kBundleIdentifier, "halvora-desktop",
                                  std::nullopt};
    }
    // The framework cannot move windows; the window manager does.
    bool activate(ProcessId) override { return true; }
    platform::Registration onActivate(platform::Workspace::ApplicationHandler) override {
        return {};
    }

  private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_window_t chat_;
    xcb_atom_t activeAtom_;
};

class X11FocusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty()) {
            GTEST_SKIP() << "openbox is not installed; no window manager to hand the focus";
        }
        ::setenv("XDG_CONFIG_HOME", (folder_.path() / "config-home").c_str(), 1);
        connection_ = xcb_connect(nullptr, nullptr);
        ASSERT_EQ(xcb_connection_has_error(connection_), 0);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        wm_.start(openbox, {QStringLiteral("--sm-disable")});
        ASSERT_TRUE(wm_.waitForStarted(5000));
        const xcb_atom_t check = atom(connection_, "_NET_SUPPORTING_WM_CHECK");
        processEventsFor(5000,
                         [&] { return windowProperty(connection_, root_, check).has_value(); });
        ASSERT_TRUE(windowProperty(connection_, root_, check).has_value())
            << "openbox did not start";
    }

    void TearDown() override {
        if (wm_.state() != QProcess::NotRunning) {
            wm_.terminate();
            wm_.waitForFinished(3000);
        }
        if (connection_ != nullptr) {
            xcb_disconnect(connection_);
        }
    }

    /// Another program's window, mapped and given the focus.
    xcb_window_t openChatWindow() {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 40, 40, 300, 200, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        static constexpr char kTitle[] = "Chat";
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                            XCB_ATOM_STRING, 8, sizeof kTitle - 1, kTitle);
        xcb_map_window(connection_, window);
        xcb_flush(connection_);
        return window;
    }

    void activate(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom(connection_, "_NET_ACTIVE_WINDOW");
        message.data.data32[0] = 2;
        xcb_send_event(connection_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection_);
    }

    testing::TemporaryFolder folder_;
    QProcess wm_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
};

TEST_F(X11FocusTest, AQuickReplyPastesIntoTheChatWhileTheWorkspaceWindowIsOpen) {
    const xcb_window_t chat = openChatWindow();
    auto keystrokes = std::make_unique<WindowFollowingKeystrokes>(connection_, root_, chat);
    WindowFollowingKeystrokes& keys = *keystrokes;
    DesktopOptions options;
    options.dataFolder = folder_.path() / "data";
    options.configFolder = folder_.path() / "config";
    DesktopApplication desktop(options, std::move(keystrokes));
    desktop.launch();
    ASSERT_NE(desktop.workspaceWindow(), nullptr);
    // Open and in use: the window manager may not have focused it on its own.
    processEventsFor(5000, [&] { return desktop.workspaceWindow()->isVisible(); });
    activate(static_cast<xcb_window_t>(desktop.workspaceWindow()->winId()));
    processEventsFor(5000, [&] { return desktop.workspaceWindow()->isActiveWindow(); });
    ASSERT_TRUE(desktop.workspaceWindow()->isActiveWindow()) << "the workspace window is open";

    // The user goes to the chat and types the code of a quick reply there.
    activate(chat);
    processEventsFor(5000, [&] { return keys.chatIsActive(); });
    ASSERT_TRUE(keys.chatIsActive());
    const auto target = snippets::ReplyPasteTarget::capture(desktop.platform());
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->window(), std::optional<platform::WindowId>(chat));
    snippets::Snippet reply;
    reply.title = "Cảm ơn";
    reply.trigger = ";tl1";
    reply.text = "Cảm ơn {ten}!";
    reply.quickReply = true;
    desktop.shell().keyboard()->scheduleReplyPrompt(reply, *target);

    ui::QtPanelHost& panels = desktop.panels();
    processEventsFor(5000, [&] { return panels.promptView() != nullptr; });
    ASSERT_NE(panels.promptView(), nullptr);
    // The window manager updates its property a moment after the focus.
    processEventsFor(
        3000, [&] { return panels.promptWindow()->isActiveWindow() && !keys.chatIsActive(); });
    EXPECT_FALSE(keys.chatIsActive()) << "the prompt has the focus";
    // Not transient for the program: window managers would raise the
    // workspace window with it and hand that window the focus after it.
    const auto promptWindow = static_cast<xcb_window_t>(panels.promptWindow()->winId());
    EXPECT_FALSE(windowProperty(connection_, promptWindow, XCB_ATOM_WM_TRANSIENT_FOR).has_value());

    // Whatever raised the workspace window meanwhile (the user, a window
    // manager that raises a program's windows together) comes after the
    // chat in the focus order: closing the prompt would hand the focus there.
    activate(static_cast<xcb_window_t>(desktop.workspaceWindow()->winId()));
    processEventsFor(5000, [&] { return desktop.workspaceWindow()->isActiveWindow(); });
    activate(promptWindow);
    processEventsFor(5000, [&] { return panels.promptWindow()->isActiveWindow(); });
    ASSERT_TRUE(panels.promptWindow()->isActiveWindow());

    // A failed paste ends in an alert; it is answered, and the test fails.
    std::vector<QString> alerts;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            alerts.push_back(box->informativeText());
            box->buttons().front()->click();
        }
    });
    watcher.start(20);
    QTest::keyClicks(panels.promptView()->fieldEdit("ten"), QStringLiteral("chi Lan"));
    QApplication::processEvents();
    ASSERT_TRUE(panels.promptView()->submitButton()->isEnabled());
    panels.promptView()->submitButton()->click();
    processEventsFor(5000, [&] { return !keys.pastes.empty() || !alerts.empty(); });

    EXPECT_TRUE(alerts.empty()) << alerts.front().toStdString();
    EXPECT_EQ(keys.pastes, std::vector<std::string>{"Cảm ơn chi Lan!"});
    EXPECT_TRUE(keys.chatIsActive());
    processEventsFor(2000, [&] { return !desktop.workspaceWindow()->isActiveWindow(); });
    EXPECT_FALSE(desktop.workspaceWindow()->isActiveWindow());
}

}  // namespace
}  // namespace halvora::desktop
