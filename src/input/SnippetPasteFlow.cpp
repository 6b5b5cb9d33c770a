#include "input/SnippetPasteFlow.h"

#include "input/PasteRetry.h"
#include "qr/DynamicQRProfile.h"
#include "snippets/PasteService.h"
#include "snippets/SnippetStore.h"

#include <array>
#include <utility>

namespace halvora::input {
namespace {

constexpr double kCodePasteDelay = 0.04;

}  // namespace

SnippetPasteFlow::SnippetPasteFlow(platform::Platform& platform, snippets::SnippetStore& store,
                                   ReplyPromptFlow& prompts, DynamicQRFlow& qr, FlowHost& host)
    : platform_(platform), store_(store), prompts_(prompts), qr_(qr), host_(host) {}

std::optional<int> SnippetPasteFlow::hotkeySlot(platform::KeyCode code) {
    static constexpr std::array<std::pair<platform::KeyCode, int>, 9> slots{{
        {18, 1},
        {19, 2},
        {20, 3},
        {21, 4},
        {23, 5},
        {22, 6},
        {26, 7},
        {28, 8},
        {25, 9},
    }};
    for (const auto& [key, slot] : slots) {
        if (key == code) {
            return slot;
        }
    }
    return std::nullopt;
}

void SnippetPasteFlow::pasteExpanded(const snippets::Snippet& snippet) {
    platform_.mainQueue.asyncAfter(kCodePasteDelay, lifetime_.guard([this, snippet] {
        snippets::PasteService::paste(platform_, snippet, store_);
    }));
}

void SnippetPasteFlow::pasteFromHotkey(const snippets::Snippet& snippet) {
    if (ReplyPromptFlow::needsPrompt(snippet)) {
        if (const std::optional<snippets::ReplyPasteTarget> target =
                snippets::ReplyPasteTarget::capture(platform_)) {
            prompts_.schedule(snippet, *target);
        }
    } else if (!snippet.isDynamicQR()) {
        platform_.mainQueue.async(lifetime_.guard(
            [this, snippet] { snippets::PasteService::paste(platform_, snippet, store_); }));
    } else {
        qr_.begin(snippet, host_.frontmostPID());
    }
}

void SnippetPasteFlow::finishPickerPaste(const snippets::Snippet& snippet,
                                         const snippets::ReplyPasteTarget& target, int attempt) {
    if (target.refocusAndVerify(platform_)) {
        if (!snippet.isDynamicQR()) {
            snippets::PasteService::paste(platform_, snippet, store_);
        } else if (qr::DynamicQRProfile::load(platform_.userDefaults).isConfigured()) {
            qr_.begin(snippet, target.pid());
        } else {
            pasteRetry::showAlert(
                platform_.alerts, "Chưa thiết lập tài khoản QR",
                "Mở mục QR chuyển khoản để nhập tài khoản trước khi dán mẫu này.");
        }
        return;
    }
    if (attempt > pasteRetry::kLastRetryAttempt) {
        if (snippet.isDynamicQR()) {
            pasteRetry::showAlert(platform_.alerts, "Không tìm lại được ô chat",
                                  "Anh chọn lại ô chat rồi mở bảng mẫu một lần nữa.");
        } else {
            snippets::PasteService::writeContents(platform_, snippet, store_);
            pasteRetry::showAlert(
                platform_.alerts, "Không dán tự động được vào ô chat cũ",
                "Halvora đã chép mẫu vào clipboard. Anh chọn lại ô chat rồi nhấn " +
                    platform_.words.pasteShortcut() + " để dán.");
        }
        return;
    }
    platform_.mainQueue.asyncAfter(pasteRetry::kRetryDelay,
                                   lifetime_.guard([this, snippet, target, attempt] {
                                       finishPickerPaste(snippet, target, attempt + 1);
                                   }));
}

}  // namespace halvora::input
