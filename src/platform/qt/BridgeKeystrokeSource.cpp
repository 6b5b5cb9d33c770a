#include "platform/qt/BridgeKeystrokeSource.h"

#include "bridge/BridgeProtocol.h"
#include "bridge/ProgramIdentity.h"
#include "text/Unicode.h"

#include <QDBusConnectionInterface>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

#include <algorithm>
#include <utility>

namespace halvora::platform::qt {
namespace {

namespace protocol = bridge::protocol;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// Edits as the wire carries them.
std::vector<bridge::WireEdit> wireEdits(const std::vector<TextEdit>& edits) {
    namespace kinds = protocol::editKinds;
    std::vector<bridge::WireEdit> result;
    result.reserve(edits.size());
    for (const TextEdit& edit : edits) {
        bridge::WireEdit wire{kinds::paste, 0, edit.text, edit.shown};
        switch (edit.kind) {
            case TextEdit::Kind::compose:
                wire.kind = edit.byKey ? kinds::composeByKey : kinds::compose;
                wire.count =
                    static_cast<std::uint32_t>(text::graphemeCount(std::string_view(edit.shown)));
                break;
            case TextEdit::Kind::commit:
                wire.kind = kinds::commit;
                wire.count =
                    static_cast<std::uint32_t>(text::graphemeCount(std::string_view(edit.shown)));
                break;
            case TextEdit::Kind::replace:
                wire.kind = kinds::replace;
                wire.count = static_cast<std::uint32_t>(edit.count);
                break;
            case TextEdit::Kind::key:
                wire.kind = kinds::key;
                wire.count = edit.keyCode;
                break;
            case TextEdit::Kind::paste:
                break;
        }
        result.push_back(std::move(wire));
    }
    return result;
}

}  // namespace

struct BridgeKeystrokeSource::Tap {
    Callback callback;
    bool enabled = true;
};

class BridgeKeystrokeSource::BridgeTap final : public InstalledTap {
  public:
    BridgeTap(BridgeKeystrokeSource& source, std::shared_ptr<Tap> tap)
        : source_(source), tap_(std::move(tap)), alive_(source.alive_) {}
    ~BridgeTap() override {
        if (alive_.lock()) {
            std::erase(source_.taps_, tap_);
        }
    }
    void setEnabled(bool enabled) override { tap_->enabled = enabled; }
    bool isEnabled() const override { return tap_->enabled; }

  private:
    BridgeKeystrokeSource& source_;
    std::shared_ptr<Tap> tap_;
    std::weak_ptr<bool> alive_;
};

BridgeKeystrokeSource::BridgeKeystrokeSource(QDBusConnection connection, std::string ownProgram,
                                             std::string ownIdentifier, std::string socketPath)
    : connection_(std::move(connection)),
      ownProgram_(std::move(ownProgram)),
      ownIdentifier_(std::move(ownIdentifier)),
      socketPath_(std::move(socketPath)) {}

BridgeKeystrokeSource::~BridgeKeystrokeSource() {
    stop();
    alive_.reset();
}

void BridgeKeystrokeSource::stop() {
    if (!registered_) {
        return;
    }
    detach();
    for (auto& [socket, decoder] : decoders_) {
        // Closed without telling this object, which is done with them.
        QObject::disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
    }
    decoders_.clear();
    // The accepted connections are children of the server and go with it.
    server_->close();
    server_.reset();
    connection_.unregisterService(qs(protocol::serviceName));
    registered_ = false;
}

bool BridgeKeystrokeSource::start(std::string* error) {
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
    // The name is the lock: whoever holds it serves the socket, so a socket
    // file left behind by a desktop that crashed may be replaced.
    if (!connection_.registerService(qs(protocol::serviceName))) {
        const QDBusError reason = connection_.lastError();
        return fail(reason.isValid() ? reason.message()
                                     : QStringLiteral("another program owns the bridge name"));
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = QString::fromStdString(socketPath_);
    QLocalServer::removeServer(path);
    if (!server_->listen(path)) {
        const QString reason = server_->errorString();
        server_.reset();
        connection_.unregisterService(qs(protocol::serviceName));
        return fail(reason);
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                     [this] { acceptConnections(); });
    registered_ = true;
    return true;
}

void BridgeKeystrokeSource::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        decoders_[socket];
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [this, socket] { readFrom(socket); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket] {
            decoders_.erase(socket);
            if (socket == addon_) {
                detach();
            }
            socket->deleteLater();
        });
        // Bytes that came with the connection.
        readFrom(socket);
    }
}

