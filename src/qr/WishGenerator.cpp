#include "qr/WishGenerator.h"

#include "platform/DefaultsKeys.h"
#include "qr/QRService.h"

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace halvora::qr::WishGenerator {
namespace keys = platform::DefaultsKeys;
namespace {

bool isWish(std::string_view text) {
    return std::find(wishes.begin(), wishes.end(), text) != wishes.end();
}

std::vector<std::string> newCycle(const platform::UserDefaults& defaults,
                                  const RandomIndex& randomIndex) {
    std::vector<std::string> cycle(wishes.begin(), wishes.end());
    // Fisher–Yates, from the back.
    for (std::size_t i = cycle.size() - 1; i > 0; --i) {
        const std::size_t j = randomIndex(i + 1);
        std::swap(cycle[i], cycle[std::min(j, i)]);
    }
    // Wishes are taken from the back: the wish that ended the last cycle must
    // not open this one.
    if (const auto last = defaults.stringValue(keys::qrLastWish); last && *last == cycle.back()) {
        std::swap(cycle.front(), cycle.back());
    }
    return cycle;
}

}  // namespace

WishPaste nextPaste(platform::UserDefaults& defaults) {
    std::random_device device;
    std::mt19937_64 engine((static_cast<std::uint64_t>(device()) << 32) ^ device());
    return nextPaste(defaults, [&engine](std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(engine);
    });
}

WishPaste nextPaste(platform::UserDefaults& defaults, const RandomIndex& randomIndex) {
    std::vector<std::string> remaining;
    if (auto stored = defaults.stringArrayValue(keys::qrRemainingWishes)) {
        std::erase_if(*stored, [](const std::string& entry) { return !isWish(entry); });
        remaining = std::move(*stored);
    }
    if (remaining.empty()) {
        remaining = newCycle(defaults, randomIndex);
    }
    std::string wish = std::move(remaining.back());
    remaining.pop_back();
    // One write for both: a crash between two would let the last wish come
    // round again at once.
    const platform::DefaultsChange changes[] = {
        {std::string(keys::qrRemainingWishes), platform::DefaultsValue(std::move(remaining))},
        {std::string(keys::qrLastWish), platform::DefaultsValue(wish)},
    };
    try {
        defaults.apply(changes);
    } catch (const platform::DefaultsSaveError&) {
        // The paste goes on; the rotation is not advanced on disk (the
        // defaults log why).
    }
    std::string memo = QRService::normalizedText(wish);
    return {std::move(wish), std::move(memo)};
}

}  // namespace halvora::qr::WishGenerator
