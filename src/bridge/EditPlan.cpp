#include "bridge/EditPlan.h"

#include "bridge/BridgeProtocol.h"

#include <cstddef>
#include <string_view>

namespace halvora::bridge {
namespace {

namespace kinds = protocol::editKinds;

/// Code points of UTF-8 text (continuation bytes do not count).
std::uint32_t codePoints(std::string_view text) {
    std::uint32_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

/// Bytes of the longest common start of `a` and `b` that ends on a
/// character boundary.
std::size_t commonStart(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) {
        ++i;
    }
    while (i > 0 && i < a.size() && (static_cast<unsigned char>(a[i]) & 0xC0) == 0x80) {
        --i;
    }
    return i;
}

bool typesText(const AnsweredKey& key) {
    return key.plain && !key.text.empty() && static_cast<unsigned char>(key.text[0]) >= 0x20 &&
           key.text != "\x7f";
}

/// Text committed right behind a commit joins it: Firefox takes a commit
/// made while it shows no pre-edit text for a change of its own, which it
/// answers with a reset that reaches the input method after the next
/// word's first letter, and drops that letter.
void commitOrNothing(std::vector<ClientStep>& steps, std::string text) {
    if (text.empty()) {
        return;
    }
    if (!steps.empty() && steps.back().kind == ClientStep::Kind::commit) {
        steps.back().text += text;
    } else {
        steps.push_back({ClientStep::Kind::commit, std::move(text), 0, 0});
    }
}

/// `shown` becomes `text` in text the client already holds: only what
/// differs is deleted and committed again.
void rewrite(std::vector<ClientStep>& steps, std::string_view shown, std::string_view text) {
    const std::size_t start = commonStart(shown, text);
    if (const std::uint32_t erase = codePoints(shown.substr(start)); erase > 0) {
        steps.push_back({ClientStep::Kind::deleteBefore, {}, erase, 0});
    }
    commitOrNothing(steps, std::string(text.substr(start)));
}

}  // namespace

ClientPlan planEdits(const std::vector<WireEdit>& edits, ClientRoad road,
                     const std::optional<AnsweredKey>& key, std::string_view shownPreedit) {
    ClientPlan plan;
    std::vector<ClientStep>& steps = plan.steps;
    const bool preedit = road == ClientRoad::preedit;
    if (!preedit) {
        // Off the pre-edit road, edits act on text the client holds: the
        // word shown so far becomes that text, or it would be dropped.
        commitOrNothing(steps, std::string(shownPreedit));
    }
    // Whether the input method carries all the text the keys type.
    const bool ownsText = road != ClientRoad::direct;
    // Whether the key still goes on after the edits, as the controller
    // answered, or because an edit asks for it right here.
    bool keyGoesOn = key && key->pass;
    bool keyShown = false;

    for (std::size_t i = 0; i < edits.size(); ++i) {
        const WireEdit& edit = edits[i];
        switch (edit.kind) {
            case kinds::compose:
            case kinds::composeByKey:
                if (preedit) {
                    steps.push_back({ClientStep::Kind::showPreedit, edit.text, 0, 0});
                    keyShown = true;
                } else if (ownsText) {
                    rewrite(steps, edit.shown, edit.text);
                    keyShown = true;
                } else if (!(edit.kind == kinds::composeByKey && keyGoesOn)) {
                    rewrite(steps, edit.shown, edit.text);
                }
                break;
            case kinds::commit:
                if (preedit) {
                    // Committed text takes the place of the pre-edit text,
                    // also when it is empty (a snippet code erased).
                    steps.push_back({ClientStep::Kind::commit, edit.text, 0, 0});
                } else if (edit.text != edit.shown) {
                    rewrite(steps, edit.shown, edit.text);
                }
                break;
            case kinds::replace:
                if (edit.count > 0) {
                    steps.push_back({ClientStep::Kind::deleteBefore, {}, edit.count, 0});
                }
                commitOrNothing(steps, edit.text);
                break;
            case kinds::key:
                if (key && i + 1 == edits.size() && edit.count == key->keyCode) {
                    // The key being decided, behind the correction: it acts
                    // on its own once the text before it is out.
                    keyGoesOn = true;
                } else {
                    steps.push_back({ClientStep::Kind::forwardKey,
                                     {},
                                     0,
                                     static_cast<platform::KeyCode>(edit.count)});
                }
                break;
            case kinds::paste:
                steps.push_back({ClientStep::Kind::pasteShortcut, edit.text, 0, 0});
                break;
            default:
                // An edit of a newer desktop: nothing is safer than a guess.
                break;
        }
    }

    if (!key) {
        return plan;
    }
    if (!keyGoesOn || keyShown) {
        plan.keyTaken = true;
    } else if (ownsText && typesText(*key)) {
        // Text the key types goes the way the word went, so that nothing
        // overtakes it.
        commitOrNothing(steps, key->text);
        plan.keyTaken = true;
    }
    return plan;
}

}  // namespace halvora::bridge