void BridgeKeystrokeSource::readFrom(QLocalSocket* socket) {
    auto decoder = decoders_.find(socket);
    if (decoder == decoders_.end()) {
        return;
    }
    const QByteArray bytes = socket->readAll();
    decoder->second.feed(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    while (std::optional<bridge::wire::Message> message = decoder->second.next()) {
        handleMessage(socket, *message);
        decoder = decoders_.find(socket);
        if (decoder == decoders_.end()) {
            return;
        }
    }
    if (decoder->second.broken()) {
        // Not the bridge's language: nothing more is read from it.
        decoders_.erase(decoder);
        socket->abort();
    }
}

void BridgeKeystrokeSource::handleMessage(QLocalSocket* socket,
                                          const bridge::wire::Message& message) {
    using bridge::wire::Type;
    if (message.type == Type::attach) {
        attach(socket);
        return;
    }
    if (socket != addon_) {
        // Only the attached addon speaks for the keyboard.
        return;
    }
    switch (message.type) {
        case Type::keyDown: {
            focusContext(Context{message.contextId, message.program, message.fieldFlags});
            std::vector<TextEdit> edits;
            collecting_ = &edits;
            const auto keyCode = static_cast<KeyCode>(message.keyCode);
            const bool pass =
                !(hotKeyRoute_ && hotKeyRoute_->takeHotKey(keyCode, message.flags)) &&
                deliver(KeyEvent{EventType::keyDown, keyCode, message.flags, message.text, 0});
            collecting_ = nullptr;
            bridge::wire::Message reply;
            reply.type = Type::keyReply;
            reply.serial = message.serial;
            reply.pass = pass;
            reply.edits = wireEdits(edits);
            write(socket, reply);
            return;
        }
        case Type::focusIn:
            focusContext(Context{message.contextId, message.program, message.fieldFlags});
            return;
        case Type::focusOut:
            if (focused_ && focused_->id == message.contextId) {
                setHasFocus(false);
            }
            return;
        case Type::mouseDown:
            if (focused_ && focused_->id == message.contextId) {
                deliver(KeyEvent{EventType::leftMouseDown, 0, 0, {}, 0});
            }
            return;
        default:
            // The desktop's own messages are not for it to receive.
            return;
    }
}

void BridgeKeystrokeSource::attach(QLocalSocket* socket) {
    if (socket == addon_) {
        return;
    }
    if (addon_ != nullptr) {
        // A restarted framework connects anew; the old connection is done.
        QLocalSocket* old = std::exchange(addon_, nullptr);
        old->disconnectFromServer();
    }
    addon_ = socket;
}

void BridgeKeystrokeSource::detach() {
    addon_ = nullptr;
    focused_.reset();
    setHasFocus(false);
}

void BridgeKeystrokeSource::write(QLocalSocket* socket, const bridge::wire::Message& message) {
    const std::string frame = bridge::wire::encode(message);
    socket->write(frame.data(), static_cast<qint64>(frame.size()));
    socket->flush();
}

void BridgeKeystrokeSource::focusContext(const Context& context) {
    const std::optional<Context> previous = std::exchange(focused_, context);
    setHasFocus(true);
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

void BridgeKeystrokeSource::setHasFocus(bool focused) {
    if (std::exchange(hasFocus_, focused) != focused && hotKeyRoute_) {
        hotKeyRoute_->contextFocusChanged(focused);
    }
}

bool BridgeKeystrokeSource::deliver(const KeyEvent& event) {
    const auto taps = taps_;
    for (const auto& tap : taps) {
        if (tap->enabled && !tap->callback(event)) {
            return false;
        }
    }
    return true;
}

void BridgeKeystrokeSource::emitEdits(std::uint64_t contextId, const std::vector<TextEdit>& edits) {
    bridge::wire::Message message;
    message.type = bridge::wire::Type::edit;
    message.contextId = contextId;
    message.edits = wireEdits(edits);
    write(addon_, message);
}

std::unique_ptr<InstalledTap> BridgeKeystrokeSource::install(Callback callback) {
    if (!isAttached()) {
        return nullptr;
    }
    auto tap = std::make_shared<Tap>(Tap{std::move(callback), true});
    taps_.insert(taps_.begin(), tap);
    return std::make_unique<BridgeTap>(*this, std::move(tap));
}

bool BridgeKeystrokeSource::answerKey(std::span<const TextEdit> edits, bool pass) {
    // The addon decides how the key goes on; it hears the controller's own
    // answer together with the edits.
    perform(edits);
    return pass;
}

bool BridgeKeystrokeSource::perform(std::span<const TextEdit> edits) {
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

bool BridgeKeystrokeSource::isSecureInputEnabled() const {
    return focused_ && hasFocus_ && (focused_->fieldFlags & protocol::fieldFlags::password) != 0;
}

std::optional<AccessibilityElement> BridgeKeystrokeSource::focusedElement(double) {
    if (!focused_ || !hasFocus_) {
        return std::nullopt;
    }
    return AccessibilityElement{pidFor(focused_->program), focused_->id};
}

ElementAttributes BridgeKeystrokeSource::attributes(const AccessibilityElement& element, double) {
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

bool BridgeKeystrokeSource::setFocused(const AccessibilityElement& element, double) {
    // The framework cannot move the focus; it is where it should be only
    // when that context has it already.
    return focused_ && hasFocus_ && element.handle == focused_->id;
}

std::optional<RunningApplication> BridgeKeystrokeSource::frontmostApplication() const {
    if (!focused_) {
        return std::nullopt;
    }
    if (focused_->program.empty()) {
        // Some clients do not say which program they are (IBus's Qt module,
        // XIM). The field is still known, so a flow that comes back to it
        // (a quick reply's prompt) still finds it; nothing is remembered
        // for an application without a name.
        return RunningApplication{pidFor(focused_->program), std::nullopt, {}, std::nullopt};
    }
    return applicationFor(focused_->program);
}

bool BridgeKeystrokeSource::activate(ProcessId pid) {
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

Registration BridgeKeystrokeSource::onActivate(Workspace::ApplicationHandler handler) {
    const std::uint64_t id = nextHandler_++;
    activationHandlers_.emplace(id, std::move(handler));
    std::weak_ptr<bool> alive = alive_;
    return Registration([this, alive, id] {
        if (alive.lock()) {
            activationHandlers_.erase(id);
        }
    });
}

ProcessId BridgeKeystrokeSource::pidFor(const std::string& program) const {
    if (program == ownProgram_) {
        return static_cast<ProcessId>(::getpid());
    }
    auto [it, inserted] = pids_.try_emplace(program, nextPid_);
    if (inserted) {
        ++nextPid_;
    }
    return it->second;
}

RunningApplication BridgeKeystrokeSource::applicationFor(const std::string& program) const {
    const std::string identifier = program == ownProgram_
                                       ? ownIdentifier_
                                       : bridge::ProgramIdentity::applicationIdentifier(program);
    return RunningApplication{pidFor(program), identifier, program, std::nullopt};
}

}  // namespace halvora::platform::qt
