// The composition engine on the dictionary stream: every syllable of Debian's
// Vietnamese dictionary (hunspell-vi) typed in Telex, 60 times over, key by
// key as the controller takes them (letter → feed; Space → peekCommitText,
// then a new word). Each figure comes with a baseline timed in the same
// iteration on the same stream (a byte copy), so the ratio survives a noisy
// machine. Times are CPU time of the benchmark thread. Heap allocations are
// counted by replacing operator new.
//
// HALVORA_VI_DIC points at another .dic file; without the dictionary the
// stream benchmarks are skipped. HALVORA_WRITE_STREAM names a file that
// receives the stream's keys, for timing `halvora compose` on them.

#include "Keystrokes.h"

#include "engine/VietInputEngine.h"
#include "text/Unicode.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {
std::size_t allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
// Matching the replaced operator new above, which allocates with malloc.
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using halvora::engine::VietInputEngine;
// CPU time of this thread: on a shared machine, time spent waiting for a
// core is not the engine's.
struct Clock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(t.tv_sec * 1'000'000'000LL + t.tv_nsec));
    }
};

constexpr int kRounds = 60;

// The dictionary's syllables: its distinct lower-case entries (the others are
// names and abbreviations such as Nguyễn or HTML), in file order.
std::vector<std::string> dictionarySyllables() {
    const char* custom = std::getenv("HALVORA_VI_DIC");
    std::ifstream in(custom ? custom : "/usr/share/hunspell/vi_VN.dic");
    std::vector<std::string> out;
    std::set<std::string> seen;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first) {
            first = false;  // the entry count
            continue;
        }
        line = line.substr(0, line.find('/'));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.empty() || line.find(' ') != std::string::npos ||
            halvora::text::lowercased(line) != line) {
            continue;
        }
        if (seen.insert(line).second) {
            out.push_back(line);
        }
    }
    return out;
}

// The keys of the stream: each syllable's Telex keys and a Space, 60 times.
// ươ is typed the short way, uow (one w shapes both).
const std::string& stream() {
    static const std::string keys = [] {
        std::string once;
        for (const std::string& syllable : dictionarySyllables()) {
            std::string keys = halvora::testing::telexKeys(syllable);
            if (const std::size_t at = keys.find("uwow"); at != std::string::npos) {
                keys.erase(at + 1, 1);
            }
            once += keys;
            once += ' ';
        }
        std::string all;
        all.reserve(once.size() * kRounds);
        for (int i = 0; i < kRounds; ++i) {
            all += once;
        }
        return all;
    }();
    return keys;
}

// Feeds the stream as the controller does; returns a checksum of the commits.
std::size_t typeStream(VietInputEngine& engine, const std::string& keys) {
    std::size_t sum = 0;
    for (char c : keys) {
        if (c == ' ') {
            sum += engine.peekCommitText(true, U' ').size();
            engine.setWord({}, {});
            continue;
        }
        const halvora::engine::InputAction action = engine.feed(std::string_view(&c, 1));
        sum += static_cast<std::size_t>(action.deleteCount);
    }
    return sum;
}

// The baseline: the same stream copied byte by byte, with a word boundary
// test per byte like the loop above.
std::size_t copyStream(std::string& out, const std::string& keys) {
    out.clear();
    std::size_t words = 0;
    for (char c : keys) {
        benchmark::DoNotOptimize(c);
        words += c == ' ';
        out.push_back(c);
    }
    return words;
}

void setPerKey(benchmark::State& state, double engineSeconds, double copySeconds, std::size_t keys,
               std::size_t allocated) {
    const double perIteration = static_cast<double>(keys) * static_cast<double>(state.iterations());
    state.counters["keys"] = static_cast<double>(keys);
    state.counters["ns_per_key"] = engineSeconds * 1e9 / perIteration;
    state.counters["copy_ns_per_key"] = copySeconds * 1e9 / perIteration;
    state.counters["x_copy"] = engineSeconds / copySeconds;
    state.counters["allocs_per_key"] = static_cast<double>(allocated) / perIteration;
}

void BM_DictionaryStreamTelex(benchmark::State& state) {
    const std::string& keys = stream();
    if (keys.empty()) {
        state.SkipWithError("hunspell-vi is not installed (/usr/share/hunspell/vi_VN.dic)");
        return;
    }
    // For timing a whole `halvora compose` process on the same keys.
    if (const char* path = std::getenv("HALVORA_WRITE_STREAM")) {
        std::ofstream(path, std::ios::binary) << keys;
    }
    VietInputEngine engine;
    engine.modernTone = true;
    std::string copy;
    copy.reserve(keys.size());
    typeStream(engine, keys);  // warm-up: buffers reach their working size
    double engineSeconds = 0;
    double copySeconds = 0;
    std::size_t allocated = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const std::size_t before = allocations;
        benchmark::DoNotOptimize(typeStream(engine, keys));
        allocated += allocations - before;
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(copyStream(copy, keys));
        const auto t2 = Clock::now();
        const double e = std::chrono::duration<double>(t1 - t0).count();
        engineSeconds += e;
        copySeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(e);
    }
    setPerKey(state, engineSeconds, copySeconds, keys.size(), allocated);
}
BENCHMARK(BM_DictionaryStreamTelex)->UseManualTime()->Unit(benchmark::kMillisecond);

