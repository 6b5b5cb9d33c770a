// Load, save and code look-up on a store of 5,000 snippets, the size the
// backup archive allows. Targets: a save at most 10 ms, a look-up at most 20 µs.

#include "platform/Log.h"
#include "snippets/SnippetJson.h"
#include "snippets/SnippetStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using halvora::snippets::Snippet;
using halvora::snippets::SnippetStore;

constexpr int kSnippetCount = 5000;

std::vector<Snippet> sampleSnippets() {
    std::vector<Snippet> snippets;
    snippets.reserve(kSnippetCount);
    for (int i = 0; i < kSnippetCount; ++i) {
        Snippet s;
        s.trigger = (i % 2 == 0 ? ";" : "") + std::string("ma") + std::to_string(i);
        s.title = "Mẫu trả lời số " + std::to_string(i);
        s.text =
            "Dạ em chào anh {ten_khach}, đơn {ma_don} của anh đã được giao cho bên vận chuyển, "
            "anh vui lòng để ý điện thoại giúp em ạ. Mã " +
            std::to_string(i);
        if (i % 10 == 0) {
            s.imageFilename = s.id.text() + ".png";
        }
        if (i % 7 == 0) {
            s.quickReply = true;
        }
        if (i % 50 == 0) {
            s.hotkeySlot = i / 50;
        }
        snippets.push_back(std::move(s));
    }
    return snippets;
}

/// A data folder under the temporary directory (or $HALVORA_BENCH_DIR, to
/// measure on another file system), removed at the end.
class BenchFolder {
  public:
    BenchFolder() {
        const char* base = std::getenv("HALVORA_BENCH_DIR");
        std::string pattern = ((base != nullptr ? fs::path(base) : fs::temp_directory_path()) /
                               "halvora-bench-XXXXXX")
                                  .string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~BenchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

void BM_Load(benchmark::State& state) {
    BenchFolder folder;
    halvora::platform::RecordingLog log;
    SnippetStore(folder.path(), log).setSnippets(sampleSnippets());
    for (auto _ : state) {
        SnippetStore store(folder.path(), log);  // decodes and writes the file back
        benchmark::DoNotOptimize(store.snippets().data());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(folder.path() / "snippets.json"));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    BenchFolder folder;
    halvora::platform::RecordingLog log;
    SnippetStore store(folder.path(), log);
    store.setSnippets(sampleSnippets());
    for (auto _ : state) {
        store.saveNow();
    }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

// The share of a save spent encoding; the rest is writing and flushing to disk.
void BM_EncodeOnly(benchmark::State& state) {
    const std::vector<Snippet> snippets = sampleSnippets();
    for (auto _ : state) {
        benchmark::DoNotOptimize(halvora::snippets::encodeSnippetsFile(snippets));
    }
}
BENCHMARK(BM_EncodeOnly)->Unit(benchmark::kMillisecond);

void BM_MatchingTrigger(benchmark::State& state) {
    BenchFolder folder;
    halvora::platform::RecordingLog log;
    SnippetStore store(folder.path(), log);
    store.setSnippets(sampleSnippets());
    // The worst case: the code of the last snippet, and a code no snippet has.
    const std::string last = ";ma" + std::to_string(kSnippetCount - 1);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            store.matchingTrigger(++i % 2 == 0 ? last : std::string_view(";khong")));
    }
}
BENCHMARK(BM_MatchingTrigger)->Unit(benchmark::kMicrosecond);

}  // namespace
