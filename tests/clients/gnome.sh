# Sourced by typing-matrix.sh under HALVORA_SESSION=gnome, after wayland.sh:
# the same cells in a headless GNOME Shell, whose own input method relays
# every text-input client to IBus. mutter has no virtual-keyboard protocol
# and GNOME Shell shows its windows to no other program, so keys, clicks and
# the window list come from a small shell extension of the harness's own
# (tests/clients/gnome), over the session bus.

harness_call() {
  gdbus call --session --timeout 120 --dest vn.halvora.Harness --object-path /vn/halvora/Harness \
    --method "vn.halvora.Harness.$1" "${@:2}"
}

# The commands of a step go to the shell in one call at its sync, which
# answers once the compositor has had every event.
chain_input_buffer=""
chain_input() {
  local line
  for line in "$@"; do chain_input_buffer+="$line"$'\n'; done
}
chain_input_sync() {
  local commands="$chain_input_buffer"
  chain_input_buffer=""
  harness_call Run "$commands" 2>/dev/null | grep -q "^('ok',)$"
}

chain_windows() {
  # The titles as they are: gdbus would print them escaped (a page's state
  # in its title has quotes and Vietnamese letters). dbus-send's literal
  # answer starts with three spaces and ends without a line break.
  dbus-send --session --print-reply=literal --dest=vn.halvora.Harness /vn/halvora/Harness \
    vn.halvora.Harness.Windows 2>/dev/null | sed '1s/^   //'
  echo
}
session_activate() { harness_call Activate "$1" >/dev/null 2>&1; }

# GTK 3 and the browsers take GNOME's own road (text-input-v3 to the shell).
# Qt 6 has no text-input-v3: GNOME sessions give it IBus's own module. mutter
# draws no frames, and the frame Qt would draw itself would move the field
# from where the client says it is.
qt_client_env=(QT_IM_MODULE=ibus QT_WAYLAND_DISABLE_WINDOWDECORATION=1)
installed() {
  case "$1" in
    qt) [ -x "$build/tests/clients/halvora-client-qt" ] && dpkg -s qt6-wayland >/dev/null 2>&1 ;;
    gtk | gtk-textview) [ -x "$build/tests/clients/halvora-client-gtk" ] ;;
    chromium) command -v chromium >/dev/null ;;
    firefox) command -v firefox-esr >/dev/null ;;
    *) return 1 ;;
  esac
}
