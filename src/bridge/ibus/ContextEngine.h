#pragma once

// The Halvora engine of one IBus input context: a bridge without rules of
// its own. It asks the keyboard controller inside halvora-desktop about
// every key-down of its context (bridge/BridgeProtocol.h) and carries out
// the text edits it answers on that context, in order, on the engine's own
// channel to the client (bridge/EditPlan.h): pre-edit text, commits,
// surrounding-text deletions and forwarded keys.

#include "bridge/ContextFacts.h"
#include "bridge/EditPlan.h"
#include "bridge/ResetJudge.h"
#include "bridge/ibus/EngineHost.h"

#include <ibus.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::bridge::ibus {

class ContextEngine {
  public:
    /// Carries out edits on `engine`, which owns this object.
    ContextEngine(EngineHost& host, IBusEngine* engine);
    ~ContextEngine();
    ContextEngine(const ContextEngine&) = delete;
    ContextEngine& operator=(const ContextEngine&) = delete;

    /// A key of the client; true when the engine keeps it.
    bool keyEvent(std::uint32_t keyval, std::uint32_t keycode, std::uint32_t state);
    /// `client`: the client name IBus gives (empty when it gives none);
    /// `path`: its input context's object path (the same).
    void focusIn(std::string_view client, std::string_view path = {});
    void focusOut();
    /// The client reset the input method: a click, a caret moved by other
    /// means than keys.
    void reset();
    void surroundingText(std::string text, unsigned int cursor, unsigned int anchor);
    void contentType(std::uint32_t purpose, std::uint32_t hints);

    /// Edits the desktop made outside a key, for the field `contextId`.
    /// While that field has not the focus (or IBus's stand-in context has
    /// it) they wait for it to have it again, unless a key or another
    /// field comes first.
    void applyLater(std::uint64_t contextId, const std::vector<WireEdit>& edits);

    std::uint64_t contextId() const { return contextId_; }
    /// Whether `contextId` names a field this engine serves or served.
    bool knows(std::uint64_t contextId) const;

  private:
    ContextFacts facts() const;
    /// The desktop's id for the input context at `path`: the same one each
    /// time the engine comes back to it, a new one for a new context.
    std::uint64_t idOfContext(std::string_view path);
    void sendContextMessage(wire::Type type);
    /// Carries out edits; answers whether the key they answer (if any) is
    /// kept.
    bool apply(const std::vector<WireEdit>& edits, const std::optional<AnsweredKey>& key);
    void showPreedit(const std::string& text);
    void commit(const std::string& text);
    /// Commits text that waited behind keys forwarded to the client, once
    /// the client reports from behind them (its next key, a reset, the
    /// focus leaving).
    void releaseHeldText();
    /// What the client last reported before the caret; nothing when it has
    /// not, or when text is selected.
    std::optional<std::string_view> textBeforeCaret() const;
    void forward(std::uint32_t keySym, std::uint32_t state);
    void pasteShortcut();

    EngineHost& host_;
    IBusEngine* engine_;
    /// The desktop's name for the field with the focus: one per input
    /// context the engine serves.
    std::uint64_t contextId_;
    std::string program_;
    /// How IBus treats the pre-edit text when the word ends by the user's
    /// hand: committed for the client, or dropped where it commits it itself.
    IBusPreeditFocusMode preeditMode_ = IBUS_ENGINE_PREEDIT_COMMIT;
    std::uint32_t purpose_ = 0;
    std::uint32_t hints_ = 0;
    bool focused_ = false;
    /// The focused field has reported the text around the caret, now or
    /// before it last lost the focus: its road does not change back in the
    /// middle of a word because the focus left it for a moment.
    bool surroundingSeen_ = false;
    /// The same, for the input context of `contextPath_`.
    bool contextReportedSurrounding_ = false;
    struct Surrounding {
        std::string text;
        unsigned int cursor = 0;
        unsigned int anchor = 0;
    };
    Surrounding lastSurrounding_;
    /// The pre-edit text shown.
    std::string preedit_;
    /// Tells the user's clicks from the client's resets after a commit.
    ResetJudge resetJudge_;
    /// Text to commit behind BackSpace keys forwarded to a client that
    /// ignores deletions.
    std::string held_;
    /// The client name of the focused context.
    std::string client_;
    /// The input context of the last real field with the focus.
    std::string contextPath_;
    struct KnownContext {
        std::string path;
        std::uint64_t id = 0;
    };
    /// The input contexts the engine last served, the latest last.
    std::vector<KnownContext> knownContexts_;
    static constexpr std::size_t kKnownContexts = 32;
    /// The focus is on IBus's stand-in context: no field has it.
    bool onStandIn_ = false;
    /// Edits the desktop made while their field had not the focus, for
    /// when it has it again.
    std::vector<WireEdit> waiting_;
    /// The field they wait for.
    std::uint64_t waitingFor_ = 0;
    /// Set while edits are carried out, so that what the client reports
    /// about them (a reset, a moved caret) is not taken for the user's doing.
    bool applying_ = false;
};

}  // namespace halvora::bridge::ibus
