# Sourced by typing-matrix.sh under HALVORA_SESSION=wayland: typing,
# clicking and finding windows in the headless sway of chain.sh. Keys and
# clicks go through the chain's virtual keyboard and pointer
# (halvora-wayland-input), windows are sway's containers, named by their id.

session_type() {
  chain_input "delay $1" "type $2"
  chain_input_sync
}
session_key() {
  chain_input "delay $1" "key $2"
  chain_input_sync
}

# The line of chain_windows for a window: "ID FOCUSED X Y WIDTH HEIGHT NAME".
window_line() {
  local id rest
  while read -r id rest; do [ "$id" = "$1" ] && { echo "$id $rest"; return; }; done < <(chain_windows)
}
session_window_name() {
  local _id _focused _x _y _w _h name
  read -r _id _focused _x _y _w _h name <<<"$(window_line "$1")"
  printf '%s' "$name"
}
session_focused_window() { chain_windows | awk '$2 == "true" { print $1; exit }'; }
session_find_window() {
  local id focused x y w h name
  while read -r id focused x y w h name; do
    [[ "$name" =~ $1 ]] && { echo "$id"; return; }
  done < <(chain_windows)
}
session_activate() { swaymsg "[con_id=$1] focus" >/dev/null 2>&1; }
session_geometry() {
  local _id _focused x y w h _name
  read -r _id _focused x y w h _name <<<"$(window_line "$1")"
  echo "$x $y $w $h"
}

give_focus() {
  [ "$(session_focused_window)" = "$window" ] || session_activate "$window"
}

click_at() {
  chain_input "move $1" click
  chain_input_sync
}

# A Wayland client knows only points of its own surface: the surface's
# place on the screen comes from sway. A page's points are its viewport's,
# plus the offset its last mouse event gave.
screen_point() {
  local x y _
  read -r x y _ <<<"$(session_geometry "$window")"
  jq -r --argjson x "${x:-0}" --argjson y "${y:-0}" \
    "($1) as \$p | (.off // [0, 0]) as \$o | \"\(\$p[0] + \$o[0] + \$x) \(\$p[1] + \$o[1] + \$y)\"" <<<"$2"
}

# Qt needs its Wayland platform; the browsers run as Wayland clients.
installed() {
  case "$1" in
    qt) [ -x "$build/tests/clients/halvora-client-qt" ] && dpkg -s qt6-wayland fcitx5-frontend-qt6 >/dev/null 2>&1 ;;
    gtk) [ -x "$build/tests/clients/halvora-client-gtk" ] && dpkg -s fcitx5-frontend-gtk3 >/dev/null 2>&1 ;;
    chromium) command -v chromium >/dev/null ;;
    firefox) command -v firefox-esr >/dev/null && dpkg -s fcitx5-frontend-gtk3 >/dev/null 2>&1 ;;
    *) return 1 ;;
  esac
}

# Chromium on Wayland has no GTK input-method module: it asks the
# compositor (text-input-v3), which asks fcitx5 (input-method-v2).
chromium_session_flags=(--ozone-platform=wayland --enable-wayland-ime --wayland-text-input-version=3)
firefox_wayland=1
# sway shows nothing over a full-screen window but its own pop-ups, and the
# quick-reply prompt is a window of halvora-desktop: Firefox gets a window.
firefox_session_flags=()

# Chromium's input context comes through the compositor (fcitx5's
# "wayland_v2" frontend), which names no program.
await_input_context() {
  local program="$1" _
  [ "$program" != chromium ] || program=""
  for _ in $(seq "${2:-100}"); do
    chain_has_focused_context "$program" && return 0
    sleep 0.1
  done
  return 1
}
