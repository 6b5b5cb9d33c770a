#include "bridge/ibus/ContextEngine.h"

#include "bridge/BridgeProtocol.h"
#include "bridge/KeyTranslation.h"
#include "bridge/ibus/IBusContextFacts.h"

#include <algorithm>
#include <utility>

namespace halvora::bridge::ibus {
namespace {

/// The modifier bits of a key's state, without IBus's own (release,
/// forwarded, handled): the X11 bits KeyTranslation reads.
constexpr std::uint32_t modifierBits = IBUS_MODIFIER_MASK & ~IBUS_RELEASE_MASK;

/// What a key types, as UTF-8; empty for keys that type nothing.
std::string typedText(std::uint32_t keyval) {
    const gunichar character = ibus_keyval_to_unicode(keyval);
    if (character < 0x20 || character == 0x7f) {
        return {};
    }
    char buffer[8] = {};
    const gint length = g_unichar_to_utf8(character, buffer);
    return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace

ContextEngine::ContextEngine(EngineHost& host, IBusEngine* engine)
    : host_(host), engine_(engine), contextId_(host.nextContextId()) {
    host_.add(*this);
}

ContextEngine::~ContextEngine() {
    if (focused_) {
        sendContextMessage(wire::Type::focusOut);
    }
    host_.remove(*this);
}

ContextFacts ContextEngine::facts() const {
    return contextFacts(program_, purpose_, hints_, engine_->client_capabilities, surroundingSeen_);
}

void ContextEngine::sendContextMessage(wire::Type type) {
    wire::Message message;
    message.type = type;
    message.contextId = contextId_;
    if (type == wire::Type::focusIn) {
        const ContextFacts now = facts();
        message.program = now.program;
        message.fieldFlags = now.fieldFlags;
    }
    host_.send(std::move(message));
}

void ContextEngine::focusIn(std::string_view client, std::string_view path) {
    // IBus's stand-in context has the focus while no field has. A passing
    // window (wl-copy's, setting the clipboard under GNOME) takes the focus
    // between a key and the paste it makes ready: the paste waits for the
    // same input context, and is dropped if another one has the focus next.
    onStandIn_ = client == "fake";
    if (!onStandIn_ && (path.empty() || path != contextPath_)) {
        if (!path.empty()) {
            // IBus moves its one engine from field to field, at times with
            // no stand-in between them. To the desktop another field is
            // another context: the word ends, and no correction or paste
            // meant for the field before reaches this one.
            contextId_ = idOfContext(path);
        } else {
            // Which context this is, IBus does not say.
            waiting_.clear();
        }
        contextPath_ = std::string(path);
        contextReportedSurrounding_ = false;
    }
    client_ = std::string(client);
    program_ = programOfClient(client);
    preeditMode_ =
        commitsPreeditItself(client) ? IBUS_ENGINE_PREEDIT_CLEAR : IBUS_ENGINE_PREEDIT_COMMIT;
    focused_ = true;
    resetJudge_.forget();
    surroundingSeen_ = !onStandIn_ && contextReportedSurrounding_;
    lastSurrounding_ = {};
    // Asking for the surrounding text tells the client that this engine
    // uses it: clients that can then report it before every key.
    IBusText* text = nullptr;
    guint cursor = 0;
    guint anchor = 0;
    ibus_engine_get_surrounding_text(engine_, &text, &cursor, &anchor);
    sendContextMessage(wire::Type::focusIn);
    if (!onStandIn_ && !waiting_.empty()) {
        std::vector<WireEdit> edits = std::exchange(waiting_, {});
        if (waitingFor_ == contextId_) {
            apply(edits, std::nullopt);
        }
    }
}

std::uint64_t ContextEngine::idOfContext(std::string_view path) {
    auto known = std::find_if(knownContexts_.begin(), knownContexts_.end(),
                              [&](const KnownContext& context) { return context.path == path; });
    KnownContext context;
    if (known != knownContexts_.end()) {
        context = std::move(*known);
        knownContexts_.erase(known);
    } else {
        // The first field keeps the id the desktop already knows.
        context = {std::string(path), knownContexts_.empty() ? contextId_ : host_.nextContextId()};
        if (knownContexts_.size() == kKnownContexts) {
            knownContexts_.erase(knownContexts_.begin());
        }
    }
    // The field a paste waits for (the quick reply's, after its prompt)
    // keeps its id when the focus comes back to it.
    knownContexts_.push_back(std::move(context));
    return knownContexts_.back().id;
}

void ContextEngine::focusOut() {
    if (!focused_) {
        return;
    }
    // Text waiting behind forwarded keys still belongs to this context.
    releaseHeldText();
    resetJudge_.forget();
    // IBus or the client commits the pre-edit text of a context losing the
    // focus: committing it here too would type the word twice.
    const bool wordShown = !std::exchange(preedit_, {}).empty();
    if (wordShown) {
        // The word is the client's text now, out of reach of corrections.
        sendContextMessage(wire::Type::mouseDown);
    }
    // Not a reset: losing the focus is not a click.
    sendContextMessage(wire::Type::focusOut);
    focused_ = false;
}

void ContextEngine::reset() {
    // A client resets the input method when the user clicks into the field
    // or moves the caret by other means than keys: the word ends. IBus or
    // the client commits the pre-edit text shown (the field keeps what it
    // showed), so it is only forgotten here.
    releaseHeldText();
    const bool wordShown = !std::exchange(preedit_, {}).empty();
    if (!applying_ && focused_ &&
        resetJudge_.resetIsClick(
            wordShown, roadFor(facts()) == ClientRoad::preedit && facts().reportsSurrounding)) {
        sendContextMessage(wire::Type::mouseDown);
    }
}

void ContextEngine::surroundingText(std::string text, unsigned int cursor, unsigned int anchor) {
    if (!focused_) {
        return;
    }
    // Clients such as Qt's do not reset the input method when the user
    // clicks into the text; they only report the caret's new place.
    const bool caretMovedAlone =
        surroundingSeen_ && text == lastSurrounding_.text &&
        (cursor != lastSurrounding_.cursor || anchor != lastSurrounding_.anchor);
    surroundingSeen_ = true;
    contextReportedSurrounding_ = contextReportedSurrounding_ || !onStandIn_;
    lastSurrounding_ = {std::move(text), cursor, anchor};
    // Clients that show pre-edit text reset the input method when the
    // caret moves; Firefox also reports a caret a character off while it
    // composes.
    if (caretMovedAlone && !applying_ && roadFor(facts()) != ClientRoad::preedit) {
        resetJudge_.forget();
        sendContextMessage(wire::Type::mouseDown);
    }
}

void ContextEngine::contentType(std::uint32_t purpose, std::uint32_t hints) {
    const std::uint32_t before = fieldFlagsFor(purpose_, hints_);
    purpose_ = purpose;
    hints_ = hints;
    // Clients say what the field is for after it takes the focus: the
    // desktop hears it as the field it is.
    if (focused_ && fieldFlagsFor(purpose, hints) != before) {
        sendContextMessage(wire::Type::focusIn);
    }
}

bool ContextEngine::keyEvent(std::uint32_t keyval, std::uint32_t keycode, std::uint32_t state) {
    if ((state & IBUS_RELEASE_MASK) != 0 || applying_) {
        return false;
    }
    host_.keyCodes().learn(keyval, keycode);
    // Typed elsewhere meanwhile: edits still waiting for their field are
    // out of date.
    waiting_.clear();
    // The key came through the client's queue, behind any keys forwarded to
    // it before.
    releaseHeldText();
    const auto key = KeyTranslation::fromKeySym(keyval, state & modifierBits, typedText(keyval));
    if (!key) {
        return false;
    }
    if (resetJudge_.pendingResetWasClick(textBeforeCaret())) {
        sendContextMessage(wire::Type::mouseDown);
    }
    const ContextFacts now = facts();
    wire::Message call;
    call.type = wire::Type::keyDown;
    call.keyCode = key->keyCode;
    call.flags = key->flags;
    call.text = key->text;
    call.program = now.program;
    call.fieldFlags = now.fieldFlags;
    call.contextId = contextId_;
    const std::optional<wire::Message> reply = host_.call(std::move(call));
    if (!reply) {
        // Not running, too slow or confused: the key is the user's.
        return false;
    }
    const bool plain =
        (state & (IBUS_CONTROL_MASK | IBUS_MOD1_MASK | IBUS_SUPER_MASK | IBUS_META_MASK)) == 0;
    return apply(reply->edits, AnsweredKey{key->keyCode, key->text, plain, reply->pass});
}

bool ContextEngine::knows(std::uint64_t contextId) const {
    return contextId == contextId_ ||
           std::any_of(knownContexts_.begin(), knownContexts_.end(),
                       [&](const KnownContext& context) { return context.id == contextId; });
}

void ContextEngine::applyLater(std::uint64_t contextId, const std::vector<WireEdit>& edits) {
    if (contextId == contextId_ && focused_ && !onStandIn_) {
        apply(edits, std::nullopt);
        return;
    }
    if (std::exchange(waitingFor_, contextId) != contextId) {
        waiting_.clear();
    }
    waiting_.insert(waiting_.end(), edits.begin(), edits.end());
}

bool ContextEngine::apply(const std::vector<WireEdit>& edits,
                          const std::optional<AnsweredKey>& key) {
    const ContextFacts now = facts();
    const ClientRoad road = roadFor(now);
    const ClientPlan plan = planEdits(edits, road, key, preedit_);
    releaseHeldText();
    applying_ = true;
    bool behindForwardedKeys = false;
    // Commits next to each other go out as one. GNOME Shell hands a text-input
    // client one commit per update, and of two sent in one turn the client
    // would get the last only; for every other client one commit of the
    // joined text is the same edit.
    std::string joinedCommit;
    bool clearPreeditAfterCommit = false;
    const auto sendJoinedCommit = [&] {
        if (!joinedCommit.empty()) {
            commit(std::exchange(joinedCommit, {}));
        }
        if (std::exchange(clearPreeditAfterCommit, false)) {
            showPreedit({});
        }
    };
    // Plain text goes the way typed text goes, so that nothing typed after
    // it overtakes it; terminals paste, so that a line break is not taken
    // for Return.
    const auto pastesAsText = [&](const ClientStep& step) {
        return step.kind == ClientStep::Kind::pasteShortcut && !step.text.empty() &&
               !isTerminal(now);
    };
    for (const ClientStep& step : plan.steps) {
        if (step.kind != ClientStep::Kind::commit && !pastesAsText(step)) {
            sendJoinedCommit();
        }
        switch (step.kind) {
            case ClientStep::Kind::showPreedit:
                showPreedit(step.text);
                break;
            case ClientStep::Kind::commit:
                if (behindForwardedKeys) {
                    // A commit would overtake the keys still queued; it
                    // waits for the client's next word from that queue.
                    held_ += step.text;
                    break;
                }
                joinedCommit += step.text;
                resetJudge_.wrote(step.text);
                if (!preedit_.empty()) {
                    preedit_.clear();
                    clearPreeditAfterCommit = true;
                }
                break;
            case ClientStep::Kind::deleteBefore:
                if (now.reportsSurrounding) {
                    // What is deleted is text the controller wrote:
                    // precomposed characters, one code point each.
                    ibus_engine_delete_surrounding_text(engine_, -static_cast<gint>(step.count),
                                                        step.count);
                    resetJudge_.deleted(step.count);
                } else {
                    resetJudge_.forget();
                    // The client ignores deletions: BackSpace keys, which
                    // join its key queue. One that shows pre-edit text
                    // (Chromium) runs that queue behind commits, so what
                    // follows waits; one without either has no ordered
                    // channel at all and gets it at once.
                    for (std::uint32_t i = 0; i < step.count; ++i) {
                        forward(IBUS_KEY_BackSpace, 0);
                    }
                    behindForwardedKeys = road == ClientRoad::preedit;
                }
                break;
            case ClientStep::Kind::forwardKey:
                resetJudge_.forget();
                if (const std::uint32_t sym = KeyTranslation::keySymFor(step.keyCode)) {
                    forward(sym, 0);
                }
                break;
            case ClientStep::Kind::pasteShortcut:
                if (pastesAsText(step)) {
                    if (behindForwardedKeys) {
                        held_ += step.text;
                    } else {
                        joinedCommit += step.text;
                        resetJudge_.wrote(step.text);
                    }
                } else {
                    resetJudge_.forget();
                    pasteShortcut();
                }
                break;
        }
    }
    sendJoinedCommit();
    applying_ = false;
    if (key && !plan.keyTaken) {
        // What the key does is the client's business.
        resetJudge_.forget();
    }
    return plan.keyTaken;
}

std::optional<std::string_view> ContextEngine::textBeforeCaret() const {
    const Surrounding& now = lastSurrounding_;
    if (!surroundingSeen_ || now.cursor != now.anchor) {
        return std::nullopt;
    }
    const char* text = now.text.c_str();
    if (g_utf8_strlen(text, -1) < static_cast<glong>(now.cursor)) {
        return std::nullopt;
    }
    const char* caret = g_utf8_offset_to_pointer(text, now.cursor);
    return std::string_view(text, static_cast<std::size_t>(caret - text));
}

void ContextEngine::showPreedit(const std::string& text) {
    IBusText* preedit = ibus_text_new_from_string(text.c_str());
    const auto length = static_cast<guint>(g_utf8_strlen(text.c_str(), -1));
    if (length > 0) {
        ibus_text_append_attribute(preedit, IBUS_ATTR_TYPE_UNDERLINE, IBUS_ATTR_UNDERLINE_SINGLE, 0,
                                   static_cast<gint>(length));
    }
    // The client (or IBus for it) commits what the pre-edit text shows when
    // the focus leaves or the user clicks: the field keeps the word.
    ibus_engine_update_preedit_text_with_mode(engine_, preedit, length, length > 0, preeditMode_);
    preedit_ = text;
}

void ContextEngine::commit(const std::string& text) {
    ibus_engine_commit_text(engine_, ibus_text_new_from_string(text.c_str()));
}

void ContextEngine::releaseHeldText() {
    if (!held_.empty()) {
        commit(std::exchange(held_, {}));
    }
}

void ContextEngine::forward(std::uint32_t keySym, std::uint32_t state) {
    // Clients that hand keys back to the display server (Wayland, XIM) need
    // the key code, not only the symbol.
    const std::uint32_t code = host_.keyCodes().codeFor(keySym);
    ibus_engine_forward_key_event(engine_, keySym, code, state);
    ibus_engine_forward_key_event(engine_, keySym, code, state | IBUS_RELEASE_MASK);
}

void ContextEngine::pasteShortcut() {
    if (relaysForWaylandClients(client_)) {
        // The shortcut would arrive as a bare "v" in the user's text; the
        // contents stay on the clipboard for a paste by hand.
        g_warning(
            "Halvora bridge: GNOME Shell's input contexts cannot receive the paste "
            "shortcut; not pasted");
        return;
    }
    std::uint32_t state = IBUS_CONTROL_MASK;
    if (isTerminal(facts())) {
        state |= IBUS_SHIFT_MASK;
    }
    forward(IBUS_KEY_v, state);
}

}  // namespace halvora::bridge::ibus
