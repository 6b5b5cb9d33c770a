// Round trip of one keystroke over the keystroke bridge: the key-down call
// the fcitx5 addon makes (same client, same message) to halvora-desktop's
// side of the bridge socket, which runs the real keyboard controller, until
// the decision and the text edits are back. The desktop on a thread of its
// own, as it is a process of its own in real use.
//
// Besides the mean, the benchmark reports the 50th and 99th percentiles of
// single round trips (p50_us, p99_us): the budget for a keystroke is about
// the 99th.

#include "../tests/bridge/BridgeDesktop.h"
#include "../tests/bridge/PrivateSessionBus.h"

#include "bridge/BridgeClient.h"
#include "bridge/BridgeProtocol.h"
#include "bridge/KeyTranslation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace halvora;
using namespace std::chrono_literals;
namespace protocol = bridge::protocol;

struct Setup {
    Setup()
        : folder(std::filesystem::temp_directory_path() /
                 ("halvora-bridge-bench-" + std::to_string(::getpid()))),
          desktop((std::filesystem::create_directories(folder), folder)),
          client(protocol::socketPath()) {
        for (int i = 0; i < 500; ++i) {
            if (client.connect() &&
                desktop.run([](bridge::testing::Desktop& d) { return d.controller.isRunning(); })) {
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
    }
    ~Setup() { std::filesystem::remove_all(folder); }

    bridge::testing::PrivateSessionBus bus;
    std::filesystem::path folder;
    bridge::testing::DesktopThread desktop;
    bridge::BridgeClient client;
};

Setup& setup() {
    static Setup instance;
    return instance;
}

void BM_KeystrokeRoundTrip(benchmark::State& state) {
    Setup& s = setup();
    // Words whose keys pass, get rewritten and end at boundaries.
    const std::string typed = "tieengs vieetj ddaay laf nguowif ";
    std::vector<double> micros;
    micros.reserve(1 << 16);
    std::size_t i = 0;
    for (auto _ : state) {
        const char c = typed[i++ % typed.size()];
        const auto key = bridge::KeyTranslation::fromKeySym(static_cast<unsigned char>(c), 0);
        bridge::wire::Message message;
        message.keyCode = key->keyCode;
        message.flags = key->flags;
        message.text = key->text;
        message.program = "gedit";
        message.contextId = 1;
        const auto start = std::chrono::steady_clock::now();
        const auto reply = s.client.call(std::move(message),
                                         std::chrono::milliseconds(protocol::keyCallTimeoutMs), {});
        const auto end = std::chrono::steady_clock::now();
        if (!reply) {
            state.SkipWithError("the desktop did not answer");
            break;
        }
        benchmark::DoNotOptimize(reply->edits.size());
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    if (!micros.empty()) {
        std::sort(micros.begin(), micros.end());
        auto percentile = [&](double p) {
            return micros[std::min(micros.size() - 1, static_cast<std::size_t>(
                                                          p * static_cast<double>(micros.size())))];
        };
        state.counters["p50_us"] = percentile(0.50);
        state.counters["p99_us"] = percentile(0.99);
        state.counters["max_us"] = micros.back();
    }
}
BENCHMARK(BM_KeystrokeRoundTrip)->Iterations(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
