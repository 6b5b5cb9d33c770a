#!/usr/bin/env bash
# Types Vietnamese into a plain Qt text field through the whole Linux chain,
# on a virtual display: a private session bus, fcitx5 with the Halvora addon,
# halvora-desktop, and the field. xdotool presses real keys (XTEST); the
# field's window is saved to docs/screenshots/fcitx5-demo.png.
# HALVORA_DEMO_CLIENT=gtk or chromium types into a GTK 3 entry or a
# Chromium text box instead (fcitx5-demo-gtk.png, fcitx5-demo-chromium.png).
# HALVORA_DEMO_SESSION=wayland runs a headless sway instead of Xvfb, types
# with wtype and saves fcitx5-demo-wayland.png / fcitx5-demo-gtk-wayland.png
# (needs sway, wtype, grim, wl-clipboard and qt6-wayland);
# HALVORA_DEMO_GTK_IM=wayland has GTK go through the compositor there
# (fcitx5-demo-gtk-wayland-native.png).
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
# Halvora is the only input method, so it is active from the first key
# (the profile is shared with tests/clients/chain.sh).
cp "$root/scripts/fcitx5-profile" "$XDG_CONFIG_HOME/fcitx5/profile"
# One snippet: ";cam" then Space pastes it.
mkdir -p "$XDG_DATA_HOME/HalvoraIndependentBeta"
cat >"$XDG_DATA_HOME/HalvoraIndependentBeta/snippets.json" <<'SNIPPETS'
[{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","trigger":"cam","title":"Cảm ơn","text":"cảm ơn anh!"}]
SNIPPETS

session="${HALVORA_DEMO_SESSION:-x11}"
case "$session" in
  x11)
    display=":$((90 + RANDOM % 100))"
    Xvfb "$display" -screen 0 1024x300x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY="$display"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    export QT_QPA_PLATFORM=xcb XMODIFIERS=@im=fcitx GTK_IM_MODULE=fcitx
    # Keys come from XTEST; windows get the focus by hand (no window manager).
    type_keys() { xdotool type --delay 60 "$1"; }
    press_return() { xdotool key Return; }
    focus_window() {
      # A window found before it is mapped cannot take the focus yet.
      for _ in $(seq 50); do
        xdotool search --onlyvisible --name "$1" windowfocus --sync 2>/dev/null && return 0
        sleep 0.1
      done
      return 1
    }
    find_window() { xdotool search --name "^$1" >/dev/null 2>&1; }
    screenshot() { import -window root ${2:+-crop "$2"} "$1"; }
    fcitx_off=xim,wayland,waylandim
    ;;
  wayland)
    # sway without a screen, its own keyboard-less seat; wtype types through
    # the virtual-keyboard protocol and grim takes the picture. sway refuses
    # to run as root, so as root it runs as an ordinary user in a user
    # namespace of its own (the sockets stay usable by everything else).
    unset DISPLAY WAYLAND_DISPLAY
    printf 'output HEADLESS-1 resolution 1024x300\ndefault_border none\n' >"$work/sway.conf"
    as_user=()
    [ "$(id -u)" != 0 ] || as_user=(unshare --user --map-user=1000 --map-group=1000)
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
      "${as_user[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    pids+=($!)
    # sway names its socket itself: take the newest one.
    for _ in $(seq 50); do
      WAYLAND_DISPLAY="$(cd "$XDG_RUNTIME_DIR" && ls -t 2>/dev/null | grep -m1 -x 'wayland-[0-9]*' || true)"
      [ -n "$WAYLAND_DISPLAY" ] && break
      sleep 0.1
    done
    [ -n "$WAYLAND_DISPLAY" ] || { echo "sway did not start" >&2; cat "$work/sway.log" >&2; exit 1; }
    export WAYLAND_DISPLAY QT_QPA_PLATFORM=wayland GDK_BACKEND=wayland
    # GTK and Qt talk to fcitx5 through their fcitx modules over D-Bus, as
    # under X11. HALVORA_DEMO_GTK_IM=wayland has GTK ask the compositor
    # instead (text-input-v3), which asks fcitx5 (input-method-v2); Qt 6.4
    # has no text-input-v3.
    export GTK_IM_MODULE="${HALVORA_DEMO_GTK_IM:-fcitx}"
    type_keys() { wtype -d 60 "$1"; }
    press_return() { wtype -k Return; }
    focus_window() { sleep 0.5; }  # sway focuses a new window itself
    find_window() { swaymsg -s "$(ls "$XDG_RUNTIME_DIR"/sway-ipc.* | head -1)" -t get_tree 2>/dev/null | grep -q "\"name\": \"$1"; }
    screenshot() { grim "$1"; }
    fcitx_off=xim
    ;;
  *)
    echo "HALVORA_DEMO_SESSION is x11 or wayland" >&2
    exit 2
    ;;
