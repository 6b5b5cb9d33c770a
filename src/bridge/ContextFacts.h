#pragma once

// What an input framework knows about the focused input context, in the
// bridge's own terms. Each framework fills it from its own facts in one
// place (capability flags, content types, client names); the choices that
// follow from it are made here once, for every framework alike.

#include "bridge/EditPlan.h"

#include <cstdint>
#include <string>

namespace halvora::bridge {

struct ContextFacts {
    /// The program as the framework names it ("firefox"); empty when the
    /// framework does not say.
    std::string program;
    /// protocol::fieldFlags bits.
    std::uint32_t fieldFlags = 0;
    /// The client shows pre-edit text inside the field.
    bool showsPreedit = false;
    /// The client reports the text around the caret (and so applies
    /// surrounding-text deletions).
    bool reportsSurrounding = false;

    bool operator==(const ContextFacts&) const = default;
};

/// How the controller's edits are carried out on the context.
ClientRoad roadFor(const ContextFacts& facts);

/// Whether the context is a terminal's, where the paste shortcut is
/// Ctrl+Shift+V and a pasted line break is not Return.
bool isTerminal(const ContextFacts& facts);

}  // namespace halvora::bridge
