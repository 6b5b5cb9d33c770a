# Sourced by typing-matrix.sh: the whole Linux chain on a virtual display,
# as scripts/demo-fcitx5.sh builds it, plus a window manager (openbox):
# Xvfb, a private session bus, the input framework with only Halvora in it
# (installed into a temporary prefix) and halvora-desktop with the snippets
# of SNIPPET_DIR. Everything lives under $chain_dir and is stopped by
# chain_stop. HALVORA_FRAMEWORK picks the framework: fcitx5 (the default,
# with the Halvora addon) or ibus (a private ibus-daemon that starts the
# Halvora engine from its component file). HALVORA_SESSION=wayland runs a
# headless sway in place of Xvfb and openbox; HALVORA_SESSION=gnome a
# headless GNOME Shell, with IBus.
#
#   chain_start BUILD_DIR CHAIN_DIR SNIPPET_DIR    (sets DISPLAY and the bus)
#   chain_stop

chain_framework="${HALVORA_FRAMEWORK:-fcitx5}"
chain_session="${HALVORA_SESSION:-x11}"

chain_pids=()

chain_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetNameOwner "string:$1" >/dev/null 2>&1
}

# The input contexts fcitx5 knows, one line each ("IC [...] program:NAME
# frontend:... focus:1").
chain_input_contexts() {
  dbus-send --session --print-reply=literal --dest=org.fcitx.Fcitx5 /controller \
    org.fcitx.Fcitx.Controller1.DebugInfo 2>/dev/null | grep 'IC \['
}

# Whether PROGRAM has a focused input context with Halvora on it. IBus does
# not list its contexts: there, whether Halvora is the engine every context
# gets.
chain_has_focused_context() {
  if [ "$chain_framework" = ibus ]; then
    [ "$(ibus engine 2>/dev/null)" = halvora ]
  else
    chain_input_contexts | grep -q "program:$1 .*focus:1"
  fi
}

# Xvfb and openbox; sets DISPLAY.
chain_x11_display() {
  # The server picks a free display itself and writes its number: chains
  # started side by side never race for one. On a machine where other
  # servers come and go a start now and then fails; it is tried again.
  local display_file="$chain_dir/display" attempt _ xvfb
  for attempt in 1 2 3; do
    : >"$display_file"
    Xvfb -displayfd 3 -screen 0 1024x640x24 -nolisten tcp 3>"$display_file" \
      >"$chain_dir/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
    if [ -s "$display_file" ]; then
      export DISPLAY=":$(head -1 "$display_file")"
      for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
      if xdpyinfo >/dev/null 2>&1; then
        chain_pids+=($xvfb)
        break
      fi
    fi
    echo "Xvfb did not answer (attempt $attempt, display ${DISPLAY:-none}): $(tail -3 "$chain_dir/xvfb.log") $(xdpyinfo 2>&1 | head -2)" >&2
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
  done
  xdpyinfo >/dev/null 2>&1 || return 1
  # A window manager, as on a desktop: without one, Firefox never gives its
  # input context the focus, and nobody hands the focus back when a panel of
  # halvora-desktop closes.
  # A chain without one types into windows that never get the focus (raw
  # letters, a paste that never finds its chat), so it is not a chain: the
  # manager is started again, and the start fails if it never comes up.
  local wm
  for attempt in 1 2 3; do
    openbox >"$chain_dir/openbox.log" 2>&1 &
    wm=$!
    for _ in $(seq 100); do
      kill -0 "$wm" 2>/dev/null || break
      xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW' && break
      sleep 0.1
    done
    if kill -0 "$wm" 2>/dev/null && xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW'; then
      chain_pids+=($wm)
      chain_wm=$wm
      break
    fi
    echo "openbox did not come up (attempt $attempt): $(tail -2 "$chain_dir/openbox.log")" >&2
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    wm=""
    sleep 0.5
  done
  [ -n "$wm" ] || return 1
  export QT_QPA_PLATFORM=xcb
  if [ "$chain_framework" = fcitx5 ]; then
    export XMODIFIERS=@im=fcitx GTK_IM_MODULE=fcitx QT_IM_MODULE=fcitx
  else
    export XMODIFIERS=@im=ibus GTK_IM_MODULE=ibus QT_IM_MODULE=ibus
  fi
  unset WAYLAND_DISPLAY
}

