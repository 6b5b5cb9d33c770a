// The desktop's side of the keystroke bridge against a client that speaks
// the protocol the way the fcitx5 addon does: on a socket of the test's own,
// with the bridge's name on a private session bus.

#include "PrivateSessionBus.h"

#include "bridge/BridgeProtocol.h"
#include "bridge/BridgeWire.h"
#include "platform/qt/BridgeHotKeys.h"
#include "platform/qt/BridgeKeystrokeSource.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace halvora::platform::qt {
namespace {

namespace protocol = bridge::protocol;
namespace keys = keyCodes;

/// Runs the event loop until `done` or `ms` milliseconds have passed.
bool spinUntil(const std::function<bool()>& done, int ms = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

/// The addon's end of the wire, on a connection of its own. The desktop
/// runs on this thread, so every wait spins its event loop.
class AddonClient {
  public:
    explicit AddonClient(const std::string& path) : path_(path) {}
    ~AddonClient() { leave(); }

    /// Connects, without announcing anything yet.
    bool open() {
        if (fd_ >= 0) {
            return true;
        }
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path_.copy(address.sun_path, sizeof address.sun_path - 1);
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
        return fd_ >= 0;
    }
    /// The connection closes, as when fcitx5 quits.
    void leave() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    void send(bridge::wire::Message message) {
        ASSERT_TRUE(open());
        const std::string frame = bridge::wire::encode(message);
        ASSERT_EQ(::send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(frame.size()));
    }
    /// Sends raw bytes, for messages no addon would send.
    void sendBytes(std::string_view bytes) {
        ASSERT_TRUE(open());
        ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    void attach() {
        send(bridge::wire::Message{});
        // The desktop reads it on its next round.
        spinUntil([] { return false; }, 30);
    }

    /// A key-down and its reply; nothing when none came.
    std::optional<bridge::wire::Message> keyDown(KeyCode code, EventFlags flags,
                                                 const std::string& text,
                                                 const std::string& program,
                                                 std::uint32_t fieldFlags, std::uint64_t context,
                                                 int waitMs = 2000) {
        bridge::wire::Message message;
        message.type = bridge::wire::Type::keyDown;
        message.serial = ++serial_;
        message.keyCode = code;
        message.flags = flags;
        message.text = text;
        message.program = program;
        message.fieldFlags = fieldFlags;
        message.contextId = context;
        send(message);
        std::optional<bridge::wire::Message> reply;
        spinUntil(
            [&] {
                for (auto& m : receive()) {
                    if (m.type == bridge::wire::Type::keyReply && m.serial == serial_) {
                        reply = m;
                    } else {
                        others_.push_back(m);
                    }
                }
                return reply.has_value();
            },
            waitMs);
        return reply;
    }
    void contextMessage(bridge::wire::Type type, std::uint64_t context,
                        const std::string& program = {}, std::uint32_t fieldFlags = 0) {
        bridge::wire::Message message;
        message.type = type;
        message.contextId = context;
        message.program = program;
        message.fieldFlags = fieldFlags;
        send(message);
        spinUntil([] { return false; }, 30);
    }
    void focusIn(const std::string& program, std::uint32_t fieldFlags, std::uint64_t context) {
        contextMessage(bridge::wire::Type::focusIn, context, program, fieldFlags);
    }

    /// Messages of the desktop's own that have arrived (edits).
    std::vector<bridge::wire::Message>& edits() {
        for (auto& m : receive()) {
            others_.push_back(m);
        }
        return others_;
    }
    /// Whether the desktop closed the connection.
    bool closedByDesktop() {
        receive();
        return closed_;
    }

  private:
    std::vector<bridge::wire::Message> receive() {
        std::vector<bridge::wire::Message> messages;
        if (fd_ < 0) {
            return messages;
        }
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0) {
            decoder_.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        }
        if (n == 0) {
            closed_ = true;
        }
        while (auto message = decoder_.next()) {
            messages.push_back(std::move(*message));
        }
        return messages;
    }

    std::string path_;
    int fd_ = -1;
    bridge::wire::Decoder decoder_;
    std::vector<bridge::wire::Message> others_;
    std::uint64_t serial_ = 0;
    bool closed_ = false;
};

using Edits = std::vector<bridge::WireEdit>;

class BridgeKeystrokeSourceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        bus_ = new bridge::testing::PrivateSessionBus();
        static int argc = 1;
        static char name[] = "bridge_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete app_;
        delete bus_;
    }

