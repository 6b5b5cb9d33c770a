#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace halvora::backup {

/// Calls `work(i)` for every i below `count`, on the calling thread and on
/// up to `threads` - 1 helper threads at once, and returns when all calls
/// have. `work` must not throw (callers keep each call's failure for
/// themselves, so that it is reported in order). Without threads to be had,
/// the calling thread does everything.
template <typename Work>
void runTogether(std::size_t count, std::size_t threads, const Work& work) {
    std::atomic<std::size_t> next{0};
    const auto some = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            work(i);
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t k = 1; k < std::min(threads, count); ++k) {
        try {
            helpers.emplace_back(some);
        } catch (const std::system_error&) {
            break;
        }
    }
    some();
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

/// The processors there are to decode on (at least one).
inline std::size_t processorCount() {
    return std::max<std::size_t>(1, std::thread::hardware_concurrency());
}

}  // namespace halvora::backup