# A headless sway with one output of 1024x640 and no input devices but the
# virtual keyboard and pointer of halvora-wayland-input, which lives as long
# as the chain (chain_input sends it commands). Sets WAYLAND_DISPLAY and
# SWAYSOCK. sway refuses to run as root: as root it runs as an ordinary user
# in a user namespace of its own (its sockets stay usable by everything else).
# halvora-desktop's workspace window goes to a workspace of its own, so that
# each client has the screen; its prompts and alerts open in front of the
# client, as on a desktop.
chain_wayland_display() {
  local build="$1" as_user=() _
  unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
  cat >"$chain_dir/sway.conf" <<'CONF'
output HEADLESS-1 resolution 1024x640
default_border none
default_floating_border none
for_window [title="^Halvora Independent Beta$"] move container to workspace 2
CONF
  [ "$(id -u)" != 0 ] || as_user=(unshare --user --map-user=1000 --map-group=1000)
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    "${as_user[@]}" sway -c "$chain_dir/sway.conf" >"$chain_dir/sway.log" 2>&1 &
  chain_wm=$!
  chain_pids+=($chain_wm)
  # The runtime folder is the chain's own: its one socket is sway's.
  for _ in $(seq 300); do
    WAYLAND_DISPLAY="$(cd "$XDG_RUNTIME_DIR" && ls 2>/dev/null | grep -m1 -x 'wayland-[0-9]*')"
    SWAYSOCK="$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1)"
    [ -n "$WAYLAND_DISPLAY" ] && [ -n "$SWAYSOCK" ] && swaymsg -t get_version >/dev/null 2>&1 && break
    sleep 0.1
  done
  export WAYLAND_DISPLAY SWAYSOCK
  swaymsg -t get_version >/dev/null 2>&1 || {
    echo "sway did not answer (display ${WAYLAND_DISPLAY:-none}, socket ${SWAYSOCK:-none}, $(swaymsg -t get_version 2>&1 | head -1)): $(tail -3 "$chain_dir/sway.log")" >&2
    return 1
  }

  # Both ends of the fifos are opened read-write here, so that neither side
  # waits for the other to open them.
  mkfifo "$chain_dir/input" "$chain_dir/input-answers"
  exec {chain_input}<>"$chain_dir/input" {chain_answers}<>"$chain_dir/input-answers"
  "$build/tests/clients/halvora-wayland-input" 1024 640 <"$chain_dir/input" \
    >"$chain_dir/input-answers" 2>"$chain_dir/input.log" &
  chain_pids+=($!)
  chain_input_sync || { echo "the virtual keyboard did not start: $(cat "$chain_dir/input.log")" >&2; return 1; }

  export QT_QPA_PLATFORM=wayland GDK_BACKEND=wayland GTK_IM_MODULE=fcitx QT_IM_MODULE=fcitx
  unset XMODIFIERS
}

