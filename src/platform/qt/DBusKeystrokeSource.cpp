#include "platform/qt/DBusKeystrokeSource.h"

#include "bridge/BridgeProtocol.h"
#include "bridge/ProgramIdentity.h"
#include "text/Unicode.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QList>
#include <QStringList>

#include <unistd.h>

#include <algorithm>
#include <utility>

namespace halvora::platform::qt {
namespace {

namespace protocol = bridge::protocol;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const char* introspectionXml = R"(  <interface name="vn.halvora.KeystrokeBridge1">
    <method name="Attach"/>
    <method name="KeyDown">
      <arg name="keyCode" type="u" direction="in"/>
      <arg name="flags" type="t" direction="in"/>
      <arg name="text" type="s" direction="in"/>
      <arg name="program" type="s" direction="in"/>
      <arg name="fieldFlags" type="u" direction="in"/>
      <arg name="contextId" type="t" direction="in"/>
      <arg name="pass" type="b" direction="out"/>
      <arg name="kinds" type="au" direction="out"/>
      <arg name="counts" type="au" direction="out"/>
      <arg name="texts" type="as" direction="out"/>
      <arg name="shown" type="as" direction="out"/>
    </method>
    <method name="MouseDown"><arg name="contextId" type="t" direction="in"/></method>
    <method name="FocusIn">
      <arg name="program" type="s" direction="in"/>
      <arg name="fieldFlags" type="u" direction="in"/>
      <arg name="contextId" type="t" direction="in"/>
    </method>
    <method name="FocusOut"><arg name="contextId" type="t" direction="in"/></method>
    <signal name="Edit">
      <arg name="contextId" type="t"/>
      <arg name="kinds" type="au"/>
      <arg name="counts" type="au"/>
      <arg name="texts" type="as"/>
      <arg name="shown" type="as"/>
    </signal>
  </interface>
)";

/// The four parallel arrays that carry edits on the wire.
QVariantList editArguments(const std::vector<TextEdit>& edits) {
    namespace kinds = protocol::editKinds;
    QList<uint> kindList;
    QList<uint> counts;
    QStringList texts;
    QStringList shown;
    for (const TextEdit& edit : edits) {
        uint kind = kinds::paste;
        uint count = 0;
        switch (edit.kind) {
            case TextEdit::Kind::compose:
                kind = edit.byKey ? kinds::composeByKey : kinds::compose;
                count = static_cast<uint>(text::graphemeCount(std::string_view(edit.shown)));
                break;
            case TextEdit::Kind::commit:
                kind = kinds::commit;
                count = static_cast<uint>(text::graphemeCount(std::string_view(edit.shown)));
                break;
            case TextEdit::Kind::replace:
                kind = kinds::replace;
                count = static_cast<uint>(edit.count);
                break;
            case TextEdit::Kind::key:
                kind = kinds::key;
                count = edit.keyCode;
                break;
            case TextEdit::Kind::paste:
                break;
        }
        kindList.push_back(kind);
        counts.push_back(count);
        texts.push_back(QString::fromStdString(edit.text));
        shown.push_back(QString::fromStdString(edit.shown));
    }
    return {QVariant::fromValue(kindList), QVariant::fromValue(counts), QVariant::fromValue(texts),
            QVariant::fromValue(shown)};
}

}  // namespace

class DBusKeystrokeSource::BridgeObject final : public QDBusVirtualObject {
  public:
    explicit BridgeObject(DBusKeystrokeSource& source) : source_(source) {}

    QString introspect(const QString&) const override {
        return QString::fromUtf8(introspectionXml);
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        return source_.handleMessage(message);
    }

  private:
    DBusKeystrokeSource& source_;
};

struct DBusKeystrokeSource::Tap {
    Callback callback;
    bool enabled = true;
};

class DBusKeystrokeSource::BridgeTap final : public InstalledTap {
  public:
    BridgeTap(DBusKeystrokeSource& source, std::shared_ptr<Tap> tap)
        : source_(source), tap_(std::move(tap)), alive_(source.alive_) {}
    ~BridgeTap() override {
        if (alive_.lock()) {
            std::erase(source_.taps_, tap_);
        }
    }
    void setEnabled(bool enabled) override { tap_->enabled = enabled; }
    bool isEnabled() const override { return tap_->enabled; }

  private:
    DBusKeystrokeSource& source_;
    std::shared_ptr<Tap> tap_;
    std::weak_ptr<bool> alive_;
};

DBusKeystrokeSource::DBusKeystrokeSource(QDBusConnection connection, std::string ownProgram,
                                         std::string ownIdentifier)
    : connection_(std::move(connection)),
      ownProgram_(std::move(ownProgram)),
      ownIdentifier_(std::move(ownIdentifier)),
      object_(std::make_unique<BridgeObject>(*this)),
      watcher_(std::make_unique<QDBusServiceWatcher>(QString(), connection_,
                                                     QDBusServiceWatcher::WatchForUnregistration)) {
    QObject::connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, watcher_.get(),
                     [this](const QString& name) {
                         if (name.toStdString() == addon_) {
                             detach();
                         }
                     });
}