// Words of 1 to 16 letters (random Telex letters, both cases) typed the same
// way, through the calls that write into the caller's InputAction and commit
// string: after the warm-up, nothing allocates. The value-returning calls are
// counted beside them: those hand back new std::string values, which
// allocate whenever longer than the 15 bytes a std::string holds inline.
void BM_AllocationsShortWords(benchmark::State& state) {
    std::mt19937 rng(17);
    const std::string letters = "aadeeoowwsfrxjzndthgcmkiuyqbvlAEODWS";
    std::string keys;
    for (int w = 0; w < 20000; ++w) {
        const int length = 1 + static_cast<int>(rng() % 16);
        for (int i = 0; i < length; ++i) {
            keys += letters[rng() % letters.size()];
        }
        keys += ' ';
    }
    VietInputEngine engine;
    halvora::engine::InputAction action;
    std::string commit;
    const auto typeReusing = [&] {
        std::size_t sum = 0;
        for (char c : keys) {
            if (c == ' ') {
                engine.peekCommitText(true, U' ', commit);
                sum += commit.size();
                engine.setWord({}, {});
                continue;
            }
            engine.feed(std::string_view(&c, 1), action);
            sum += static_cast<std::size_t>(action.deleteCount);
        }
        return sum;
    };
    typeReusing();  // warm-up: buffers reach their working size
    std::size_t allocated = 0;
    for (auto _ : state) {
        const std::size_t before = allocations;
        benchmark::DoNotOptimize(typeReusing());
        allocated += allocations - before;
    }
    const std::size_t beforeValues = allocations;
    benchmark::DoNotOptimize(typeStream(engine, keys));
    const std::size_t valueAllocated = allocations - beforeValues;

    const double perIteration = static_cast<double>(keys.size()) * state.iterations();
    state.counters["allocs_per_key"] = static_cast<double>(allocated) / perIteration;
    state.counters["value_api_allocs_per_key"] =
        static_cast<double>(valueAllocated) / static_cast<double>(keys.size());
}
BENCHMARK(BM_AllocationsShortWords)->Unit(benchmark::kMillisecond);

// One word of N letters fed key by key; the time is for the whole word.
std::string longWord(int kind, std::size_t n) {
    std::string word;
    std::mt19937 rng(1600);
    const std::string letters = "abcdeghiklmnopqrstuvwxyaeoudwsfrxj";
    const std::string syllable = "nguowif";
    for (std::size_t i = 0; i < n; ++i) {
        switch (kind) {
            case 0:
                word += letters[rng() % letters.size()];
                break;
            case 1:
                word += 'a';
                break;
            default:
                word += syllable[i % syllable.size()];
                break;
        }
    }
    return word;
}

void longWordBench(benchmark::State& state, int kind) {
    const std::string word = longWord(kind, static_cast<std::size_t>(state.range(0)));
    VietInputEngine engine;
    std::string copy;
    double engineSeconds = 0;
    double copySeconds = 0;
    // The bytes of text the answers carry: a key that changes the word
    // answers with the whole new word.
    std::size_t answerBytes = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        engine.setWord({}, {});
        for (char c : word) {
            const halvora::engine::InputAction action = engine.feed(std::string_view(&c, 1));
            answerBytes += action.text.size();
            benchmark::DoNotOptimize(action);
        }
        benchmark::DoNotOptimize(engine.peekCommitText(true, U' '));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(copyStream(copy, word));
        const auto t2 = Clock::now();
        const double e = std::chrono::duration<double>(t1 - t0).count();
        engineSeconds += e;
        copySeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(e);
    }
    state.counters["ns_per_key"] =
        engineSeconds * 1e9 / (static_cast<double>(word.size()) * state.iterations());
    state.counters["x_copy"] = engineSeconds / copySeconds;
    state.counters["answer_bytes_per_key"] =
        static_cast<double>(answerBytes) /
        (static_cast<double>(word.size()) * static_cast<double>(state.iterations()));
    state.SetComplexityN(state.range(0));
}

void BM_LongWordRandomLetters(benchmark::State& state) {
    longWordBench(state, 0);
}
void BM_LongWordAllA(benchmark::State& state) {
    longWordBench(state, 1);
}
void BM_LongWordRepeatedSyllable(benchmark::State& state) {
    longWordBench(state, 2);
}
// Exact doublings, so that the growth per doubling reads off directly.
void longWordLengths(benchmark::internal::Benchmark* b) {
    for (int n : {1000, 2000, 4000, 8000, 16000, 32000}) {
        b->Arg(n);
    }
    b->UseManualTime()->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}
BENCHMARK(BM_LongWordRandomLetters)->Apply(longWordLengths);
BENCHMARK(BM_LongWordAllA)->Apply(longWordLengths);
BENCHMARK(BM_LongWordRepeatedSyllable)->Apply(longWordLengths);

}  // namespace

BENCHMARK_MAIN();
