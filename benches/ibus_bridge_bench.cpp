// A keystroke through IBus, as an application's input module sends it: the
// client's key-down call to a private ibus-daemon, which hands it to the
// Halvora engine, which asks halvora-desktop's side of the bridge socket
// (the real keyboard controller, on a thread of its own) and carries out the
// edits, until the client has its answer.
//
// Baselines measured in the same run: the bridge socket alone (what the
// engine adds to IBus), and IBus alone, with the desktop gone so that the
// engine answers at once (what IBus itself costs). Each reports the 50th and
// 99th percentiles of single keys (p50_us, p99_us).

#include "../tests/bridge/BridgeDesktop.h"
#include "../tests/bridge/PrivateIBus.h"
#include "../tests/bridge/PrivateSessionBus.h"

#include "bridge/BridgeClient.h"
#include "bridge/BridgeProtocol.h"
#include "bridge/KeyTranslation.h"

#include <benchmark/benchmark.h>
#include <ibus.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace halvora;
using namespace std::chrono_literals;
namespace protocol = bridge::protocol;

const std::string typed = "tieengs vieetj ddaay laf nguowif ";

void drain() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

struct Setup {
    Setup()
        : folder(std::filesystem::temp_directory_path() /
                 ("halvora-ibus-bench-" + std::to_string(::getpid()))),
          qtWithoutGlib((::setenv("QT_NO_GLIB", "1", 1), true)),
          daemon(HALVORA_IBUS_COMPONENT_DIR),
          desktop((std::filesystem::create_directories(folder), folder)),
          socket(protocol::socketPath()) {
        ibus_init();
        ibus = ibus_bus_new();
        context = ibus_bus_create_input_context(ibus, "gtk3-im:gedit");
        ibus_input_context_set_capabilities(context, IBUS_CAP_PREEDIT_TEXT | IBUS_CAP_FOCUS);
        ibus_input_context_focus_in(context);
        ibus_input_context_set_engine(context, "halvora");
        for (int i = 0; i < 1000; ++i) {
            drain();
            IBusEngineDesc* desc = ibus_input_context_get_engine(context);
            const bool attached =
                desc != nullptr && g_strcmp0(ibus_engine_desc_get_name(desc), "halvora") == 0;
            if (attached &&
                desktop.run([](bridge::testing::Desktop& d) { return d.controller.isRunning(); })) {
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
    }
    ~Setup() {
        g_object_unref(context);
        g_object_unref(ibus);
        std::filesystem::remove_all(folder);
    }

    std::filesystem::path folder;
    bridge::testing::PrivateSessionBus bus;
    bool qtWithoutGlib;
    bridge::testing::PrivateIBus daemon;
    bridge::testing::DesktopThread desktop;
    bridge::BridgeClient socket;
    IBusBus* ibus = nullptr;
    IBusInputContext* context = nullptr;
};

Setup& setup() {
    static Setup instance;
    return instance;
}

void reportPercentiles(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) {
        return;
    }
    std::sort(micros.begin(), micros.end());
    auto percentile = [&](double p) {
        return micros[std::min(micros.size() - 1,
                               static_cast<std::size_t>(p * static_cast<double>(micros.size())))];
    };
    state.counters["p50_us"] = percentile(0.50);
    state.counters["p99_us"] = percentile(0.99);
    state.counters["max_us"] = micros.back();
}

/// Keys through IBus to the engine and back; with `desktop` false the
/// desktop has gone first.
void typeThroughIBus(benchmark::State& state) {
    Setup& s = setup();
    std::vector<double> micros;
    micros.reserve(1 << 15);
    std::size_t i = 0;
    for (auto _ : state) {
        const auto keyval =
            static_cast<guint>(static_cast<unsigned char>(typed[i++ % typed.size()]));
        const auto start = std::chrono::steady_clock::now();
        const gboolean taken = ibus_input_context_process_key_event(s.context, keyval, 0, 0);
        const auto end = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(taken);
        // The edits that came with the answer; the key's release, as a
        // client sends it.
        ibus_input_context_process_key_event_async(s.context, keyval, 0, IBUS_RELEASE_MASK, -1,
                                                   nullptr, nullptr, nullptr);
        drain();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    reportPercentiles(state, micros);
}

void BM_KeyThroughIBus(benchmark::State& state) {
    typeThroughIBus(state);
}

void BM_KeyOverTheSocketAlone(benchmark::State& state) {
    Setup& s = setup();
    // The desktop serves one addon at a time: this client takes the
    // engine's place.
    if (!s.socket.connect()) {
        state.SkipWithError("the desktop is not there");
        return;
    }
    std::vector<double> micros;
    micros.reserve(1 << 15);
    std::size_t i = 0;
    for (auto _ : state) {
        const char c = typed[i++ % typed.size()];
        const auto key = bridge::KeyTranslation::fromKeySym(static_cast<unsigned char>(c), 0);
        bridge::wire::Message message;
        message.type = bridge::wire::Type::keyDown;
        message.keyCode = key->keyCode;
        message.flags = key->flags;
        message.text = key->text;
        message.program = "gedit";
        message.contextId = 1u << 30;
        const auto start = std::chrono::steady_clock::now();
        const auto reply = s.socket.call(std::move(message),
                                         std::chrono::milliseconds(protocol::keyCallTimeoutMs), {});
        const auto end = std::chrono::steady_clock::now();
        if (!reply) {
            state.SkipWithError("the desktop did not answer");
            break;
        }
        benchmark::DoNotOptimize(reply->edits.size());
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    reportPercentiles(state, micros);
}

void BM_KeyThroughIBusWithoutDesktop(benchmark::State& state) {
    Setup& s = setup();
    s.desktop.run([](bridge::testing::Desktop& d) { d.keys.stop(); });
    s.socket.close();
    typeThroughIBus(state);
}

BENCHMARK(BM_KeyThroughIBus)->Iterations(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyOverTheSocketAlone)->Iterations(5000)->Unit(benchmark::kMicrosecond);
// Last: the desktop does not come back.
BENCHMARK(BM_KeyThroughIBusWithoutDesktop)->Iterations(5000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
