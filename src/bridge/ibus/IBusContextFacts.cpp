#include "bridge/ibus/IBusContextFacts.h"

#include "bridge/BridgeProtocol.h"

#include <ibus.h>

#include <array>
#include <utility>

namespace halvora::bridge::ibus {

std::uint32_t fieldFlagsFor(std::uint32_t purpose, std::uint32_t hints) {
    namespace field = protocol::fieldFlags;
    static constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 4> purposes{{
        // A password field is also secure input.
        {IBUS_INPUT_PURPOSE_PASSWORD, field::password},
        {IBUS_INPUT_PURPOSE_PIN, field::sensitive},
        {IBUS_INPUT_PURPOSE_URL, field::url},
        {IBUS_INPUT_PURPOSE_TERMINAL, field::terminal},
    }};
    std::uint32_t flags = 0;
    for (const auto& [ibusPurpose, flag] : purposes) {
        if (purpose == ibusPurpose) {
            flags |= flag;
        }
    }
    // Private browsing windows and fields that ask not to be learnt from.
    if (hints & IBUS_INPUT_HINT_PRIVATE) {
        flags |= field::sensitive;
    }
    return flags;
}

std::string programOfClient(std::string_view client) {
    static constexpr std::array<std::string_view, 3> namingClients{
        "gtk-im:", "gtk3-im:", "gtk4-im:"};
    for (const std::string_view prefix : namingClients) {
        if (client.substr(0, prefix.size()) == prefix) {
            return std::string(client.substr(prefix.size()));
        }
    }
    return {};
}

bool commitsPreeditItself(std::string_view client) {
    return client == "QIBusInputContext";
}

bool relaysForWaylandClients(std::string_view client) {
    return client == "gnome-shell";
}

ContextFacts contextFacts(std::string program, std::uint32_t purpose, std::uint32_t hints,
                          std::uint32_t capabilities, bool surroundingSeen) {
    ContextFacts facts;
    facts.program = std::move(program);
    facts.fieldFlags = fieldFlagsFor(purpose, hints);
    facts.showsPreedit = (capabilities & IBUS_CAP_PREEDIT_TEXT) != 0;
    facts.reportsSurrounding = (capabilities & IBUS_CAP_SURROUNDING_TEXT) != 0 && surroundingSeen;
    return facts;
}

}  // namespace halvora::bridge::ibus
