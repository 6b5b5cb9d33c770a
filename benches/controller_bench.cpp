// Speed of the keyboard controller per key event on the simulated desktop:
// the event goes through the tap, the controller decides, and the events it
// posts are applied to the focused field.

#include "app/Core.h"
#include "input/KeyboardController.h"
#include "platform/sim/SimDesktop.h"
#include "snippets/SnippetStore.h"
#include "snippets/sim/SimPanelHost.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace halvora;

class Desk {
  public:
    Desk()
        : folder_(makeFolder()),
          platform_(desktop_.platform()),
          panels_(desktop_),
          core_(platform_, panels_, folder_),
          controller_(core_.keyboard()) {
        const platform::ProcessId pid = desktop_.launch("Zalo", "com.vng.zalo");
        field_ = &desktop_.addField(pid);
        desktop_.bringToFront(pid);
        controller_.start();
    }
    ~Desk() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    void press(platform::KeyCode code) { desktop_.pressKey(code, 0); }
    void typeWord(std::string_view keys) {
        for (char c : keys) {
            desktop_.typeText(std::string_view(&c, 1));
        }
    }
    platform::sim::SimTextField& field() { return *field_; }
    /// Empties the field and the desktop's record of posted events, which
    /// would otherwise grow for as long as the benchmark runs.
    void clear() {
        field_->setText("");
        desktop_.clearPostedEvents();
    }
    input::KeyboardController& controller() { return controller_; }

  private:
    static std::filesystem::path makeFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "halvora-bench-XXXXXX").string();
        return ::mkdtemp(pattern.data()) ? pattern : std::string();
    }

    std::filesystem::path folder_;
    platform::sim::SimDesktop desktop_;
    platform::Platform platform_;
    snippets::sim::SimPanelHost panels_;
    app::Core core_;
    input::KeyboardController& controller_;
    platform::sim::SimTextField* field_ = nullptr;
};

// Key codes of the US layout for the letters of "nguowif".
constexpr platform::KeyCode kN = 45, kG = 5, kU = 32, kO = 31, kW = 13, kI = 34, kF = 3;
constexpr platform::KeyCode kWord[] = {kN, kG, kU, kO, kW, kI, kF};

// Letters inside a word: the seven keys of "nguowif" (người), four of which
// rewrite the word. The time is per key event.
void BM_HandleLetterInWord(benchmark::State& state) {
    Desk desk;
    std::size_t words = 0;
    for (auto _ : state) {
        for (platform::KeyCode code : kWord) {
            desk.press(code);
        }
        desk.controller().resetWordAndCode();
        if (++words % 64 == 0) {
            desk.clear();
        }
    }
    state.counters["ns_per_key"] = benchmark::Counter(
        7, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The same word ended by Space, which commits it; the time is per key event
// (seven letters and the Space).
void BM_HandleWordAndSpace(benchmark::State& state) {
    Desk desk;
    std::size_t words = 0;
    for (auto _ : state) {
        for (platform::KeyCode code : kWord) {
            desk.press(code);
        }
        desk.press(platform::keyCodes::space);
        if (++words % 64 == 0) {
            desk.clear();
        }
    }
    state.counters["ns_per_key"] = benchmark::Counter(
        8, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A word restored at Space ("fax" shown as "fã"): Space swallows, erases,
// retypes and posts its own Space.
void BM_HandleSpaceRestoringWord(benchmark::State& state) {
    Desk desk;
    constexpr platform::KeyCode kFax[] = {3, 0, 7};
    std::size_t words = 0;
    for (auto _ : state) {
        for (platform::KeyCode code : kFax) {
            desk.press(code);
        }
        desk.press(platform::keyCodes::space);
        if (++words % 64 == 0) {
            desk.clear();
        }
    }
    state.counters["ns_per_key"] = benchmark::Counter(
        4, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_HandleLetterInWord);
BENCHMARK(BM_HandleWordAndSpace);
BENCHMARK(BM_HandleSpaceRestoringWord);

}  // namespace
