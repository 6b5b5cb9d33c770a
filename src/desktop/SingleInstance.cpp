#include "desktop/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace halvora::desktop {

namespace {

constexpr int kTimeoutMilliseconds = 1000;
const QByteArray kReopen = QByteArrayLiteral("reopen\n");

}  // namespace

SingleInstance::SingleInstance(QString name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
    return QStringLiteral("halvora-desktop-%1").arg(::getuid());
}

bool SingleInstance::notifyRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kTimeoutMilliseconds)) {
        return false;
    }
    socket.write(kReopen);
    socket.waitForBytesWritten(kTimeoutMilliseconds);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen(std::function<void()> onReopen) {
    onReopen_ = std::move(onReopen);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // A socket file left by an instance that crashed: nobody answered
        // on it, so it may go.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_)) {
            server_.reset();
            return false;
        }
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kReopen.trimmed()) && onReopen_) {
                    onReopen_();
                }
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

}  // namespace halvora::desktop
