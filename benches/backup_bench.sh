#!/usr/bin/env bash
# Export and import of a backup archive near its limits: 5,000 snippets and
# about 145 MB of PNG images: the most whose Base64 text still fits in the
# 200 MB archive limit (180 MB of images would need 240 MB). Reports wall time and peak memory of each step
# beside two anchors run on the same bytes in the same run: `base64` of the
# image files into one file, and `cp` of the archive.
#
# usage: benches/backup_bench.sh [BUILD_DIR]   (default: build; KEEP_BENCH=1 keeps the work folder)
# Needs the halvora tool built in BUILD_DIR, python3 and GNU time.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
halvora="$build/src/cli/halvora"
[[ -x "$halvora" ]] || { echo "no $halvora; build the 'halvora' target first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "GNU time (/usr/bin/time) is needed" >&2; exit 1; }

work="$(mktemp -d)"
trap '[ -n "${KEEP_BENCH:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/data" "$work/config" "$work/empty"

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
echo "images: $(ls "$work"/data/*.png | wc -l) files, $image_bytes bytes; snippets: 5000"

# measure NAME COMMAND...: one line with wall seconds and peak resident memory.
measure() {
    local name="$1"
    shift
    sync
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
        { cat "$work/stderr" >&2; exit 1; }
    read -r seconds kilobytes <"$work/time"
    printf '%-28s %8.2f s %10.1f MB peak\n' "$name" "$seconds" "$(echo "$kilobytes / 1024" | bc -l)"
}

measure "base64 of the images" sh -c "cat '$work'/data/*.png | base64 -w0 > '$work/images.b64'"
measure "halvora backup export" "$halvora" backup export "$work/archive.json" \
    --data "$work/data" --config "$work/config"
archive_bytes=$(wc -c <"$work/archive.json")
echo "archive: $archive_bytes bytes"
measure "cp of the archive" cp "$work/archive.json" "$work/copy.json"
measure "halvora backup inspect" "$halvora" backup inspect "$work/archive.json"
measure "halvora backup import" "$halvora" backup import "$work/archive.json" --replace \
    --data "$work/empty" --config "$work/config"
