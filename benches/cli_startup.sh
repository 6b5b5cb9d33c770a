#!/usr/bin/env bash
# Start-up time and peak memory of the halvora commands that need only the
# core, against /bin/true measured in the same run (the machine is shared).
#   bash benches/cli_startup.sh build/src/cli/halvora [OTHER_HALVORA]
set -euo pipefail
programs=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/d"
"${programs[0]}" config --config "$work" set a b
printf 'type xin chaof\n' >"$work/s.txt"
"${programs[0]}" backup export "$work/a.json" --data "$work/d" --config "$work" >/dev/null

runs=(/bin/true)
for p in "${programs[@]}"; do
  runs+=("$p compose 'xin chaof'" "$p config --config $work get a" "$p simulate $work/s.txt"
         "$p backup inspect $work/a.json --config $work")
done
hyperfine -N --warmup 10 --runs 80 --export-json "$work/times.json" "${runs[@]}" >/dev/null 2>&1
python3 - "$work/times.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
base = results[0]
cpu = lambda r: r["user"] + r["system"]
for r in results:
    print("%-70s median %7.2f ms (%5.1fx true)  cpu %6.2f ms (%5.1fx true)"
          % (r["command"][:70], r["median"] * 1e3, r["median"] / base["median"],
             cpu(r) * 1e3, cpu(r) / cpu(base)))
PY
for r in "${runs[@]}"; do
  peak=$(for _ in 1 2 3; do eval "/usr/bin/time -f %M $r" 2>&1 >/dev/null | tail -n 1; done | sort -n | head -n 1)
  printf '%8s KB peak  %s\n' "$peak" "$r"
done