# Commands for the virtual keyboard and pointer (see WaylandInput.cpp).
chain_gnome_display() {
  local _ extensions="$XDG_DATA_HOME/gnome-shell/extensions"
  unset DISPLAY WAYLAND_DISPLAY
  # The shell's settings, Halvora its only input source, in a key file: no
  # dconf service needed.
  mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings" "$extensions"
  cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<'KEYS'
[org/gnome/desktop/input-sources]
sources=[('ibus', 'halvora')]
[org/gnome/shell]
enabled-extensions=['halvora-harness@halvora.test']
welcome-dialog-last-shown-version='999'
KEYS
  cp -r "$(dirname "${BASH_SOURCE[0]}")/gnome" "$extensions/halvora-harness@halvora.test"
  # The shell asks the system bus for logind, power and network, and stops
  # when there is none to ask (a container): a bus of the chain's own, with
  # none of those services, stands in for it.
  local system
  system="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)"
  chain_pids+=("$(sed -n 2p <<<"$system")")
  GSETTINGS_BACKEND=keyfile DBUS_SYSTEM_BUS_ADDRESS="$(sed -n 1p <<<"$system")" \
    gnome-shell --headless --wayland --no-x11 --virtual-monitor 1024x640 >"$chain_dir/gnome-shell.log" 2>&1 &
  chain_wm=$!
  chain_pids+=($chain_wm)
  for _ in $(seq 300); do
    chain_owned vn.halvora.Harness && [ -S "$XDG_RUNTIME_DIR/wayland-0" ] && break
    kill -0 "$chain_wm" 2>/dev/null || break
    sleep 0.1
  done
  chain_owned vn.halvora.Harness || {
    echo "GNOME Shell did not start with the harness: $(grep -m3 -i 'error\|critical' "$chain_dir/gnome-shell.log")" >&2
    return 1
  }
  export WAYLAND_DISPLAY=wayland-0
  export QT_QPA_PLATFORM=wayland GDK_BACKEND=wayland
  unset GTK_IM_MODULE XMODIFIERS
}

chain_input() { printf '%s\n' "$@" >&"$chain_input"; }
# Waits until the compositor has had every command sent before.
chain_input_sync() {
  local answer=""
  chain_input sync
  read -r -t 20 answer <&"$chain_answers"
  [ "$answer" = ok ]
}

# sway's windows, one line each: "ID FOCUSED X Y WIDTH HEIGHT NAME", the
# place of the window's surface on the screen.
chain_windows() {
  swaymsg -t get_tree 2>/dev/null | jq -r '
    .. | objects | select((.type == "con" or .type == "floating_con") and .pid != null and .visible)
    | "\(.id) \(.focused) \(.rect.x + .window_rect.x) \(.rect.y + .window_rect.y) \(.window_rect.width) \(.window_rect.height) \(.name)"'
}

