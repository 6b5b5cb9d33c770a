#!/usr/bin/env bash
# Screenshots of halvora-desktop for the README: the snippet picker, the
# quick-reply prompt, the workspace window (with the status menu in its
# sidebar, as on a desktop without a tray) and its pages, a new snippet, a
# delete question, the window at its smallest, and the alert "Tìm và dán
# mẫu…" gives when no chat field was focused. Runs the program under Xvfb
# with a temporary data folder holding a small shop's snippets.
#
#   scripts/screenshots.sh [OUTPUT_DIR]     (default docs/screenshots)
#
# Needs a built halvora-desktop ($HALVORA_BUILD_DIR, default build/) and
# xvfb-run (package xvfb); fonts-noto-core gives the Vietnamese glyphs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${HALVORA_BUILD_DIR:-$root/build}"
bin="$build/src/desktop/halvora-desktop"
out="${1:-$root/docs/screenshots}"

if [ ! -x "$bin" ]; then
  echo "screenshots: $bin not found; build it first:" >&2
  echo "  cmake --build $build --target halvora-desktop" >&2
  exit 1
fi
if ! command -v xvfb-run > /dev/null; then
  echo "screenshots: xvfb-run not found (apt-get install xvfb)" >&2
  exit 1
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/halvora-screenshots-XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data" "$work/config" "$work/xdg-config" "$work/xdg-data" "$work/runtime" "$out"
chmod 700 "$work/runtime"

# A shop's snippets: plain texts, an image, a transfer QR and quick replies.
cat > "$work/data/snippets.json" <<'JSON'
[
 {"id":"0B7E1C2A-0000-4000-8000-000000000001","trigger":";chao","title":"Chào khách","text":"Dạ em chào anh/chị, shop có thể giúp gì cho mình ạ?","hotkeySlot":1},
 {"id":"0B7E1C2A-0000-4000-8000-000000000002","trigger":";ship","title":"Phí giao hàng","text":"Shop giao toàn quốc, phí ship 30.000đ, miễn phí cho đơn từ 500.000đ ạ."},
 {"id":"0B7E1C2A-0000-4000-8000-000000000003","trigger":";size","title":"Bảng size áo thun","text":"Dạ anh/chị xem bảng size giúp em nhé.\nCần tư vấn thêm cứ nhắn em ạ.","imageFilename":"bang-size.png"},
 {"id":"0B7E1C2A-0000-4000-8000-000000000004","trigger":";ck","title":"QR chuyển khoản","text":"Dạ anh/chị quét mã QR bên dưới để chuyển khoản giúp em ạ.","dynamicQR":true},
 {"id":"0B7E1C2A-0000-4000-8000-000000000005","trigger":";chot","title":"Chốt đơn áo khoác","text":"Dạ {ten_khach} ơi, em chốt đơn {so_luong} áo khoác giá {gia} cho mình nhé. Địa chỉ nhận hàng: {dia_chi}.","quickReply":true},
 {"id":"0B7E1C2A-0000-4000-8000-000000000006","trigger":";camon","title":"Cảm ơn khách","text":"Dạ em cảm ơn {ten_khach} đã ủng hộ shop, chúc mình một ngày thật vui ạ!","quickReply":true},
 {"id":"0B7E1C2A-0000-4000-8000-000000000007","trigger":";doitra","title":"Chính sách đổi trả","text":"Shop hỗ trợ đổi size trong 7 ngày, sản phẩm còn nguyên tem mác. Phí ship đổi hàng shop chịu ạ."}
]
JSON
# The size chart the image snippet pastes (a small picture is enough here).
base64 -d > "$work/data/bang-size.png" <<'PNG'
iVBORw0KGgoAAAANSUhEUgAAADAAAAAkCAIAAABAJy5dAAAAc0lEQVR42u3VsQmAQBBE0SnM2CIs7Gq6coyNzEQUlgluvRU+TPhhX3Kq1vdSEyBA/wAdfblvMuihiU2aoglMgACVB5V7ZRW/Q/w6AAHyt7Ytu5fZXcvuZXbOgSG9zC44MLaX2b0PJPUyu88GCBAgQICqg06GcsVNAJGXlAAAAABJRU5ErkJggg==
PNG

# shoot NAME OPTIONS... ; $screen is the display's size (default 1280x800).
shoot() {
  local name="$1"
  shift
  XDG_CONFIG_HOME="$work/xdg-config" XDG_DATA_HOME="$work/xdg-data" \
    XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 ${screen:-1280x800}x24" \
    "$bin" --data "$work/data" --config "$work/config" "$@" --screenshot "$out/$name.png" \
    2> "$work/$name.log" || {
      echo "screenshots: $name failed:" >&2
      cat "$work/$name.log" >&2
      exit 1
    }
}

shoot picker --show picker
shoot picker-search --show picker --query "ao" --down 1
shoot prompt --show prompt --fill "ten_khach=chị Lan" --fill "so_luong=2" --fill "gia=350.000đ" \
  --fill "dia_chi=12 Lê Lợi, Quận 1"
shoot prompt-incomplete --show prompt --fill "ten_khach=chị Lan"
shoot workspace --show workspace
for page in snippets quickReplies qr backup textTools settings about; do
  shoot "page-$page" --show "workspace:$page"
done
shoot page-quickReplies-empty --show workspace:quickReplies --query "bảo hành"
shoot delete-question --show workspace:snippets --act delete
# A screen with room only for the smallest window: the editor scrolls.
screen=800x520 shoot workspace-small --show workspace:snippets
shoot alert-no-chat --show picker-from-menu
# Last: it adds a snippet to the sample data.
shoot page-snippets-added --show workspace:snippets --act add
echo "screenshots: written to $out"
