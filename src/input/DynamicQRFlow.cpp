#include "input/DynamicQRFlow.h"

#include "qr/DynamicQRProfile.h"
#include "snippets/PasteService.h"

#include <utility>

namespace halvora::input {
namespace {

constexpr const char* kQRAccountMissing = "Nhập tài khoản trong mục QR chuyển khoản trước khi dán.";
constexpr const char* kQRCancelledByUser = "Đã hủy QR vì anh tiếp tục gõ hoặc di chuyển con trỏ.";

}  // namespace

DynamicQRFlow::DynamicQRFlow(platform::Platform& platform, DynamicQRSource* source, FlowHost& host)
    : platform_(platform), source_(source), host_(host) {}

void DynamicQRFlow::setStatus(std::string message, bool failed) {
    host_.willChange();
    status_ = std::move(message);
    failed_ = failed;
    host_.didChange();
}

void DynamicQRFlow::reportAccountMissing() {
    setStatus(kQRAccountMissing, true);
}

void DynamicQRFlow::finish(std::string message, bool failed) {
    host_.willChange();
    generation_.reset();
    targetPID_.reset();
    pasting_ = false;
    busy_ = false;
    status_ = std::move(message);
    failed_ = failed;
    host_.didChange();
}

void DynamicQRFlow::cancelPending() {
    if (!generation_ || pasting_) {
        return;
    }
    finish(kQRCancelledByUser, true);
}

void DynamicQRFlow::begin(const snippets::Snippet& snippet,
                          std::optional<platform::ProcessId> targetPID) {
    if (busy_) {
        return;
    }
    if (!targetPID || !qr::DynamicQRProfile::load(platform_.userDefaults).isConfigured()) {
        reportAccountMissing();
        return;
    }
    const util::Uuid id = util::Uuid::random();
    const qr::DynamicQRProfile profile = qr::DynamicQRProfile::load(platform_.userDefaults);
    // The rotation advances now, whatever becomes of this generation.
    std::string memo = profile.defaultMemo;
    if (profile.randomMemo && source_) {
        memo = source_->nextWishMemo();
    }

    host_.willChange();
    generation_ = id;
    targetPID_ = targetPID;
    busy_ = true;
    pasting_ = false;
    status_ = "Đang tạo QR…";
    failed_ = false;
    host_.didChange();

    if (!source_) {
        finish("Tạo QR lỗi: Chưa có dịch vụ tạo QR trong bản này.", true);
        return;
    }
    const platform::ProcessId pid = *targetPID;
    source_->prepare(profile, memo,
                     [this, alive = lifetime_.token(), id, pid,
                      text = snippet.text](DynamicQRSource::Result result) {
                         if (!alive.lock() || generation_ != id) {
                             // Cancelled or superseded: the late result is dropped silently.
                             return;
                         }
                         if (!result.png) {
                             finish("Tạo QR lỗi: " + result.errorDescription, true);
                             return;
                         }
                         if (host_.frontmostPID() != pid) {
                             finish("Đã hủy QR vì ứng dụng nhận đã thay đổi.", true);
                             return;
                         }
                         pasting_ = true;
                         snippets::PasteService::pasteDynamic(
                             platform_, text, std::move(*result.png), pid,
                             [this, alive, id](bool ok) {
                                 if (!alive.lock() || generation_ != id) {
                                     return;
                                 }
                                 if (ok) {
                                     finish("Đã dán chữ và ảnh QR mới.", false);
                                 } else {
                                     finish("Đã hủy ảnh QR vì ứng dụng nhận đã thay đổi.", true);
                                 }
                             });
                     });
}

}  // namespace halvora::input