    BridgeKeystrokeSourceTest()
        : source_(QDBusConnection::sessionBus(), "halvora-desktop", "vn.halvora.IndependentBeta",
                  bus_->socketPath()) {
        std::string error;
        started_ = source_.start(&error);
        EXPECT_TRUE(started_) << error;
    }

    /// A tap that records what it sees and lets `decide` answer.
    std::unique_ptr<InstalledTap> installRecordingTap(std::function<bool(const KeyEvent&)> decide =
                                                          [](const KeyEvent&) { return true; }) {
        return source_.install([this, decide](const KeyEvent& event) {
            seen_.push_back(event);
            return decide(event);
        });
    }

    static inline bridge::testing::PrivateSessionBus* bus_ = nullptr;
    static inline QCoreApplication* app_ = nullptr;
    BridgeKeystrokeSource source_;
    bool started_ = false;
    AddonClient addon_{bus_->socketPath()};
    std::vector<KeyEvent> seen_;
};

TEST_F(BridgeKeystrokeSourceTest, TrustedOnlyWhileAnAddonIsAttached) {
    EXPECT_FALSE(source_.isProcessTrusted());
    EXPECT_EQ(source_.install([](const KeyEvent&) { return true; }), nullptr)
        << "no tap without an addon, as without the permission";
    ASSERT_TRUE(addon_.open());
    spinUntil([] { return false; }, 30);
    EXPECT_FALSE(source_.isProcessTrusted()) << "a connection alone is not an addon";
    addon_.attach();
    EXPECT_TRUE(source_.isProcessTrusted());
    EXPECT_NE(installRecordingTap(), nullptr);

    addon_.leave();
    EXPECT_TRUE(spinUntil([&] { return !source_.isProcessTrusted(); }))
        << "the addon's connection went away";
}

TEST_F(BridgeKeystrokeSourceTest, KeyReachesTheTapAndTheReplyCarriesTheEditsMade) {
    addon_.attach();
    namespace kinds = protocol::editKinds;
    // Composes every "a", rewrites the word on the second, as the controller does.
    auto tap = installRecordingTap([this](const KeyEvent& event) {
        if (event.type != EventType::keyDown || event.text != "a") {
            return true;
        }
        if (std::count_if(seen_.begin(), seen_.end(),
                          [](const KeyEvent& e) { return e.text == "a"; }) < 2) {
            const TextEdit typed[] = {TextEdit::compose("", "a", true)};
            return source_.answerKey(typed, true);
        }
        const TextEdit rewritten[] = {TextEdit::compose("a", "â"), TextEdit::key(keys::space),
                                      TextEdit::replace(2, "ấy "), TextEdit::paste()};
        return source_.answerKey(rewritten, false);
    });

    const auto first = addon_.keyDown(keys::a, eventFlags::shift, "a", "gedit", 0, 7);
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(first->pass);
    EXPECT_EQ(first->edits, (Edits{{kinds::composeByKey, 0, "a", ""}}));
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0], (KeyEvent{EventType::keyDown, keys::a, eventFlags::shift, "a", 0}));

    const auto second = addon_.keyDown(keys::a, 0, "a", "gedit", 0, 7);
    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(second->pass);
    const Edits expected{{kinds::compose, 1, "â", "a"},
                         {kinds::key, keys::space, "", ""},
                         {kinds::replace, 2, "ấy ", ""},
                         {kinds::paste, 0, "", ""}};
    EXPECT_EQ(second->edits, expected);
    EXPECT_TRUE(addon_.edits().empty()) << "made inside the call, so only in the reply";
}

TEST_F(BridgeKeystrokeSourceTest, LaterEditsGoToTheFocusedContextOnTheirOwn) {
    addon_.attach();
    addon_.keyDown(keys::a, 0, "a", "gedit", 0, 7);
    const TextEdit later[] = {TextEdit::commit("việt", "viet"), TextEdit::paste()};
    EXPECT_TRUE(source_.perform(later));
    ASSERT_TRUE(spinUntil([&] { return addon_.edits().size() == 1; }));
    const bridge::wire::Message& message = addon_.edits()[0];
    EXPECT_EQ(message.type, bridge::wire::Type::edit);
    EXPECT_EQ(message.contextId, 7u);
    EXPECT_EQ(message.edits, (Edits{{protocol::editKinds::commit, 4, "viet", "việt"},
                                    {protocol::editKinds::paste, 0, "", ""}}))
        << "counts are user-perceived characters";

    addon_.contextMessage(bridge::wire::Type::focusOut, 7);
    EXPECT_FALSE(source_.perform(later)) << "nowhere to go while no context has the focus";
}

