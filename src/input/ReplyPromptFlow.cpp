#include "input/ReplyPromptFlow.h"

#include "input/PasteRetry.h"
#include "snippets/PanelHost.h"
#include "snippets/PasteService.h"
#include "snippets/ReplyTemplate.h"

#include <optional>
#include <utility>
#include <vector>

namespace halvora::input {
namespace {

constexpr double kPromptDelay = 0.06;

}  // namespace

ReplyPromptFlow::ReplyPromptFlow(platform::Platform& platform, snippets::PanelHost& panels)
    : platform_(platform), panels_(panels) {}

bool ReplyPromptFlow::needsPrompt(const snippets::Snippet& snippet) {
    return snippet.isQuickReply() && !snippets::ReplyTemplate::fields(snippet.text).empty();
}

void ReplyPromptFlow::schedule(const snippets::Snippet& snippet,
                               const snippets::ReplyPasteTarget& target) {
    // The delay lets the erasing backspaces land before the panel takes focus.
    platform_.mainQueue.asyncAfter(kPromptDelay, lifetime_.guard([this, snippet, target] {
        std::vector<std::string> fields = snippets::ReplyTemplate::fields(snippet.text);
        if (fields.empty()) {
            return;
        }
        auto onSubmit = [this, alive = lifetime_.token(), text = snippet.text,
                         target](const snippets::ReplyTemplate::FieldValues& values) {
            if (!alive.lock()) {
                return;
            }
            release();
            const std::optional<std::string> rendered =
                snippets::ReplyTemplate::render(text, values);
            if (!rendered) {
                return;
            }
            target.activate(platform_.workspace);
            finishPaste(*rendered, target, 0);
        };
        auto onCancel = [this, alive = lifetime_.token(), target] {
            if (!alive.lock()) {
                return;
            }
            release();
            target.activate(platform_.workspace);
        };
        // A prompt still shown from before is replaced; it reports nothing more.
        release();
        prompt_ = std::make_unique<snippets::ReplyTemplatePrompt>(
            snippet.title, snippet.text, std::move(fields),
            "Điền thông tin rồi dán vào ô chat đang soạn. Halvora sẽ không tự gửi tin nhắn.",
            "Dán vào chat", std::move(onSubmit), std::move(onCancel));
        platform_.workspace.activateSelf();
        panels_.present(*prompt_);
    }));
}

void ReplyPromptFlow::release() {
    // The prompt may be reporting its outcome right now; it allows its owner
    // to drop it from inside that callback.
    prompt_.reset();
}

void ReplyPromptFlow::dismiss() {
    if (prompt_) {
        prompt_->cancel();
        release();
    }
}

void ReplyPromptFlow::finishPaste(const std::string& text, const snippets::ReplyPasteTarget& target,
                                  int attempt) {
    if (target.refocusAndVerify(platform_) &&
        snippets::PasteService::pasteExactText(platform_, text, target.pid())) {
        return;
    }
    if (attempt > pasteRetry::kLastRetryAttempt) {
        platform_.pasteboard.clear();
        platform_.pasteboard.write(
            {platform::PasteboardItem{{platform::PasteboardRepresentation::string(text)}}});
        pasteRetry::showAlert(
            platform_.alerts, "Không dán tự động được vào ô chat cũ",
            "Halvora đã chép nội dung vào clipboard. Anh chọn lại ô chat rồi nhấn " +
                platform_.words.pasteShortcut() + " để dán.");
        return;
    }
    platform_.mainQueue.asyncAfter(
        pasteRetry::kRetryDelay,
        lifetime_.guard([this, text, target, attempt] { finishPaste(text, target, attempt + 1); }));
}

}  // namespace halvora::input
