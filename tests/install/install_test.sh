#!/usr/bin/env bash
# `cmake --install` into a staging folder with another prefix than the build's:
# every piece is there, the addon is where fcitx5 loads it, the generated files
# name the prefix given at install time and validate, the user unit passes
# systemd's check, the D-Bus service file starts the staged halvora-desktop
# on a private bus, bash completes the commands, and uninstall removes
# everything it installed.
set -u
build="$1"
addon_dir="$2"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

DESTDIR="$stage" cmake --install "$build" --prefix /opt/halvora >"$stage.log" 2>&1 || { cat "$stage.log"; fail install; }
rm -f "$stage.log"
prefix="$stage/opt/halvora"
app=vn.halvora.IndependentBeta
for f in bin/halvora bin/halvora-desktop \
         share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
         share/icons/hicolor/scalable/apps/$app.svg share/icons/hicolor/48x48/apps/$app.png \
         share/icons/hicolor/scalable/apps/fcitx-halvora.svg share/icons/hicolor/22x22/apps/fcitx-halvora.png \
         share/man/man1/halvora.1.gz share/man/man1/halvora-desktop.1.gz \
         share/bash-completion/completions/halvora share/doc/halvora/README.md \
         share/doc/halvora/copyright share/doc/halvora/changelog.gz \
         lib/systemd/user/halvora-desktop.service share/dbus-1/services/vn.halvora.KeystrokeBridge.service; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
find "$prefix" -name halvora-media.so | grep -q . || fail "missing halvora-media.so"
# The installed program finds its plugin under the prefix it was installed to:
# without an account, qr fails with the command's own message.
out=$("$prefix/bin/halvora" qr --config "$stage/settings" --out "$stage/qr.png" 2>&1)
case "$out" in *"Tạo QR lỗi: "*) ;; *) fail "qr from the installed program: $out" ;; esac
rm -rf "$stage/settings"
# Whatever the prefix, the addon goes where fcitx5 looks for it.
[ -f "$stage$addon_dir/halvora.so" ] || fail "addon not in $addon_dir"
grep -q "^Exec=/opt/halvora/bin/halvora-desktop$" "$prefix/share/applications/$app.desktop" || fail "desktop Exec"
grep -q "^ExecStart=/opt/halvora/bin/halvora-desktop$" "$prefix/lib/systemd/user/halvora-desktop.service" || fail "unit ExecStart"
grep -q "^Restart=on-failure$" "$prefix/lib/systemd/user/halvora-desktop.service" || fail "unit Restart"
grep -q "^SystemdService=halvora-desktop.service$" "$prefix/share/dbus-1/services/vn.halvora.KeystrokeBridge.service" || fail "bus activation"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/$app.desktop" || fail desktop-file-validate
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >/dev/null || fail "appstreamcli validate"
fi
grep -q "$build" "$prefix/share/applications/$app.desktop" "$prefix/lib/systemd/user/halvora-desktop.service" && fail "build-tree path installed"
gzip -t "$prefix/share/man/man1/halvora.1.gz" "$prefix/share/doc/halvora/changelog.gz" || fail "not gzip"
zcat "$prefix/share/man/man1/halvora.1.gz" | grep -q '^\.TH HALVORA' || fail "man page content"
grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$" \
  "$prefix/share/doc/halvora/copyright" || fail "copyright format"

# The installed files name /opt/halvora, which only exists under the stage:
# the checks that start the program get copies that name the staged one.
live="$stage/live"
mkdir -p "$live/services" "$live/home" "$live/runtime"
chmod 700 "$live/runtime"
staged_desktop="$prefix/bin/halvora-desktop"
sed "s|/opt/halvora/bin/halvora-desktop|$staged_desktop|" \
  "$prefix/lib/systemd/user/halvora-desktop.service" >"$live/halvora-desktop.service"
