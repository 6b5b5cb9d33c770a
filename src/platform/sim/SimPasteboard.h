#pragma once

#include "platform/Pasteboard.h"

namespace halvora::platform::sim {

class SimPasteboard final : public Pasteboard {
  public:
    void clear() override;
    bool write(const std::vector<PasteboardItem>& items) override;
    std::vector<PasteboardItem> items() const override { return items_; }
    std::int64_t changeCount() const override { return changeCount_; }

  private:
    std::vector<PasteboardItem> items_;
    std::int64_t changeCount_ = 0;
};

}  // namespace halvora::platform::sim
