#include "bridge/ResetJudge.h"

namespace halvora::bridge {
namespace {

bool continuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

void ResetJudge::wrote(std::string_view text) {
    written_ += text;
    if (written_.size() > kKept) {
        std::size_t cut = written_.size() - kKept;
        while (cut < written_.size() && continuationByte(written_[cut])) {
            ++cut;
        }
        written_.erase(0, cut);
    }
}

void ResetJudge::deleted(std::uint32_t count) {
    for (; count > 0 && !written_.empty(); --count) {
        std::size_t start = written_.size() - 1;
        while (start > 0 && continuationByte(written_[start])) {
            --start;
        }
        written_.erase(start);
    }
    if (count > 0) {
        // Text from before what was written went too: nothing before the
        // caret is known any more.
        written_.clear();
    }
}

void ResetJudge::forget() {
    written_.clear();
    pending_ = false;
}

bool ResetJudge::resetIsClick(bool wordShown, bool judgeableLater) {
    if (wordShown || !judgeableLater || written_.empty()) {
        forget();
        return true;
    }
    pending_ = true;
    return false;
}

bool ResetJudge::pendingResetWasClick(std::optional<std::string_view> textBeforeCaret) {
    if (!pending_) {
        return false;
    }
    const bool click = !textBeforeCaret || !textBeforeCaret->ends_with(written_);
    if (click) {
        forget();
    }
    pending_ = false;
    return click;
}

}  // namespace halvora::bridge