DBusKeystrokeSource::~DBusKeystrokeSource() {
    alive_.reset();
    if (registered_) {
        connection_.unregisterObject(qs(protocol::objectPath));
        connection_.unregisterService(qs(protocol::serviceName));
    }
}

bool DBusKeystrokeSource::start(std::string* error) {
    auto fail = [error](QString reason) {
        if (error) {
            *error = reason.toStdString();
        }
        return false;
    };
    if (registered_) {
        return true;
    }
    if (!connection_.isConnected()) {
        return fail(connection_.lastError().message());
    }
    if (!connection_.registerVirtualObject(qs(protocol::objectPath), object_.get(),
                                           QDBusConnection::SingleNode)) {
        return fail(QStringLiteral("the bridge object path is taken"));
    }
    if (!connection_.registerService(qs(protocol::serviceName))) {
        connection_.unregisterObject(qs(protocol::objectPath));
        const QDBusError reason = connection_.lastError();
        return fail(reason.isValid() ? reason.message()
                                     : QStringLiteral("another program owns the bridge name"));
    }
    registered_ = true;
    return true;
}

bool DBusKeystrokeSource::handleMessage(const QDBusMessage& message) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    const QString interface = message.interface();
    if (!interface.isEmpty() && interface != qs(protocol::interfaceName)) {
        return false;
    }
    const std::string member = message.member().toStdString();
    const std::string signature = message.signature().toStdString();
    const QVariantList args = message.arguments();
    auto wrongArguments = [&] {
        connection_.send(message.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("unexpected arguments for ") + message.member()));
        return true;
    };

    if (member == protocol::methodNames::keyDown) {
        if (signature != protocol::signatures::keyDownArguments) {
            return wrongArguments();
        }
        attach(message.service());
        focusContext(
            Context{args[5].toULongLong(), args[3].toString().toStdString(), args[4].toUInt()});
        std::vector<TextEdit> edits;
        collecting_ = &edits;
        const bool pass =
            deliver(KeyEvent{EventType::keyDown, static_cast<KeyCode>(args[0].toUInt()),
                             args[1].toULongLong(), args[2].toString().toStdString(), 0});
        collecting_ = nullptr;
        QVariantList reply{pass};
        reply += editArguments(edits);
        connection_.send(message.createReply(reply));
        return true;
    }
    if (member == protocol::methodNames::attach) {
        attach(message.service());
        connection_.send(message.createReply());
        return true;
    }
    if (member == protocol::methodNames::focusIn) {
        if (signature != protocol::signatures::focusInArguments) {
            return wrongArguments();
        }
        attach(message.service());
        focusContext(
            Context{args[2].toULongLong(), args[0].toString().toStdString(), args[1].toUInt()});
        connection_.send(message.createReply());
        return true;
    }
    if (member == protocol::methodNames::focusOut || member == protocol::methodNames::mouseDown) {
        if (signature != protocol::signatures::contextArgument) {
            return wrongArguments();
        }
        const std::uint64_t id = args[0].toULongLong();
        // Answer first: the addon does not wait for these.
        connection_.send(message.createReply());
        if (member == protocol::methodNames::focusOut) {
            if (focused_ && focused_->id == id) {
                hasFocus_ = false;
            }
        } else if (focused_ && focused_->id == id) {
            deliver(KeyEvent{EventType::leftMouseDown, 0, 0, {}, 0});
        }
        return true;
    }
    return false;
}

void DBusKeystrokeSource::attach(const QString& sender) {
    const std::string name = sender.toStdString();
    if (name.empty() || name == addon_) {
        return;
    }
    addon_ = name;
    watcher_->setWatchedServices({sender});
}

void DBusKeystrokeSource::detach() {
    addon_.clear();
    focused_.reset();
    hasFocus_ = false;
    watcher_->setWatchedServices({});
}

void DBusKeystrokeSource::focusContext(const Context& context) {
    const std::optional<Context> previous = std::exchange(focused_, context);
    hasFocus_ = true;
    if (!previous || previous->program != context.program) {
        if (context.program.empty()) {
            return;
        }
        const RunningApplication app = applicationFor(context.program);
        auto handlers = activationHandlers_;
        for (auto& [id, handler] : handlers) {
            if (activationHandlers_.count(id)) {
                handler(app);
            }
        }
        return;
    }
    if (previous->id != context.id || previous->fieldFlags != context.fieldFlags) {
        // Another field of the same program: the word ends and the field is
        // looked at again, as after a click.
        deliver(KeyEvent{EventType::leftMouseDown, 0, 0, {}, 0});
    }
}

