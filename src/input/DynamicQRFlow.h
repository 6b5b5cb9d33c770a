#pragma once

// The transfer-QR paste: the image of one paste is generated in the
// background while the status says so; the next key, click or application
// switch cancels it, and it is pasted after the text only while the same
// chat is still in front. A generation id guards against late results.
// Main queue only.

#include "input/DynamicQRSource.h"
#include "input/FlowHost.h"
#include "platform/Platform.h"
#include "snippets/Snippet.h"
#include "util/Lifetime.h"
#include "util/Uuid.h"

#include <optional>
#include <string>

namespace halvora::input {

class DynamicQRFlow {
  public:
    /// `source` may be null: a generation then fails with the QR error status.
    DynamicQRFlow(platform::Platform& platform, DynamicQRSource* source, FlowHost& host);

    bool busy() const { return busy_; }
    bool failed() const { return failed_; }
    const std::optional<std::string>& status() const { return status_; }
    /// Whether a generation is running that pastes into `pid`.
    bool isGeneratingFor(platform::ProcessId pid) const { return generation_ && targetPID_ == pid; }

    void begin(const snippets::Snippet& snippet, std::optional<platform::ProcessId> targetPID);
    /// Ends a running generation unless its paste has begun.
    void cancelPending();
    void finish(std::string message, bool failed);
    void setStatus(std::string message, bool failed);
    /// The status that asks for the account first.
    void reportAccountMissing();

  private:
    platform::Platform& platform_;
    DynamicQRSource* source_;
    FlowHost& host_;
    std::optional<util::Uuid> generation_;
    /// The application the running generation pastes into.
    std::optional<platform::ProcessId> targetPID_;
    bool pasting_ = false;
    bool busy_ = false;
    bool failed_ = false;
    std::optional<std::string> status_;
    util::Lifetime lifetime_;
};

}  // namespace halvora::input
