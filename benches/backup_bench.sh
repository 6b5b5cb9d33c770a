#!/usr/bin/env bash
# Export and import of a backup archive near its limits: 5,000 snippets and
# about 145 MB of PNG images: the most whose Base64 text still fits in the
# 200 MB archive limit (180 MB of images would need 240 MB). Reports wall time
# and peak memory of each step beside two anchors run on the same bytes in the
# same round: `base64` of the image files into one file, and `cp` of the
# archive. The targets (issue 6): export and import each within 4x the
# `base64` time, peak memory at most 3x the archive size.
#
# usage: benches/backup_bench.sh [BUILD_DIR]   (default: build)
#   RUNS=N       rounds of every step (default 3); the table gives medians,
#                each ratio taken within its own round
#   KEEP_BENCH=1 keeps the work folder (for profiling)
# Needs the halvora tool built in BUILD_DIR, python3 and GNU time.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${RUNS:-3}"
halvora="$build/src/cli/halvora"
[[ -x "$halvora" ]] || { echo "no $halvora; build the 'halvora' target first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "GNU time (/usr/bin/time) is needed" >&2; exit 1; }

work="$(mktemp -d)"
trap '[ -n "${KEEP_BENCH:-}" ] && echo "work folder kept: $work" || rm -rf "$work"' EXIT
mkdir -p "$work/data" "$work/config"

# 48 PNG files of 1000x1000 random RGB pixels (about 3 MB each, stored
# without compression so that their size is what we ask for), 5,000 snippets,
# every 83rd with an image.
python3 - "$work/data" <<'PY'
import json, os, struct, sys, uuid, zlib
folder = sys.argv[1]
def png(width, height):
    raw = b"".join(b"\0" + os.urandom(width * 3) for _ in range(height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 0)) + chunk(b"IEND", b""))
snippets = []
images = 0
for n in range(5000):
    sid = str(uuid.uuid4()).upper()
    s = {"id": sid, "trigger": f";m{n}", "title": f"Mẫu số {n}",
         "text": "Dạ em chào anh, shop gửi anh bảng giá hôm nay ạ. " * 4}
    if n % 83 == 0 and images < 48:
        name = sid + ".png"
        with open(os.path.join(folder, name), "wb") as f:
            f.write(png(1000, 1000))
        s["imageFilename"] = name
        images += 1
    snippets.append(s)
with open(os.path.join(folder, "snippets.json"), "w", encoding="utf-8") as f:
    json.dump(snippets, f, ensure_ascii=False, separators=(",", ":"))
PY
"$halvora" config set --config "$work/config" qr.bankID VCB >/dev/null

image_bytes=$(cat "$work"/data/*.png | wc -c)
echo "images: $(ls "$work"/data/*.png | wc -l) files, $image_bytes bytes; snippets: 5000; rounds: $runs"

# measure ROUND STEP COMMAND...: appends "ROUND STEP SECONDS KILOBYTES" to the results.
measure() {
    local round="$1" step="$2"
    shift 2
    sync
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
        { cat "$work/stderr" >&2; exit 1; }
    read -r seconds kilobytes <"$work/time"
    echo "$round $step $seconds $kilobytes" >>"$work/results"
    printf '  round %d  %-8s %6.2f s %8.1f MB\n' "$round" "$step" "$seconds" \
        "$(echo "$kilobytes / 1024" | bc -l)"
}

for round in $(seq 1 "$runs"); do
    rm -f "$work/archive.json" "$work/copy.json" "$work/images.b64"
    rm -rf "$work/empty" && mkdir "$work/empty"
    measure "$round" base64 sh -c "cat '$work'/data/*.png | base64 -w0 > '$work/images.b64'"
    measure "$round" export "$halvora" backup export "$work/archive.json" \
        --data "$work/data" --config "$work/config"
    measure "$round" cp cp "$work/archive.json" "$work/copy.json"
    measure "$round" inspect "$halvora" backup inspect "$work/archive.json"
    measure "$round" import "$halvora" backup import "$work/archive.json" --replace \
        --data "$work/empty" --config "$work/config"
done
archive_bytes=$(wc -c <"$work/archive.json")
echo "archive: $archive_bytes bytes"

python3 - "$work/results" "$archive_bytes" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
archive_mb = int(sys.argv[2]) / 1e6
rounds = {}
for r, step, seconds, kb in rows:
    rounds.setdefault(int(r), {})[step] = (float(seconds), int(kb))
steps = ["base64", "cp", "export", "inspect", "import"]
names = {"base64": "base64 of the images (anchor)", "cp": "cp of the archive (anchor)",
         "export": "halvora backup export", "inspect": "halvora backup inspect",
         "import": "halvora backup import --replace"}
print()
print(f"| step | wall (median of {len(rounds)}) | × base64 (median) | peak RSS | × archive |")
print("|---|---|---|---|---|")
for step in steps:
    walls = [rounds[r][step][0] for r in rounds]
    ratios = [rounds[r][step][0] / rounds[r]["base64"][0] for r in rounds]
    peak = max(rounds[r][step][1] for r in rounds) / 1024
    print(f"| {names[step]} | {statistics.median(walls):.2f} s | {statistics.median(ratios):.1f}× "
          f"| {peak:.0f} MB | {peak * 1.048576 / archive_mb:.2f}× |")
verdicts = []
for step in ("export", "import"):
    ratio = statistics.median(rounds[r][step][0] / rounds[r]["base64"][0] for r in rounds)
    peak = max(rounds[r][step][1] for r in rounds) * 1024 / 1e6
    verdicts.append(f"{step}: {ratio:.1f}× base64 ({'meets' if ratio <= 4 else 'misses'} 4×), "
                    f"peak {peak / archive_mb:.2f}× archive ({'meets' if peak <= 3 * archive_mb else 'misses'} 3×)")
print()
print("\n".join(verdicts))
PY