bool DBusKeystrokeSource::deliver(const KeyEvent& event) {
    const auto taps = taps_;
    for (const auto& tap : taps) {
        if (tap->enabled && !tap->callback(event)) {
            return false;
        }
    }
    return true;
}

void DBusKeystrokeSource::emitEdits(std::uint64_t contextId, const std::vector<TextEdit>& edits) {
    QDBusMessage signal = QDBusMessage::createSignal(
        qs(protocol::objectPath), qs(protocol::interfaceName), qs(protocol::signalNames::edit));
    QVariantList arguments{QVariant::fromValue(qulonglong{contextId})};
    arguments += editArguments(edits);
    signal.setArguments(arguments);
    connection_.send(signal);
}

std::unique_ptr<InstalledTap> DBusKeystrokeSource::install(Callback callback) {
    if (!isAttached()) {
        return nullptr;
    }
    auto tap = std::make_shared<Tap>(Tap{std::move(callback), true});
    taps_.insert(taps_.begin(), tap);
    return std::make_unique<BridgeTap>(*this, std::move(tap));
}

bool DBusKeystrokeSource::answerKey(std::span<const TextEdit> edits, bool pass) {
    // The addon decides how the key goes on; it hears the controller's own
    // answer together with the edits.
    perform(edits);
    return pass;
}

bool DBusKeystrokeSource::perform(std::span<const TextEdit> edits) {
    if (!isAttached()) {
        return false;
    }
    if (collecting_) {
        collecting_->insert(collecting_->end(), edits.begin(), edits.end());
        return true;
    }
    if (!focused_ || !hasFocus_) {
        return false;
    }
    if (!edits.empty()) {
        emitEdits(focused_->id, std::vector<TextEdit>(edits.begin(), edits.end()));
    }
    return true;
}

bool DBusKeystrokeSource::isSecureInputEnabled() const {
    return focused_ && hasFocus_ && (focused_->fieldFlags & protocol::fieldFlags::password) != 0;
}

std::optional<AccessibilityElement> DBusKeystrokeSource::focusedElement(double) {
    if (!focused_ || !hasFocus_) {
        return std::nullopt;
    }
    return AccessibilityElement{pidFor(focused_->program), focused_->id};
}

ElementAttributes DBusKeystrokeSource::attributes(const AccessibilityElement& element, double) {
    if (!focused_ || element.handle != focused_->id) {
        return {};
    }
    ElementAttributes attributes;
    attributes.role = "AXTextField";
    namespace field = protocol::fieldFlags;
    if (focused_->fieldFlags & (field::password | field::sensitive)) {
        attributes.subrole = "AXSecureTextField";
    } else if (focused_->fieldFlags & field::url) {
        attributes.subrole = "AXSearchField";
    }
    return attributes;
}

bool DBusKeystrokeSource::setFocused(const AccessibilityElement& element, double) {
    // The framework cannot move the focus; it is where it should be only
    // when that context has it already.
    return focused_ && hasFocus_ && element.handle == focused_->id;
}

std::optional<RunningApplication> DBusKeystrokeSource::frontmostApplication() const {
    if (!focused_ || focused_->program.empty()) {
        return std::nullopt;
    }
    return applicationFor(focused_->program);
}

bool DBusKeystrokeSource::activate(ProcessId pid) {
    // Windows cannot be raised through the input framework. When this
    // program's panel closes, the window manager hands the focus back and
    // the context's focus notice follows; the request is good as long as the
    // program is known.
    if (pid == static_cast<ProcessId>(::getpid())) {
        return true;
    }
    return std::any_of(pids_.begin(), pids_.end(),
                       [pid](const auto& entry) { return entry.second == pid; });
}

Registration DBusKeystrokeSource::onActivate(Workspace::ApplicationHandler handler) {
    const std::uint64_t id = nextHandler_++;
    activationHandlers_.emplace(id, std::move(handler));
    std::weak_ptr<bool> alive = alive_;
    return Registration([this, alive, id] {
        if (alive.lock()) {
            activationHandlers_.erase(id);
        }
    });
}

ProcessId DBusKeystrokeSource::pidFor(const std::string& program) const {
    if (program == ownProgram_) {
        return static_cast<ProcessId>(::getpid());
    }
    auto [it, inserted] = pids_.try_emplace(program, nextPid_);
    if (inserted) {
        ++nextPid_;
    }
    return it->second;
}

RunningApplication DBusKeystrokeSource::applicationFor(const std::string& program) const {
    const std::string identifier = program == ownProgram_
                                       ? ownIdentifier_
                                       : bridge::ProgramIdentity::applicationIdentifier(program);
    return RunningApplication{pidFor(program), identifier, program, std::nullopt};
}

}  // namespace halvora::platform::qt
