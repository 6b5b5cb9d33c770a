#pragma once

// How an input-method framework carries out the controller's text edits on
// one client, decided once for every framework (fcitx5 and IBus alike):
// the edits of a reply become the framework's own steps, in order, on one
// channel, and the step list says whether the key itself goes on to the
// client. Free of framework headers, so that it can be tested alone.

#include "platform/KeyEvent.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::bridge {

/// One edit as it travels on the wire (bridge/BridgeProtocol.h).
struct WireEdit {
    std::uint32_t kind = 0;
    std::uint32_t count = 0;
    std::string text;
    std::string shown;

    bool operator==(const WireEdit&) const = default;
};

/// How a client is written to.
enum class ClientRoad {
    /// Every letter is committed and corrections are surrounding-text
    /// deletions, all on the input method's channel: clients that report
    /// the text around the caret apply both in order, and a click cannot
    /// drop a word they never held as pre-edit text.
    surrounding,
    /// The word is pre-edit text until it ends: clients that show pre-edit
    /// text keep it in order with commits, whatever the pace.
    preedit,
    /// Keys that type themselves pass, corrections are deletions and
    /// commits: clients with neither (and password fields, whose keys pass
    /// anyway).
    direct,
};

struct ClientStep {
    enum class Kind {
        /// The pre-edit text reads `text` (empty: none).
        showPreedit,
        /// `text` is committed in place of any pre-edit text.
        commit,
        /// The `count` characters before the caret are deleted.
        deleteBefore,
        /// The key `keyCode` is sent to the client, pressed and released.
        forwardKey,
        /// The clipboard is pasted; `text` is what it holds when that is
        /// plain text alone (empty otherwise).
        pasteShortcut,
    };
    Kind kind = Kind::commit;
    std::string text;
    std::uint32_t count = 0;
    platform::KeyCode keyCode = 0;

    bool operator==(const ClientStep&) const = default;
};

/// The key a reply answers.
struct AnsweredKey {
    platform::KeyCode keyCode = 0;
    /// What the key types; empty for keys that type nothing.
    std::string text;
    /// Control, Alt and Super are all up.
    bool plain = true;
    /// The controller's answer: the key goes on after the edits.
    bool pass = true;
};

struct ClientPlan {
    std::vector<ClientStep> steps;
    /// The input method keeps the key (its effect is in the steps); false
    /// lets it go on to the client after them.
    bool keyTaken = false;

    bool operator==(const ClientPlan&) const = default;
};

/// The steps for `edits` on a client of `road`; `key` is the key they
/// answer, nothing for edits made later. `shownPreedit` is the pre-edit
/// text the client shows now: a context's road can change in the middle of
/// a word (a client that reports its text only after its first commit), and
/// the word the controller takes for written must then be written first.
ClientPlan planEdits(const std::vector<WireEdit>& edits, ClientRoad road,
                     const std::optional<AnsweredKey>& key, std::string_view shownPreedit = {});

}  // namespace halvora::bridge
