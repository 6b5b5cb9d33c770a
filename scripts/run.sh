#!/usr/bin/env bash
# Set-up, build, then Halvora's main job: compose a sample sentence and type a chat
# reply on the simulated desktop (or run the halvora command with the given arguments).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${HALVORA_BUILD_DIR:-$root/build}"
if [ "$#" -gt 0 ]; then
  "$build/src/cli/halvora" "$@"
else
  "$build/src/cli/halvora" compose "Tieengs Vieetj ddaay laf nguowif"
  "$build/src/cli/halvora" simulate --data "$root/examples/data" "$root/examples/chat-vietnamese.txt"
fi
