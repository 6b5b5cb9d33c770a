#!/usr/bin/env bash
# Set-up, build, then the whole test suite through CTest.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${HALVORA_BUILD_DIR:-$root/build}"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