TEST_F(BridgeKeystrokeSourceTest, HotKeysComeAsTheAddonsKeysAndAnswerWithTheirEdits) {
    addon_.attach();
    BridgeHotKeys hotKeys(source_);
    const HotKeyId suggestion{0x48564c41, 1};
    std::vector<HotKeyId> pressed;
    const HotKeyResult handler = hotKeys.installHandler([&](const HotKeyId& id) {
        pressed.push_back(id);
        const TextEdit replaced[] = {TextEdit::replace(6, "mới ")};
        return source_.perform(replaced);
    });
    ASSERT_TRUE(handler.succeeded());
    HotKeyResult registered = hotKeys.registerHotKey(
        HotKey{suggestion, keys::semicolon, eventFlags::option | eventFlags::command});
    EXPECT_TRUE(registered.succeeded()) << "without a display the addon's road alone is a success";
    auto tap = installRecordingTap();

    // Caps Lock does not hide the hot key; Shift makes another key.
    const auto hot = addon_.keyDown(keys::semicolon,
                                    eventFlags::option | eventFlags::command | eventFlags::capsLock,
                                    ";", "gedit", 0, 7);
    ASSERT_TRUE(hot.has_value());
    EXPECT_FALSE(hot->pass);
    EXPECT_EQ(hot->edits, (Edits{{protocol::editKinds::replace, 6, "mới ", ""}}))
        << "in the answer, in order with the typing";
    EXPECT_EQ(pressed, (std::vector<HotKeyId>{suggestion}));
    EXPECT_TRUE(seen_.empty()) << "a hot key is not typing";

    const auto other = addon_.keyDown(keys::semicolon,
                                      eventFlags::option | eventFlags::command | eventFlags::shift,
                                      ":", "gedit", 0, 7);
    ASSERT_TRUE(other.has_value());
    EXPECT_TRUE(other->pass);
    EXPECT_EQ(seen_.size(), 1u);

    registered.registration.cancel();
    const auto ended = addon_.keyDown(keys::semicolon, eventFlags::option | eventFlags::command,
                                      ";", "gedit", 0, 7);
    ASSERT_TRUE(ended.has_value());
    EXPECT_TRUE(ended->pass);
    EXPECT_EQ(pressed.size(), 1u);
}

TEST_F(BridgeKeystrokeSourceTest, FocusMovesAreActivationsOrClicks) {
    addon_.attach();
    auto tap = installRecordingTap();
    std::vector<RunningApplication> activated;
    Registration registration =
        source_.onActivate([&](const RunningApplication& app) { activated.push_back(app); });

    addon_.focusIn("firefox", 0, 1);
    ASSERT_EQ(activated.size(), 1u);
    EXPECT_EQ(activated[0].bundleIdentifier, "org.mozilla.firefox");
    EXPECT_EQ(activated[0].localizedName, "firefox");
    EXPECT_EQ(source_.frontmostApplication(), activated[0]);
    EXPECT_TRUE(source_.activate(activated[0].pid));
    EXPECT_TRUE(seen_.empty());

    addon_.focusIn("firefox", 0, 2);  // another field of the same program
    EXPECT_EQ(activated.size(), 1u);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].type, EventType::leftMouseDown);

    addon_.contextMessage(bridge::wire::Type::mouseDown, 2);
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[1].type, EventType::leftMouseDown);

    addon_.focusIn("gnome-terminal-server", 0, 3);
    ASSERT_EQ(activated.size(), 2u);
    EXPECT_EQ(activated[1].bundleIdentifier, "org.gnome.Terminal");
    EXPECT_NE(activated[1].pid, activated[0].pid);

    // A client that does not name its program is still a field to come
    // back to, under an application without an identifier.
    addon_.focusIn("", 0, 4);
    const auto unnamed = source_.frontmostApplication();
    ASSERT_TRUE(unnamed.has_value());
    EXPECT_FALSE(unnamed->bundleIdentifier.has_value());
    EXPECT_NE(unnamed->pid, activated[1].pid);
    const auto field = source_.focusedElement(0.1);
    ASSERT_TRUE(field.has_value());
    EXPECT_EQ(field->pid, unnamed->pid);

    addon_.focusIn("firefox", 0, 1);
    ASSERT_EQ(activated.size(), 3u);
    EXPECT_EQ(activated[2].pid, activated[0].pid) << "a program keeps its process id";

    addon_.focusIn("halvora-desktop", 0, 4);
    ASSERT_EQ(activated.size(), 4u);
    EXPECT_EQ(activated[3].bundleIdentifier, "vn.halvora.IndependentBeta");
    EXPECT_EQ(activated[3].pid, static_cast<ProcessId>(::getpid()));

    registration.cancel();
    addon_.focusIn("gedit", 0, 5);
    EXPECT_EQ(activated.size(), 4u);
    EXPECT_FALSE(source_.activate(12345));
}

