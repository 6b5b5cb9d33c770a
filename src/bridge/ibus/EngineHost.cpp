#include "bridge/ibus/EngineHost.h"

#include "bridge/BridgeProtocol.h"
#include "bridge/ibus/ContextEngine.h"

#include <glib-unix.h>

#include <algorithm>
#include <string>
#include <utility>

namespace halvora::bridge::ibus {

EngineHost::EngineHost()
    : timeout_(keyCallTimeout()), client_(protocol::socketPath()), keyCodes_(0) {
    // The session bus only says when the desktop comes and goes; keys and
    // edits travel on the desktop's socket. A desktop that starts after the
    // engine learns of it at once, not only at the first key.
    const std::string name(protocol::serviceName);
    presence_ = NameWatch(g_bus_watch_name(
        G_BUS_TYPE_SESSION, name.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, gpointer self) {
            static_cast<EngineHost*>(self)->connect();
        },
        [](GDBusConnection*, const gchar*, gpointer self) {
            static_cast<EngineHost*>(self)->disconnect();
        },
        this, nullptr));
    connect();
}

EngineHost::~EngineHost() = default;

bool EngineHost::connect() {
    if (client_.isConnected()) {
        return true;
    }
    if (!client_.connect()) {
        return false;
    }
    socketWatch_ = SourceId(g_unix_fd_add(client_.fd(),
                                          static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                          &EngineHost::onSocket, this));
    setConnected(true);
    return true;
}

gboolean EngineHost::onSocket(gint, GIOCondition, gpointer self) {
    auto& host = *static_cast<EngineHost*>(self);
    if (host.client_.receive([&host](wire::Message& message) { host.onMessage(message); })) {
        return G_SOURCE_CONTINUE;
    }
    // The desktop is gone; this source ends with this answer.
    host.socketWatch_.forget();
    host.client_.close();
    host.setConnected(false);
    return G_SOURCE_REMOVE;
}

void EngineHost::disconnect() {
    socketWatch_.reset();
    client_.close();
    setConnected(false);
}

std::optional<wire::Message> EngineHost::call(wire::Message keyDown) {
    if (!connect()) {
        return std::nullopt;
    }
    std::optional<wire::Message> reply = client_.call(
        std::move(keyDown), timeout_, [this](wire::Message& message) { onMessage(message); });
    if (!reply) {
        if (!client_.isConnected()) {
            disconnect();
        } else {
            g_warning("Halvora bridge: halvora-desktop answered too late; the key passes");
        }
    }
    return reply;
}

void EngineHost::send(wire::Message message) {
    if (connect() && !client_.send(std::move(message))) {
        disconnect();
    }
}

void EngineHost::add(ContextEngine& engine) {
    engines_.push_back(&engine);
}

void EngineHost::remove(ContextEngine& engine) {
    std::erase(engines_, &engine);
}

void EngineHost::onMessage(wire::Message& message) {
    if (message.type != wire::Type::edit) {
        return;
    }
    // Only into the context the edits were meant for; while it has not the
    // focus, it keeps them for when it has it again.
    const auto target = std::find_if(engines_.begin(), engines_.end(), [&](ContextEngine* engine) {
        return engine->knows(message.contextId);
    });
    if (target != engines_.end()) {
        (*target)->applyLater(message.contextId, message.edits);
    }
}

void EngineHost::setConnected(bool connected) {
    if (connected == connected_) {
        return;
    }
    connected_ = connected;
    if (connected) {
        g_message("Halvora bridge: connected to halvora-desktop");
    } else {
        g_warning("Halvora bridge: halvora-desktop is not answering; keys pass untouched");
    }
}

}  // namespace halvora::bridge::ibus
