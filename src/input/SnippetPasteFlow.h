#pragma once

// Pasting a snippet that is neither completed in the prompt first nor
// generated as a transfer QR: after its code is erased (a moment later, so the
// erasing lands first), from its hot-key slot (⌥⌘1…9), or from the picker
// into the chat it was opened over, retrying while that chat is not back in
// front and falling back to the clipboard with an alert. Main queue only.

#include "input/DynamicQRFlow.h"
#include "input/FlowHost.h"
#include "input/ReplyPromptFlow.h"
#include "platform/KeyEvent.h"
#include "platform/Platform.h"
#include "snippets/ReplyPasteTarget.h"
#include "snippets/Snippet.h"
#include "util/Lifetime.h"

#include <optional>

namespace halvora::snippets {
class SnippetStore;
}  // namespace halvora::snippets

namespace halvora::input {

class SnippetPasteFlow {
  public:
    SnippetPasteFlow(platform::Platform& platform, snippets::SnippetStore& store,
                     ReplyPromptFlow& prompts, DynamicQRFlow& qr, FlowHost& host);

    /// The hot-key slot of a number-row key of the Apple layout.
    static std::optional<int> hotkeySlot(platform::KeyCode code);

    /// The code of `snippet` has just been erased.
    void pasteExpanded(const snippets::Snippet& snippet);
    void pasteFromHotkey(const snippets::Snippet& snippet);
    void finishPickerPaste(const snippets::Snippet& snippet,
                           const snippets::ReplyPasteTarget& target, int attempt);

  private:
    platform::Platform& platform_;
    snippets::SnippetStore& store_;
    ReplyPromptFlow& prompts_;
    DynamicQRFlow& qr_;
    FlowHost& host_;
    util::Lifetime lifetime_;
};

}  // namespace halvora::input
