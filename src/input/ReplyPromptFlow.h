#pragma once

// The template prompt of a quick reply whose text has fields: it appears a
// moment after the code is erased, takes the values, goes back to the chat
// and pastes the rendered text there, retrying while the chat is not back in
// front and falling back to the clipboard with an alert. Main queue only.

#include "platform/Platform.h"
#include "snippets/ReplyPasteTarget.h"
#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/Snippet.h"
#include "util/Lifetime.h"

#include <memory>
#include <string>

namespace halvora::snippets {
class PanelHost;
}  // namespace halvora::snippets

namespace halvora::input {

class ReplyPromptFlow {
  public:
    ReplyPromptFlow(platform::Platform& platform, snippets::PanelHost& panels);

    /// A quick reply whose text has fields is completed in the prompt first.
    static bool needsPrompt(const snippets::Snippet& snippet);

    /// The prompt on screen; null when there is none.
    snippets::ReplyTemplatePrompt* prompt() const { return prompt_.get(); }

    void schedule(const snippets::Snippet& snippet, const snippets::ReplyPasteTarget& target);
    void finishPaste(const std::string& text, const snippets::ReplyPasteTarget& target,
                     int attempt);
    /// Cancels the prompt on screen, if any, and ends it.
    void dismiss();

  private:
    /// Ends the prompt without destroying it inside its own callback.
    void release();

    platform::Platform& platform_;
    snippets::PanelHost& panels_;
    std::unique_ptr<snippets::ReplyTemplatePrompt> prompt_;
    util::Lifetime lifetime_;
};

}  // namespace halvora::input
