#!/usr/bin/env bash
# The sanitizer pass of CI: builds the portable core, its tests and the
# fuzzers with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# (into build-fuzz/, or $HALVORA_FUZZ_BUILD_DIR), runs those tests, then each
# fuzzer for a bounded time on a copy of its seed corpus (fuzz/corpus/NAME).
#
# Only the core's tests run here: the adapters' tests (Qt, fcitx5, the real
# clients) would more than double the build and the run on two cores.
#
#   HALVORA_FUZZ_SECONDS   seconds per fuzzer (default 60; 7 fuzzers)
#   HALVORA_FUZZ_ONLY      run only the fuzzers, on an existing build
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${HALVORA_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${HALVORA_FUZZ_SECONDS:-60}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

if [ -z "${HALVORA_FUZZ_ONLY:-}" ]; then
  werror=OFF
  [ "${CI:-}" = "true" ] && werror=ON
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHALVORA_FUZZ=ON -DHALVORA_WERROR="$werror" >/dev/null
  cmake --build "$build" -j2
  ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-artifacts"
failed=0
for fuzzer in "$build"/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name="$(basename "$fuzzer")"
  name="${name#fuzz_}"
  mkdir -p "$work/$name" "$work/tmp"
  log="$work/$name.log"
  # New inputs go to the scratch corpus; the committed seeds are only read.
  if TMPDIR="$work/tmp" "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
      -rss_limit_mb=2048 -max_len=65536 -artifact_prefix="$build/fuzz-artifacts/$name-" \
      "$work/$name" "$root/fuzz/corpus/$name" >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed=1
    tail -n 40 "$log"
  fi
  runs="$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)"
  cov="$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)"
  ft="$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)"
  echo "fuzz $name: $status, ${runs:-?} executions in ${seconds} s, coverage ${cov:-?} edges, ${ft:-?} features"
done
exit "$failed"