chain_start() {
  local build="$1"
  chain_dir="$2"
  local snippets="$3"
  mkdir -p "$chain_dir"
  cmake --install "$build/src/bridge" --prefix "$chain_dir/prefix" >/dev/null
  export XDG_DATA_DIRS="$chain_dir/prefix/share:/usr/share"
  export HOME="$chain_dir/home" XDG_CONFIG_HOME="$chain_dir/home/.config"
  export XDG_DATA_HOME="$chain_dir/home/.local/share" XDG_RUNTIME_DIR="$chain_dir/runtime"
  mkdir -p "$XDG_CONFIG_HOME/fcitx5" "$XDG_DATA_HOME/HalvoraIndependentBeta" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  if [ "$chain_framework" = fcitx5 ]; then
    local libdir
    libdir="$(find "$chain_dir/prefix" -type d -name fcitx5 -path '*lib*' | head -1)"
    export FCITX_ADDON_DIRS="$libdir:$(dirname "$(dpkg -L fcitx5-modules | grep -m1 '/fcitx5/libdbus.so$')")"
    # Halvora is the only input method, so it is active from the first key.
    cp "$(dirname "${BASH_SOURCE[0]}")/../../scripts/fcitx5-profile" "$XDG_CONFIG_HOME/fcitx5/profile"
  else
    # Only the component files of the temporary prefix: Halvora is the only
    # engine there is.
    export IBUS_COMPONENT_PATH="$chain_dir/prefix/share/ibus/component"
    export IBUS_ADDRESS="unix:path=$chain_dir/ibus-bus"
  fi
  cp -r "$snippets/." "$XDG_DATA_HOME/HalvoraIndependentBeta/"

  # GNOME Shell relays to the IBus it finds running, so under GNOME the bus
  # and the framework come first.
  if [ "$chain_session" = wayland ]; then
    chain_wayland_display "$build" || return 1
  elif [ "$chain_session" = x11 ]; then
    chain_x11_display || return 1
  fi

  local bus
  bus="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)"
  export DBUS_SESSION_BUS_ADDRESS="$(sed -n 1p <<<"$bus")"
  chain_pids+=("$(sed -n 2p <<<"$bus")")

  if [ "$chain_framework" = fcitx5 ]; then
    # Under Wayland fcitx5 also answers the compositor's input-method road,
    # which clients asking through text-input take.
    local off=xim,wayland,waylandim
    [ "$chain_session" = x11 ] || off=xim
    fcitx5 --disable=classicui,kimpanel,notificationitem,notifications,ibusfrontend,fcitx4frontend,$off \
      >"$chain_dir/fcitx5.log" 2>&1 &
    chain_pids+=($!)
    # Asked through the bus itself: a call to fcitx5 would start a second one
    # by D-Bus activation while the first is still starting.
    # Generous waits: a loaded machine (CI, two cores) starts programs slowly.
    for _ in $(seq 300); do chain_owned org.fcitx.Fcitx5 && break; sleep 0.1; done
    chain_owned org.fcitx.Fcitx5 || { echo "fcitx5 did not start" >&2; return 1; }
  else
    # No panel, settings service or helpers: the daemon and Halvora alone.
    # GTK's module talks to the daemon, not to an XIM server. Qt's finds
    # the daemon by a file named after the display, which under GNOME is the
    # shell's, not yet there: the daemon is told its name, as when GNOME
    # Shell starts it.
    local display_name=()
    [ "$chain_session" != gnome ] || display_name=(WAYLAND_DISPLAY=wayland-0)
    env "${display_name[@]}" ibus-daemon --panel=disable --emoji-extension=disable --config=disable --cache=none \
      --address="$IBUS_ADDRESS" >"$chain_dir/ibus.log" 2>&1 &
    chain_pids+=($!)
    for _ in $(seq 300); do [ -S "$chain_dir/ibus-bus" ] && ibus list-engine >/dev/null 2>&1 && break; sleep 0.1; done
    ibus list-engine 2>/dev/null | grep -q '^ *halvora - Halvora$' ||
      { echo "ibus-daemon did not start or does not list Halvora" >&2; return 1; }
    # Every input context gets the global engine. The call can report a
    # failure while the engine starts; what counts is what IBus then says.
    for _ in $(seq 50); do
      ibus engine halvora >/dev/null 2>&1
      [ "$(ibus engine 2>/dev/null)" = halvora ] && break
      sleep 0.2
    done
    [ "$(ibus engine 2>/dev/null)" = halvora ] ||
      { echo "ibus did not take Halvora as its engine" >&2; return 1; }
  fi
  if [ "$chain_session" = gnome ]; then
    chain_gnome_display || return 1
  fi

  # A temporary folder of its own: the single-instance socket lives there,
  # and a halvora-desktop running elsewhere on the machine would otherwise
  # take this one for a second instance.
  mkdir -p "$chain_dir/tmp"
  TMPDIR="$chain_dir/tmp" "$build/src/desktop/halvora-desktop" >"$chain_dir/desktop.log" 2>&1 &
  local desktop=$!
  chain_pids+=($desktop)
  for _ in $(seq 300); do
    chain_owned vn.halvora.KeystrokeBridge && break
    kill -0 "$desktop" 2>/dev/null || break
    sleep 0.1
  done
  chain_owned vn.halvora.KeystrokeBridge || {
    echo "halvora-desktop did not start:" >&2
    cat "$chain_dir/desktop.log" >&2
    return 1
  }
  # Without a tray its window opens at start and takes the focus: the
  # clients come after it.
  for _ in $(seq 100); do
    if [ "$chain_session" = wayland ]; then
      # On its own workspace, out of chain_windows' sight.
      swaymsg -t get_tree 2>/dev/null | grep -q '"name": "Halvora Independent Beta"' && break
    elif [ "$chain_session" = gnome ]; then
      chain_windows | grep -q ' Halvora Independent Beta$' && break
    else
      xdotool search --onlyvisible --name '^Halvora Independent Beta$' >/dev/null 2>&1 && break
    fi
    sleep 0.1
  done
}

chain_stop() {
  local pid
  for pid in "${chain_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${chain_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  chain_pids=()
  if [ -n "${chain_input:-}" ]; then
    exec {chain_input}>&- {chain_answers}>&-
    chain_input="" chain_answers=""
  fi
}
