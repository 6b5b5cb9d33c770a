#pragma once

// A small observer type for long-lived objects of the core. A slot stays
// connected as long as the Connection returned by connect() lives; either side
// may go away first. Slots connected or disconnected while a signal is being
// emitted take effect from the next emission (a disconnected slot is skipped
// at once).

#include "util/Connection.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace halvora::util {

template <typename... Args>
class Signal {
  public:
    using Slot = std::function<void(const Args&...)>;

    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Connection connect(Slot slot) {
        auto entry = std::make_shared<Entry>(Entry{std::move(slot), true});
        state_->entries.push_back(entry);
        std::weak_ptr<State> weakState = state_;
        std::weak_ptr<Entry> weakEntry = entry;
        return Connection([weakState, weakEntry] {
            const auto entry = weakEntry.lock();
            if (!entry) {
                return;
            }
            entry->connected = false;
            if (const auto state = weakState.lock()) {
                std::erase(state->entries, entry);
            }
        });
    }

    void emit(const Args&... args) const {
        // A snapshot, so that slots may connect or disconnect while we call them.
        const std::vector<std::shared_ptr<Entry>> snapshot = state_->entries;
        for (const auto& entry : snapshot) {
            if (entry->connected) {
                entry->slot(args...);
            }
        }
    }

    std::size_t slotCount() const { return state_->entries.size(); }

  private:
    struct Entry {
        Slot slot;
        bool connected;
    };
    struct State {
        std::vector<std::shared_ptr<Entry>> entries;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace halvora::util
