#!/usr/bin/env bash
# Set-up, build, then Halvora's main job: compose a sample Telex sentence.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${HALVORA_BUILD_DIR:-$root/build}"
if [ "$#" -gt 0 ]; then
  "$build/src/cli/halvora" "$@"
else
  "$build/src/cli/halvora" compose "Tieengs Vieetj ddaay laf nguowif"
fi