TEST_F(BridgeKeystrokeSourceTest, ContentHintsBecomeFieldRoles) {
    struct Case {
        std::uint32_t flags;
        const char* subrole;
        bool secureInput;
    };
    addon_.attach();
    namespace field = protocol::fieldFlags;
    const Case cases[] = {
        {0, "", false},
        {field::password, "AXSecureTextField", true},
        {field::sensitive, "AXSecureTextField", false},
        {field::url, "AXSearchField", false},
        {field::password | field::url, "AXSecureTextField", true},
        {field::terminal, "", false},
    };
    std::uint64_t context = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        addon_.focusIn("firefox", c.flags, ++context);
        const auto element = source_.focusedElement(0.05);
        ASSERT_TRUE(element.has_value());
        EXPECT_EQ(element->handle, context);
        const ElementAttributes attributes = source_.attributes(*element, 0.05);
        EXPECT_EQ(attributes.role, "AXTextField");
        EXPECT_EQ(attributes.subrole, c.subrole);
        EXPECT_EQ(source_.isSecureInputEnabled(), c.secureInput);
        EXPECT_TRUE(source_.setFocused(*element, 0.05));
    }
    const AccessibilityElement gone{0, 11};
    EXPECT_EQ(source_.attributes(gone, 0.05), ElementAttributes{}) << "a field that lost focus";
    EXPECT_FALSE(source_.setFocused(gone, 0.05));

    addon_.contextMessage(bridge::wire::Type::focusOut, context);
    EXPECT_FALSE(source_.focusedElement(0.05).has_value());
    EXPECT_FALSE(source_.isSecureInputEnabled());
}

TEST_F(BridgeKeystrokeSourceTest, MalformedMessagesAreRefusedWithoutReachingTheTap) {
    auto tap = [&] { return installRecordingTap(); };
    {
        // Keys from a connection that never attached.
        AddonClient stranger(bus_->socketPath());
        addon_.attach();
        auto recording = tap();
        EXPECT_FALSE(stranger.keyDown(keys::a, 0, "a", "gedit", 0, 7, 200).has_value());
        EXPECT_TRUE(seen_.empty());
    }
    // A frame that claims more than any message holds, then one whose
    // fields run past its end: the connection is dropped unread.
    for (const std::string& bytes :
         {std::string("\xff\xff\xff\x7f\x02", 5), std::string("\x03\x00\x00\x00\x02\x01\x02", 7)}) {
        AddonClient hostile(bus_->socketPath());
        hostile.attach();
        auto recording = tap();
        hostile.sendBytes(bytes);
        EXPECT_TRUE(spinUntil([&] { return hostile.closedByDesktop(); })) << bytes.size();
        EXPECT_TRUE(seen_.empty());
    }
}

TEST_F(BridgeKeystrokeSourceTest, OnlyOneDesktopServesTheBridge) {
    BridgeKeystrokeSource second(
        QDBusConnection::connectToBus(QString::fromStdString(bus_->address()), "second-desktop"),
        "halvora-desktop", "vn.halvora.IndependentBeta", bus_->socketPath());
    std::string error;
    EXPECT_FALSE(second.start(&error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace halvora::platform::qt
