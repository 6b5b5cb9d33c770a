#!/usr/bin/env bash
# Types Vietnamese into a plain Qt text field through the whole Linux chain,
# on a virtual display: a private session bus, fcitx5 with the Halvora addon,
# halvora-desktop, and the field. xdotool presses real keys (XTEST); the
# field's window is saved to docs/screenshots/fcitx5-demo.png.
# HALVORA_DEMO_CLIENT=gtk or chromium types into a GTK 3 entry or a
# Chromium text box instead (fcitx5-demo-gtk.png, fcitx5-demo-chromium.png).
#
#   scripts/demo-fcitx5.sh [BUILD_DIR]      (default: build/)
#
# Needs: xvfb, xdotool, dbus-daemon, fcitx5, fcitx5-frontend-qt6 and a build
# with the addon (fcitx5 development files installed).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-${HALVORA_BUILD_DIR:-$root/build}}"
out="$root/docs/screenshots/fcitx5-demo.png"
keys="${HALVORA_DEMO_KEYS:-Tieengs Vieetj ddaay laf nguowif ;cam }"

[ -n "${HALVORA_DEMO_NO_BUILD:-}" ] ||
  cmake --build "$build" -j2 --target halvora_fcitx5 halvora-desktop halvora-demo-field >/dev/null

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The addon where fcitx5 finds it, without touching the system.
cmake --install "$build/src/bridge" --prefix "$work/prefix" >/dev/null
libdir="$(find "$work/prefix" -type d -name fcitx5 -path '*lib*' | head -1)"
export FCITX_ADDON_DIRS="$libdir:$(dirname "$(dpkg -L fcitx5-modules | grep -m1 '/fcitx5/libdbus.so$')")"
export XDG_DATA_DIRS="$work/prefix/share:/usr/share"

# A user of our own: configuration, data and bus.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME/fcitx5" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# Halvora is the only input method, so it is active from the first key.
cat >"$XDG_CONFIG_HOME/fcitx5/profile" <<'PROFILE'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=halvora

[Groups/0/Items/0]
Name=halvora
Layout=

[GroupOrder]
0=Default
PROFILE
# One snippet: ";cam" then Space pastes it.
mkdir -p "$XDG_DATA_HOME/HalvoraIndependentBeta"
cat >"$XDG_DATA_HOME/HalvoraIndependentBeta/snippets.json" <<'SNIPPETS'
[{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","trigger":"cam","title":"Cảm ơn","text":"cảm ơn anh!"}]
SNIPPETS

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x300x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

bus="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)"
export DBUS_SESSION_BUS_ADDRESS="$(sed -n 1p <<<"$bus")"
pids+=("$(sed -n 2p <<<"$bus")")

export QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx GTK_IM_MODULE=fcitx QT_QPA_PLATFORM=xcb
fcitx5 --disable=classicui,kimpanel,notificationitem,notifications,xim,ibusfrontend,fcitx4frontend,wayland,waylandim \
  >"$work/fcitx5.log" 2>&1 &
pids+=($!)
# Asked through the bus itself: a call to fcitx5 would start a second one by
# D-Bus activation while the first is still starting.
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetNameOwner "string:$1" >/dev/null 2>&1
}
for _ in $(seq 100); do owned org.fcitx.Fcitx5 && break; sleep 0.1; done

"$build/src/desktop/halvora-desktop" >"$work/desktop.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do owned vn.halvora.KeystrokeBridge && break; sleep 0.1; done
sleep 2.5  # the shell sees the addon attached at its next availability check

case "${HALVORA_DEMO_CLIENT:-qt}" in
  qt)
    "$build/tests/bridge/halvora-demo-field" --screenshot "$out" --trigger "$work/shoot" \
      >"$work/field.txt" 2>"$work/field.log" &
    field=$!
    for _ in $(seq 100); do xdotool search --name '^Text field$' >/dev/null 2>&1 && break; sleep 0.1; done
    sleep 1  # the field's input context reaches fcitx5

    xdotool type --delay 60 "$keys"
    sleep 1  # the snippet pastes after a short delay
    touch "$work/shoot"
    wait "$field" || { echo "the field did not save its picture" >&2; cat "$work/field.log" >&2; exit 1; }
    ;;
  gtk)
    # A GTK 3 entry (zenity) through fcitx5's GTK module; zenity prints the
    # entry's text when Return is pressed.
    out="$root/docs/screenshots/fcitx5-demo-gtk.png"
    zenity --entry --title "Text field" --text "GTK" --width 700 >"$work/field.txt" 2>"$work/field.log" &
    field=$!
    for _ in $(seq 100); do xdotool search --name '^Text field$' >/dev/null 2>&1 && break; sleep 0.1; done
    # No window manager under Xvfb: give the entry the focus by hand.
    xdotool search --name '^Text field$' windowfocus --sync
    sleep 1
    xdotool type --delay 60 "$keys"
    sleep 1
    import -window root "$out"
    xdotool key Return
    wait "$field" || { echo "the entry did not report its text" >&2; cat "$work/field.log" >&2; exit 1; }
    ;;
  chromium)
    # A Chromium text box (its GTK input-method road, which reports no
    # surrounding text: words are composed as pre-edit text); the page copies
    # the box's text into its title, read back from the window's name.
    out="$root/docs/screenshots/fcitx5-demo-chromium.png"
    page="data:text/html;charset=utf-8,<title>Text field</title><input autofocus"
    page+=" style='width:95%;font-size:22px' oninput=\"document.title='Text field: '+this.value\">"
    chromium --no-sandbox --test-type --no-first-run --disable-gpu --user-data-dir="$work/chromium" \
      --window-position=0,0 --window-size=760,160 --app="$page" >"$work/field.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 200); do xdotool search --name '^Text field' >/dev/null 2>&1 && break; sleep 0.1; done
    xdotool search --name '^Text field' windowfocus --sync
    sleep 2  # the page's input context reaches fcitx5
    xdotool type --delay 60 "$keys"
    sleep 1
    import -window root -crop 760x56+0+0 "$out"
    xdotool getwindowname "$(xdotool search --name '^Text field' | head -1)" |
      sed 's/^Text field: //' >"$work/field.txt"
    ;;
  *)
    echo "HALVORA_DEMO_CLIENT is qt, gtk or chromium" >&2
    exit 2
    ;;
esac

echo "typed:  $keys"
echo "field:  $(cat "$work/field.txt")"
echo "saved:  $out"
if [ -n "${HALVORA_DEMO_LOGS:-}" ]; then
  tail -n 30 "$work/fcitx5.log" "$work/desktop.log"
fi
