// The keyboard controller's snippet, suggestion and transfer-QR flows.

#include "input/KeyboardController.h"

#include "qr/DynamicQRProfile.h"
#include "snippets/PanelHost.h"
#include "snippets/PasteService.h"
#include "snippets/ReplyTemplate.h"
#include "snippets/SnippetStore.h"
#include "text/Unicode.h"

namespace halvora::input {
namespace {

namespace keys = platform::keyCodes;

constexpr double kCodePasteDelay = 0.04;
constexpr double kPromptDelay = 0.06;
constexpr double kRetryDelay = 0.06;
/// Attempts 0 … 8 of a delayed paste before falling back to the clipboard.
constexpr int kLastRetryAttempt = 7;
constexpr double kModifierCheckInterval = 0.01;
constexpr int kModifierChecks = 99;

constexpr const char* kQRAccountMissing = "Nhập tài khoản trong mục QR chuyển khoản trước khi dán.";
constexpr const char* kQRCancelledByUser = "Đã hủy QR vì anh tiếp tục gõ hoặc di chuyển con trỏ.";

void showAlert(platform::Alerts& alerts, std::string message, std::string informative) {
    alerts.runModal(platform::Alert{std::move(message), std::move(informative), {"OK"}});
}

}  // namespace

// ---------------------------------------------------------------- snippets

bool KeyboardController::needsPrompt(const snippets::Snippet& snippet) {
    return snippet.isQuickReply() && !snippets::ReplyTemplate::fields(snippet.text).empty();
}

bool KeyboardController::expandSnippet(const snippets::Snippet& snippet) {
    if (snippet.isDynamicQR()) {
        if (qrBusy_) {
            // The code stays on screen as typed.
            resetWordAndCode();
            return true;
        }
        if (!qr::DynamicQRProfile::load(platform_.userDefaults).isConfigured()) {
            resetWordAndCode();
            setQRStatus(kQRAccountMissing, true);
            return true;
        }
    }
    std::optional<snippets::ReplyPasteTarget> target;
    if (needsPrompt(snippet)) {
        target = snippets::ReplyPasteTarget::capture(platform_);
        if (!target) {
            resetWordAndCode();
            return true;
        }
    }

    // Erase the typed code (";" included); the Space itself is swallowed.
    edit(platform::TextEdit::commit(token_, ""));
    forgetWordAndCode();

    if (target) {
        scheduleReplyPrompt(snippet, *target);
    } else if (snippet.isDynamicQR()) {
        beginDynamicQR(snippet, frontmostPID());
    } else {
        platform_.mainQueue.asyncAfter(kCodePasteDelay, guarded([this, snippet] {
                                           snippets::PasteService::paste(platform_, snippet,
                                                                         store_);
                                       }));
    }
    return false;
}

void KeyboardController::pasteFromHotkey(const snippets::Snippet& snippet) {
    resetWordAndCode();
    clearSuggestion();
    if (needsPrompt(snippet)) {
        if (const std::optional<snippets::ReplyPasteTarget> target =
                snippets::ReplyPasteTarget::capture(platform_)) {
            scheduleReplyPrompt(snippet, *target);
        }
    } else if (!snippet.isDynamicQR()) {
        platform_.mainQueue.async(guarded(
            [this, snippet] { snippets::PasteService::paste(platform_, snippet, store_); }));
    } else {
        beginDynamicQR(snippet, frontmostPID());
    }
}

void KeyboardController::scheduleReplyPrompt(const snippets::Snippet& snippet,
                                             const snippets::ReplyPasteTarget& target) {
    // The delay lets the erasing backspaces land before the panel takes focus.
    platform_.mainQueue.asyncAfter(
        kPromptDelay, guarded([this, snippet, target] {
            std::vector<std::string> fields = snippets::ReplyTemplate::fields(snippet.text);
            if (fields.empty()) {
                return;
            }
            std::weak_ptr<int> alive = lifetime_;
            auto onSubmit = [this, alive, text = snippet.text,
                             target](const snippets::ReplyTemplate::FieldValues& values) {
                if (!alive.lock()) {
                    return;
                }
                releaseReplyPrompt();
                const std::optional<std::string> rendered =
                    snippets::ReplyTemplate::render(text, values);
                if (!rendered) {
                    return;
                }
                platform_.workspace.activate(target.pid());
                finishReplyPaste(*rendered, target, 0);
            };
            auto onCancel = [this, alive, target] {
                if (!alive.lock()) {
                    return;
                }
                releaseReplyPrompt();
                platform_.workspace.activate(target.pid());
            };
            // A prompt still shown from before is replaced; it reports nothing more.
            releaseReplyPrompt();
            replyPrompt_ = std::make_unique<snippets::ReplyTemplatePrompt>(
                snippet.title, snippet.text, std::move(fields),
                "Điền thông tin rồi dán vào ô chat đang soạn. Halvora sẽ không tự gửi tin nhắn.",
                "Dán vào chat", std::move(onSubmit), std::move(onCancel));
            platform_.workspace.activateSelf();
            panels_.present(*replyPrompt_);
        }));
}

void KeyboardController::releaseReplyPrompt() {
    // The prompt may be reporting its outcome right now; it allows its owner
    // to drop it from inside that callback.
    replyPrompt_.reset();
}

void KeyboardController::finishReplyPaste(const std::string& text,
                                          const snippets::ReplyPasteTarget& target, int attempt) {
    if (target.refocusAndVerify(platform_) &&
        snippets::PasteService::pasteExactText(platform_, text, target.pid())) {
        return;
    }
    if (attempt > kLastRetryAttempt) {
        platform_.pasteboard.clear();
        platform_.pasteboard.write(
            {platform::PasteboardItem{{platform::PasteboardRepresentation::string(text)}}});
        showAlert(
            platform_.alerts, "Không dán tự động được vào ô chat cũ",
            "Halvora đã chép nội dung vào clipboard. Anh chọn lại ô chat rồi nhấn ⌘V để dán.");
        return;
    }
    platform_.mainQueue.asyncAfter(kRetryDelay, guarded([this, text, target, attempt] {
                                       finishReplyPaste(text, target, attempt + 1);
                                   }));
}

void KeyboardController::finishPickerPaste(const snippets::Snippet& snippet,
                                           const snippets::ReplyPasteTarget& target, int attempt) {
    if (target.refocusAndVerify(platform_)) {
        if (!snippet.isDynamicQR()) {
            snippets::PasteService::paste(platform_, snippet, store_);
        } else if (qr::DynamicQRProfile::load(platform_.userDefaults).isConfigured()) {
            beginDynamicQR(snippet, target.pid());
        } else {
            showAlert(platform_.alerts, "Chưa thiết lập tài khoản QR",
                      "Mở mục QR chuyển khoản để nhập tài khoản trước khi dán mẫu này.");
        }
        return;
    }
    if (attempt > kLastRetryAttempt) {
        if (snippet.isDynamicQR()) {
            showAlert(platform_.alerts, "Không tìm lại được ô chat",
                      "Anh chọn lại ô chat rồi mở bảng mẫu một lần nữa.");
        } else {
            snippets::PasteService::writeContents(platform_, snippet, store_);
            showAlert(platform_.alerts, "Không dán tự động được vào ô chat cũ",
                      "Halvora đã chép mẫu vào clipboard. Anh chọn lại ô chat rồi nhấn ⌘V để dán.");
        }
        return;
    }
    platform_.mainQueue.asyncAfter(kRetryDelay, guarded([this, snippet, target, attempt] {
                                       finishPickerPaste(snippet, target, attempt + 1);
                                   }));
}

// ---------------------------------------------------------------- suggestions

void KeyboardController::clearSuggestion() {
    if (!suggestion_) {
        return;
    }
    willChange();
    suggestion_.reset();
    notify();
}

bool KeyboardController::acceptSuggestion() {
    if (!suggestion_) {
        return false;
    }
    willChange();
    Suggestion accepted = std::move(*suggestion_);
    suggestion_.reset();
    resetWordAndCode();
    notify();
    const util::Uuid id = util::Uuid::random();
    pendingSuggestionReplacement_ = id;
    finishSuggestionReplacement(id, std::move(accepted), 0);
    return true;
}

void KeyboardController::finishSuggestionReplacement(util::Uuid id, Suggestion suggestion,
                                                     int attempt) {
    if (pendingSuggestionReplacement_ != id) {
        return;
    }
    // The replacement types while the accepting hot key may still be held:
    // wait for Option and Command to be released, up to about a second.
    const platform::EventFlags held = platform_.keyboardState.modifierFlags();
    if (held & (platform::eventFlags::option | platform::eventFlags::command)) {
        if (attempt <= kModifierChecks) {
            platform_.mainQueue.asyncAfter(
                kModifierCheckInterval,
                guarded([this, id, suggestion = std::move(suggestion), attempt] {
                    finishSuggestionReplacement(id, suggestion, attempt + 1);
                }));
        } else {
            pendingSuggestionReplacement_.reset();
        }
        return;
    }
    if (suggestion.targetPID && frontmostPID() != suggestion.targetPID) {
        pendingSuggestionReplacement_.reset();
        return;
    }
    pendingSuggestionReplacement_.reset();
    // One more character for the Space typed after the word.
    edit(platform::TextEdit::replace(text::graphemeCount(std::string_view(suggestion.original)) + 1,
                                     suggestion.replacement + " "));
}

// ---------------------------------------------------------------- transfer QR

void KeyboardController::setQRStatus(std::string message, bool failed) {
    willChange();
    qrStatus_ = std::move(message);
    qrFailed_ = failed;
    notify();
}

void KeyboardController::finishDynamicQR(std::string message, bool failed) {
    willChange();
    qrGeneration_.reset();
    qrTargetPID_.reset();
    qrPasting_ = false;
    qrBusy_ = false;
    qrStatus_ = std::move(message);
    qrFailed_ = failed;
    notify();
}

void KeyboardController::cancelPendingQR() {
    if (!qrGeneration_ || qrPasting_) {
        return;
    }
    finishDynamicQR(kQRCancelledByUser, true);
}

void KeyboardController::beginDynamicQR(const snippets::Snippet& snippet,
                                        std::optional<platform::ProcessId> targetPID) {
    if (qrBusy_) {
        return;
    }
    if (!targetPID || !qr::DynamicQRProfile::load(platform_.userDefaults).isConfigured()) {
        setQRStatus(kQRAccountMissing, true);
        return;
    }
    const util::Uuid id = util::Uuid::random();
    const qr::DynamicQRProfile profile = qr::DynamicQRProfile::load(platform_.userDefaults);
    // The rotation advances now, whatever becomes of this generation.
    std::string memo = profile.defaultMemo;
    if (profile.randomMemo && qrSource_) {
        memo = qrSource_->nextWishMemo();
    }

    willChange();
    qrGeneration_ = id;
    qrTargetPID_ = targetPID;
    qrBusy_ = true;
    qrPasting_ = false;
    qrStatus_ = "Đang tạo QR…";
    qrFailed_ = false;
    notify();

    if (!qrSource_) {
        finishDynamicQR("Tạo QR lỗi: Chưa có dịch vụ tạo QR trong bản này.", true);
        return;
    }
    std::weak_ptr<int> alive = lifetime_;
    const platform::ProcessId pid = *targetPID;
    qrSource_->prepare(
        profile, memo, [this, alive, id, pid, text = snippet.text](DynamicQRSource::Result result) {
            if (!alive.lock() || qrGeneration_ != id) {
                // Cancelled or superseded: the late result is dropped silently.
                return;
            }
            if (!result.image) {
                finishDynamicQR("Tạo QR lỗi: " + result.errorDescription, true);
                return;
            }
            if (frontmostPID() != pid) {
                finishDynamicQR("Đã hủy QR vì ứng dụng nhận đã thay đổi.", true);
                return;
            }
            std::optional<platform::Bytes> png = platform_.imageCodec.encodePng(*result.image);
            if (!png) {
                finishDynamicQR("Tạo QR lỗi: Không mã hoá được ảnh QR.", true);
                return;
            }
            qrPasting_ = true;
            snippets::PasteService::pasteDynamic(
                platform_, text, std::move(*png), pid, [this, alive, id](bool ok) {
                    if (!alive.lock() || qrGeneration_ != id) {
                        return;
                    }
                    if (ok) {
                        finishDynamicQR("Đã dán chữ và ảnh QR mới.", false);
                    } else {
                        finishDynamicQR("Đã hủy ảnh QR vì ứng dụng nhận đã thay đổi.", true);
                    }
                });
        });
}

}  // namespace halvora::input
