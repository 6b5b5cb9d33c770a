#pragma once

// What IBus tells about an input context, mapped onto the bridge's terms in
// one place: the content purpose and hints (password, PIN and private fields
// are sensitive, a URL field is an address bar, a terminal follows the
// terminal rule), the program behind the client name IBus gives at focus-in,
// and what the client can show.

#include "bridge/ContextFacts.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace halvora::bridge::ibus {

/// protocol::fieldFlags bits for an IBus content purpose and hints.
std::uint32_t fieldFlagsFor(std::uint32_t purpose, std::uint32_t hints);

/// The program of an input context's client name: GTK's modules append it
/// ("gtk3-im:firefox"); Qt ("QIBusInputContext"), XIM and GNOME Shell (which
/// serves every Wayland client) name none, and the program stays unknown.
std::string programOfClient(std::string_view client);

/// Whether the client commits the pre-edit text it shows by itself when the
/// user clicks or the focus leaves, and asks IBus to reset without saying so
/// (Qt): IBus must then drop that text, or the word would be typed twice.
bool commitsPreeditItself(std::string_view client);

/// Whether `client` is GNOME Shell's own context, which relays a Wayland
/// program's text-input: keys forwarded through it reach the program
/// without their modifiers.
bool relaysForWaylandClients(std::string_view client);

/// Everything the edits' road depends on. `capabilities` are IBus's client
/// capability bits; `surroundingSeen` says whether the client has reported
/// the text around the caret since it took the focus (GTK's module claims the
/// capability for every widget, also those that never report any).
ContextFacts contextFacts(std::string program, std::uint32_t purpose, std::uint32_t hints,
                          std::uint32_t capabilities, bool surroundingSeen);

}  // namespace halvora::bridge::ibus
