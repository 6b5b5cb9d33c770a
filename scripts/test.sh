#!/usr/bin/env bash
# Set-up, build, then the whole test suite through CTest, then the sanitizer
# pass: the core's tests under ASan and UBSan and each fuzzer for a bounded
# time (scripts/sanitized.sh; HALVORA_SKIP_SANITIZED=1 leaves it out).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${HALVORA_BUILD_DIR:-$root/build}"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
if [ -z "${HALVORA_SKIP_SANITIZED:-}" ]; then
  "$root/scripts/sanitized.sh"
fi
