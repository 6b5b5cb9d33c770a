#pragma once

// The process side of the Halvora engine of IBus: the one connection to
// halvora-desktop that all the input contexts' engines share, a watch of the
// desktop coming and going on the session bus, and the engines alive, so
// that edits the desktop makes outside a key reach the context they are for.

#include "bridge/BridgeClient.h"
#include "bridge/KeyTranslation.h"
#include "bridge/ibus/GLibHandles.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace halvora::bridge::ibus {

class ContextEngine;

class EngineHost {
  public:
    EngineHost();
    ~EngineHost();
    EngineHost(const EngineHost&) = delete;
    EngineHost& operator=(const EngineHost&) = delete;

    /// Asks the desktop about a key-down; nothing when it is not there, too
    /// slow or confused (the key is then the user's). Edits the desktop sent
    /// before the answer are carried out first.
    std::optional<wire::Message> call(wire::Message keyDown);
    /// A message that is not answered; dropped when the desktop is not there.
    void send(wire::Message message);

    /// A number for a new engine's context, unique in this process.
    std::uint64_t nextContextId() { return ++lastContextId_; }
    void add(ContextEngine& engine);
    void remove(ContextEngine& engine);

    /// Kernel key codes (IBus's) of the key symbols the user types.
    KeyTranslation::HardwareKeyCodes& keyCodes() { return keyCodes_; }

  private:
    bool connect();
    void disconnect();
    void onMessage(wire::Message& message);
    void setConnected(bool connected);
    static gboolean onSocket(gint fd, GIOCondition condition, gpointer self);

    std::chrono::microseconds timeout_;
    BridgeClient client_;
    SourceId socketWatch_;
    NameWatch presence_;
    std::vector<ContextEngine*> engines_;
    KeyTranslation::HardwareKeyCodes keyCodes_;
    std::uint64_t lastContextId_ = 0;
    bool connected_ = false;
};

}  // namespace halvora::bridge::ibus