esac

bus="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)"
export DBUS_SESSION_BUS_ADDRESS="$(sed -n 1p <<<"$bus")"
pids+=("$(sed -n 2p <<<"$bus")")

export QT_IM_MODULE=fcitx
fcitx5 --disable=classicui,kimpanel,notificationitem,notifications,ibusfrontend,fcitx4frontend,$fcitx_off \
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

# HALVORA_DEMO_SUGGESTION=KEYS (X11): after the keys, take the typo
# suggestion on offer with its hot key (Alt+Super+;), then type KEYS; for
# example HALVORA_DEMO_KEYS="xin mwois " HALVORA_DEMO_SUGGESTION="nhaast "
# reads "xin mới nhất ".
type_all() {
  type_keys "$keys"
  if [ -n "${HALVORA_DEMO_SUGGESTION:-}" ] && [ "$session" = x11 ]; then
    sleep 0.5
    xdotool key alt+super+semicolon
    sleep 0.5
    type_keys "$HALVORA_DEMO_SUGGESTION"
  fi
}
wait_for_window() {
  for _ in $(seq 200); do find_window "$1" && return 0; sleep 0.1; done
  echo "no window named $1 appeared" >&2
  exit 1
}
# Pictures of a Wayland session get their own names.
suffix=""
[ "$session" = x11 ] || suffix="-$session"

case "${HALVORA_DEMO_CLIENT:-qt}" in
  qt)
    out="$root/docs/screenshots/fcitx5-demo$suffix.png"
    "$build/tests/bridge/halvora-demo-field" --screenshot "$out" --trigger "$work/shoot" \
      >"$work/field.txt" 2>"$work/field.log" &
    field=$!
    wait_for_window 'Text field'
    sleep 1  # the field's input context reaches fcitx5
    type_all
    sleep 1  # the snippet pastes after a short delay
    touch "$work/shoot"
    wait "$field" || { echo "the field did not save its picture" >&2; cat "$work/field.log" >&2; exit 1; }
    ;;
  gtk)
    # A GTK 3 entry (zenity): through fcitx5's GTK module under X11, through
    # the compositor under Wayland. zenity prints the entry's text when
    # Return is pressed.
    [ "${GTK_IM_MODULE}" != wayland ] || suffix+="-native"
    out="$root/docs/screenshots/fcitx5-demo-gtk$suffix.png"
    # GTK looks up the key code of the forwarded Ctrl+V in the keymap, and
    # wtype's keymap holds only the symbols it types: a lower-case v in the
    # text puts one there, as every real keyboard has.
    [ "$session" = x11 ] || [ -n "${HALVORA_DEMO_KEYS:-}" ] || keys="${keys/Vieetj/vieetj}"
    zenity --entry --title "Text field" --text "GTK" --width 700 >"$work/field.txt" 2>"$work/field.log" &
    field=$!
    wait_for_window 'Text field'
    focus_window '^Text field$'
    sleep 1
    type_all
    sleep 1
    screenshot "$out"
    if [ "$session" = x11 ]; then
      press_return
      wait "$field" || { echo "the entry did not report its text" >&2; cat "$work/field.log" >&2; exit 1; }
    else
      # A Return typed by wtype does not reach zenity's dialog here (wtype
      # gives each key a keymap of its own); the picture is the result.
      echo "(not read back under Wayland: see the picture)" >"$work/field.txt"
    fi
    ;;
  chromium)
    [ "$session" = x11 ] || { echo "the Chromium demonstration runs under X11 only" >&2; exit 2; }
    # A Chromium text box (its GTK input-method road, which reports no
    # surrounding text: words are composed as pre-edit text); the page copies
    # the box's text into its title, read back from the window's name.
    out="$root/docs/screenshots/fcitx5-demo-chromium.png"
    page="data:text/html;charset=utf-8,<title>Text field</title><input autofocus"
    page+=" style='width:95%;font-size:22px' oninput=\"document.title='Text field: '+this.value\">"
    chromium --no-sandbox --test-type --no-first-run --disable-gpu --user-data-dir="$work/chromium" \
      --window-position=0,0 --window-size=760,160 --app="$page" >"$work/field.log" 2>&1 &
    pids+=($!)
    wait_for_window 'Text field'
    focus_window '^Text field'
    sleep 2  # the page's input context reaches fcitx5
    type_all
    sleep 1
    screenshot "$out" 760x56+0+0
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
