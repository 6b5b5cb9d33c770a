#include "bridge/ContextFacts.h"

#include "bridge/BridgeProtocol.h"
#include "bridge/ProgramIdentity.h"

namespace halvora::bridge {

ClientRoad roadFor(const ContextFacts& facts) {
    namespace field = protocol::fieldFlags;
    // Pre-edit text is updated in order with commits by every client that
    // shows it, while a key let through goes the client's own way and may
    // arrive after a later commit (Qt) or reset the input method (Firefox).
    // Password fields are left alone by the controller; their characters
    // must not show up as pre-edit text either.
    if (facts.fieldFlags & (field::password | field::sensitive)) {
        return ClientRoad::direct;
    }
    // Qt and GTK drop pre-edit text when the user clicks into the field;
    // where they report the text around the caret, nothing is pre-edit.
    if (facts.reportsSurrounding &&
        !(facts.showsPreedit && ProgramIdentity::composesAsPreedit(facts.program))) {
        return ClientRoad::surrounding;
    }
    return facts.showsPreedit ? ClientRoad::preedit : ClientRoad::direct;
}

bool isTerminal(const ContextFacts& facts) {
    return (facts.fieldFlags & protocol::fieldFlags::terminal) != 0 ||
           ProgramIdentity::isTerminal(facts.program);
}

}  // namespace halvora::bridge
