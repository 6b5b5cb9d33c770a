// The desktop's side of the keystroke bridge against a client that speaks
// the protocol the way the fcitx5 addon does, on a private session bus.

#include "PrivateSessionBus.h"

#include "bridge/BridgeProtocol.h"
#include "platform/qt/DBusKeystrokeSource.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QObject>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace halvora::platform::qt {
namespace {

namespace protocol = bridge::protocol;
namespace keys = keyCodes;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// Runs the event loop until `done` or two seconds have passed.
bool spinUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 2000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace

/// Records the bridge's signals as the addon would receive them.
class PostRecorder : public QObject {
    Q_OBJECT
  public:
    std::vector<QDBusMessage> posts;
  public Q_SLOTS:
    void onPost(const QDBusMessage& message) { posts.push_back(message); }
};

namespace {

/// The addon's end of the wire, on a connection of its own.
class AddonClient {
  public:
    explicit AddonClient(const std::string& address)
        : name_(QStringLiteral("addon-%1").arg(++count_)),
          connection_(QDBusConnection::connectToBus(QString::fromStdString(address), name_)) {
        connection_.connect(QString(), qs(protocol::objectPath), qs(protocol::interfaceName),
                            qs(protocol::signalNames::edit), &recorder_,
                            SLOT(onPost(QDBusMessage)));
    }
    ~AddonClient() { leave(); }

    /// The connection closes, as when fcitx5 quits.
    void leave() {
        if (connection_.isConnected()) {
            // The connection closes only once no handle refers to it.
            connection_ = QDBusConnection(QString());
            QDBusConnection::disconnectFromBus(name_);
        }
    }

    QDBusMessage call(std::string_view method, const QVariantList& arguments = {}) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(qs(protocol::serviceName), qs(protocol::objectPath),
                                           qs(protocol::interfaceName), qs(method));
        message.setArguments(arguments);
        QDBusPendingCall pending = connection_.asyncCall(message, 2000);
        spinUntil([&] { return pending.isFinished(); });
        return pending.reply();
    }

    QDBusMessage keyDown(KeyCode code, EventFlags flags, const std::string& text,
                         const std::string& program, std::uint32_t fieldFlags,
                         std::uint64_t context) {
        return call(protocol::methodNames::keyDown,
                    {uint{code}, qulonglong{flags}, QString::fromStdString(text),
                     QString::fromStdString(program), uint{fieldFlags}, qulonglong{context}});
    }
    void focusIn(const std::string& program, std::uint32_t fieldFlags, std::uint64_t context) {
        call(protocol::methodNames::focusIn,
             {QString::fromStdString(program), uint{fieldFlags}, qulonglong{context}});
    }

    std::vector<QDBusMessage>& posts() { return recorder_.posts; }

  private:
    static inline int count_ = 0;
    QString name_;
    QDBusConnection connection_;
    PostRecorder recorder_;
};

struct WireEdit {
    uint kind;
    uint count;
    QString text;
    QString shown;
    bool operator==(const WireEdit&) const = default;
};

/// The edits in a reply or signal, from the argument where they begin.
std::vector<WireEdit> edits(const QDBusMessage& message, int first) {
    const QVariantList args = message.arguments();
    if (args.size() < first + 4) {
        return {};
    }
    const auto kinds = qdbus_cast<QList<uint>>(args[first]);
    const auto counts = qdbus_cast<QList<uint>>(args[first + 1]);
    const auto texts = qdbus_cast<QStringList>(args[first + 2]);
    const auto shown = qdbus_cast<QStringList>(args[first + 3]);
    std::vector<WireEdit> result;
    for (qsizetype i = 0;
         i < kinds.size() && i < counts.size() && i < texts.size() && i < shown.size(); ++i) {
        result.push_back({kinds[i], counts[i], texts[i], shown[i]});
    }
    return result;
}

class DBusKeystrokeSourceTest : public ::testing::Test {
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

