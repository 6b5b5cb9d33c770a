// Speed of the composition engine on the paths every keystroke takes.

#include "Keystrokes.h"

#include "cli/ComposeSession.h"
#include "engine/TypoSuggester.h"
#include "engine/VietInputEngine.h"
#include "platform/InMemoryUserDefaults.h"
#include "text/Unicode.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using halvora::engine::VietInputEngine;

std::vector<std::u32string> corpusKeys(bool vni) {
    std::vector<std::u32string> out;
    for (const std::string& word : halvora::testing::vietnameseWords()) {
        out.push_back(halvora::text::toUtf32(vni ? halvora::testing::vniKeys(word)
                                                 : halvora::testing::telexKeys(word)));
    }
    return out;
}

// Types every corpus word, one `feed` per key, as the controller does; the
// reported time is per keystroke.
void feedCorpus(benchmark::State& state, bool vni) {
    const std::vector<std::u32string> words = corpusKeys(vni);
    std::size_t keys = 0;
    for (const auto& w : words) {
        keys += w.size();
    }
    VietInputEngine engine;
    engine.vniMode = vni;
    for (auto _ : state) {
        for (const auto& word : words) {
            engine.setWord({}, {});
            for (char32_t key : word) {
                benchmark::DoNotOptimize(engine.feed(key));
            }
        }
    }
    state.counters["keys"] = static_cast<double>(keys);
    state.counters["ns_per_key"] = benchmark::Counter(
        static_cast<double>(keys),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FeedTelexCorpus(benchmark::State& state) {
    feedCorpus(state, false);
}
void BM_FeedVniCorpus(benchmark::State& state) {
    feedCorpus(state, true);
}

// One 7-key word ("nguowif" → người); the reported time is per `feed`.
void BM_FeedSevenKeyWord(benchmark::State& state) {
    const std::u32string keys = U"nguowif";
    VietInputEngine engine;
    for (auto _ : state) {
        engine.setWord({}, {});
        for (char32_t key : keys) {
            benchmark::DoNotOptimize(engine.feed(key));
        }
    }
    state.counters["ns_per_feed"] = benchmark::Counter(
        static_cast<double>(keys.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_RenderWord(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(VietInputEngine::render("truwowngf", false, true));
    }
}

// A 9-letter Telex miss: every swap candidate is rendered.
void BM_SuggestNineLetterMiss(benchmark::State& state) {
    halvora::platform::InMemoryUserDefaults defaults;
    for (auto _ : state) {
        benchmark::DoNotOptimize(halvora::engine::TypoSuggester::suggest(
            "nghwuowif", "nghwuowif", halvora::engine::InputMethod::telex, defaults));
    }
}

// The compose command over a long text; the reported time is per input character.
void BM_ComposeText(benchmark::State& state) {
    std::string input;
    for (const std::string& word : halvora::testing::vietnameseWords()) {
        input += halvora::testing::telexKeys(word);
        input += ' ';
    }
    const std::u32string characters = halvora::text::toUtf32(input);
    for (auto _ : state) {
        halvora::cli::ComposeSession session({});
        std::string out;
        session.type(characters, out);
        session.finish(out);
        benchmark::DoNotOptimize(out);
    }
    state.counters["ns_per_char"] = benchmark::Counter(
        static_cast<double>(characters.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_FeedTelexCorpus);
BENCHMARK(BM_FeedVniCorpus);
BENCHMARK(BM_FeedSevenKeyWord);
BENCHMARK(BM_RenderWord);
BENCHMARK(BM_SuggestNineLetterMiss);
BENCHMARK(BM_ComposeText);

}  // namespace