sed "s|/opt/halvora/bin/halvora-desktop|$staged_desktop|" \
  "$prefix/share/dbus-1/services/vn.halvora.KeystrokeBridge.service" \
  >"$live/services/vn.halvora.KeystrokeBridge.service"

# systemd restarts the program when it crashes; no user manager runs here, so
# the unit is checked by systemd itself (which only warns on a bad value:
# anything it says is a failure) and its restart policy is read back.
if command -v systemd-analyze >/dev/null; then
  said=$(XDG_RUNTIME_DIR="$live/runtime" systemd-analyze verify --man=no "$live/halvora-desktop.service" 2>&1) \
    || fail "systemd-analyze verify: $said"
  [ -z "$said" ] || fail "systemd-analyze verify: $said"
fi

# Asking a private bus for the name starts halvora-desktop through the service
# file; the program is then stopped by its own process id.
cat >"$live/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$live/runtime</listen>
  <servicedir>$live/services</servicedir>
  <policy context="default"><allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/><allow user="*"/></policy>
</busconfig>
CONF
cat >"$live/activate.sh" <<'CHECK'
started=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
  org.freedesktop.DBus.StartServiceByName string:vn.halvora.KeystrokeBridge uint32:0) || exit 1
pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
  org.freedesktop.DBus.GetConnectionUnixProcessID string:vn.halvora.KeystrokeBridge | awk '/uint32/ {print $2}')
[ -n "$pid" ] || exit 1
exe=$(readlink "/proc/$pid/exe")
kill "$pid"
case "$started" in *"uint32 1"*) ;; *) echo "not started by the bus: $started"; exit 1 ;; esac
[ "$exe" = "$1" ] || { echo "the bus started $exe"; exit 1; }
CHECK
if command -v dbus-run-session >/dev/null; then
  out=$(env -u DBUS_SESSION_BUS_ADDRESS HOME="$live/home" XDG_RUNTIME_DIR="$live/runtime" \
    XDG_CONFIG_HOME="$live/home/.config" XDG_DATA_HOME="$live/home/.local/share" \
    QT_QPA_PLATFORM=offscreen HALVORA_BRIDGE_SOCKET="$live/runtime/bridge" \
    timeout 60 dbus-run-session --config-file="$live/bus.conf" -- sh "$live/activate.sh" "$staged_desktop" 2>&1) \
    || fail "bus activation of halvora-desktop: $out"
fi

# bash completes the commands the program has, and a command's subcommands.
if [ -f /usr/share/bash-completion/bash_completion ]; then
  completions() {
    bash -c 'source /usr/share/bash-completion/bash_completion
             source "$1"; shift
             COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
             _halvora halvora "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
             printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' \
      _ "$prefix/share/bash-completion/completions/halvora" "$@"
  }
  # The commands, as the program itself lists them in its help.
  commands=$("$prefix/bin/halvora" --help | awk '/^Subcommands:/ {on = 1; next} on && !NF {exit} on {print $1}' | sort | tr "\n" " ")
  [ -n "$commands" ] || fail "no commands in halvora --help"
  [ "$(completions halvora "")" = "$(printf '%s\n' $commands --help --version | sort | tr '\n' ' ')" ] \
    || fail "completion of 'halvora ': $(completions halvora "") (commands: $commands)"
  [ "$(completions halvora backup "")" = "export import inspect " ] \
    || fail "completion of 'halvora backup ': $(completions halvora backup "")"
  [ "$(completions halvora co)" = "compose config " ] || fail "completion of 'halvora co': $(completions halvora co)"
  case "$(completions halvora backup --)" in *"--replace "*) ;; *) fail "completion of 'halvora backup --'" ;; esac
fi
rm -rf "$live"

DESTDIR="$stage" cmake --build "$build" --target uninstall >/dev/null || fail uninstall
left=$(find "$stage" -type f | head)
[ -z "$left" ] || fail "left after uninstall: $left"

[ "$failures" -eq 0 ] && echo "all checks passed"
[ "$failures" -eq 0 ]