    DBusKeystrokeSourceTest()
        : source_(QDBusConnection::sessionBus(), "halvora-desktop", "vn.halvora.IndependentBeta") {
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
    DBusKeystrokeSource source_;
    bool started_ = false;
    AddonClient addon_{bus_->address()};
    std::vector<KeyEvent> seen_;
};

TEST_F(DBusKeystrokeSourceTest, TrustedOnlyWhileAnAddonIsAttached) {
    EXPECT_FALSE(source_.isProcessTrusted());
    EXPECT_EQ(source_.install([](const KeyEvent&) { return true; }), nullptr)
        << "no tap without an addon, as without the permission";
    EXPECT_EQ(addon_.call(protocol::methodNames::attach).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(source_.isProcessTrusted());
    EXPECT_NE(installRecordingTap(), nullptr);

    addon_.leave();
    EXPECT_TRUE(spinUntil([&] { return !source_.isProcessTrusted(); }))
        << "the addon's connection went away";
}

TEST_F(DBusKeystrokeSourceTest, KeyReachesTheTapAndTheReplyCarriesTheEditsMade) {
    addon_.call(protocol::methodNames::attach);
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

    const QDBusMessage first = addon_.keyDown(keys::a, eventFlags::shift, "a", "gedit", 0, 7);
    ASSERT_EQ(first.type(), QDBusMessage::ReplyMessage) << first.errorMessage().toStdString();
    EXPECT_EQ(first.signature().toStdString(), protocol::signatures::keyDownReply);
    EXPECT_TRUE(first.arguments().at(0).toBool());
    EXPECT_EQ(edits(first, 1), (std::vector<WireEdit>{{kinds::composeByKey, 0, "a", ""}}));
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0], (KeyEvent{EventType::keyDown, keys::a, eventFlags::shift, "a", 0}));

    const QDBusMessage second = addon_.keyDown(keys::a, 0, "a", "gedit", 0, 7);
    EXPECT_FALSE(second.arguments().at(0).toBool());
    const std::vector<WireEdit> expected{{kinds::compose, 1, "â", "a"},
                                         {kinds::key, keys::space, "", ""},
                                         {kinds::replace, 2, "ấy ", ""},
                                         {kinds::paste, 0, "", ""}};
    EXPECT_EQ(edits(second, 1), expected);
    EXPECT_TRUE(addon_.posts().empty()) << "made inside the call, so only in the reply";
}

TEST_F(DBusKeystrokeSourceTest, LaterEditsGoToTheFocusedContextAsASignal) {
    addon_.keyDown(keys::a, 0, "a", "gedit", 0, 7);
    const TextEdit later[] = {TextEdit::commit("việt", "viet"), TextEdit::paste()};
    EXPECT_TRUE(source_.perform(later));
    ASSERT_TRUE(spinUntil([&] { return addon_.posts().size() == 1; }));
    const QDBusMessage& signal = addon_.posts()[0];
    EXPECT_EQ(signal.signature().toStdString(), protocol::signatures::editArguments);
    EXPECT_EQ(signal.arguments().at(0).toULongLong(), 7u);
    EXPECT_EQ(edits(signal, 1),
              (std::vector<WireEdit>{{protocol::editKinds::commit, 4, "viet", "việt"},
                                     {protocol::editKinds::paste, 0, "", ""}}))
        << "counts are user-perceived characters";

    addon_.call(protocol::methodNames::focusOut, {qulonglong{7}});
    EXPECT_FALSE(source_.perform(later)) << "nowhere to go while no context has the focus";
}

TEST_F(DBusKeystrokeSourceTest, FocusMovesAreActivationsOrClicks) {
    addon_.call(protocol::methodNames::attach);
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

    addon_.call(protocol::methodNames::mouseDown, {qulonglong{2}});
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[1].type, EventType::leftMouseDown);

    addon_.focusIn("gnome-terminal-server", 0, 3);
    ASSERT_EQ(activated.size(), 2u);
    EXPECT_EQ(activated[1].bundleIdentifier, "org.gnome.Terminal");
    EXPECT_NE(activated[1].pid, activated[0].pid);

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

TEST_F(DBusKeystrokeSourceTest, ContentHintsBecomeFieldRoles) {
    struct Case {
        std::uint32_t flags;
        const char* subrole;
        bool secureInput;
    };
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

    addon_.call(protocol::methodNames::focusOut, {qulonglong{context}});
    EXPECT_FALSE(source_.focusedElement(0.05).has_value());
    EXPECT_FALSE(source_.isSecureInputEnabled());
}

TEST_F(DBusKeystrokeSourceTest, MalformedCallsAreRefusedWithoutReachingTheTap) {
    addon_.call(protocol::methodNames::attach);
    auto tap = installRecordingTap();
    const QDBusMessage reply =
        addon_.call(protocol::methodNames::keyDown, {QStringLiteral("a"), uint{0}});
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(addon_.call("Launch").type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(seen_.empty());
}

TEST_F(DBusKeystrokeSourceTest, OnlyOneDesktopServesTheBridge) {
    DBusKeystrokeSource second(
        QDBusConnection::connectToBus(QString::fromStdString(bus_->address()), "second-desktop"),
        "halvora-desktop", "vn.halvora.IndependentBeta");
    std::string error;
    EXPECT_FALSE(second.start(&error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace halvora::platform::qt

#include "DBusKeystrokeSourceTest.moc"
