#!/usr/bin/env bash
# Checks the Debian package in a clean Debian 12 root without build tools, as a
# new user's machine: install, the programs answer, fcitx5 lists Halvora, the
# desktop entry and the metainfo validate, and removal leaves nothing behind.
#   debootstrap --variant=minbase bookworm ROOT http://deb.debian.org/debian
#   bash scripts/verify-package.sh ROOT dist/halvora_<version>_amd64.deb
set -euo pipefail
root="$1"
deb="$2"
name="$(basename "$deb")"

mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT
for dir in proc sys dev; do
  mkdir -p "$root/$dir"
  mount --bind "/$dir" "$root/$dir"
  mounted+=("$root/$dir")
done
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/debian.sources"
rm -f "$root/etc/apt/sources.list"
cp "$deb" "$root/tmp/$name"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
failures=0
check() {
  local what="$1"; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

in_root apt-get update -qq
# What is on the root before, to compare with what is left after removal.
in_root sh -c 'find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /var -o -path /root \) -prune -o -print | sort' >"$root/tmp/before.txt"
check "apt install" in_root apt-get install -y -qq "/tmp/$name"
in_root dpkg -L halvora | sort >"$root/tmp/files.txt"
check "halvora --version" in_root halvora --version
check "halvora-desktop --version" in_root halvora-desktop --version
check "compose xin chaof" test "$(in_root halvora compose "xin chaof")" = "xin chào"
check "no build tools" sh -c "! chroot '$root' sh -c 'command -v cc || command -v g++ || command -v cmake'"
# fcitx5 on a private bus, asked for its input methods, then stopped by its
# own process id.
cat >"$root/tmp/fcitx5-check.sh" <<'CHECK'
export XDG_RUNTIME_DIR=$(mktemp -d)
fcitx5 --disable=all --enable=halvora,dbus >/tmp/fcitx5.log 2>&1 &
framework=$!
found=1
for i in $(seq 50); do
  if dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
       org.fcitx.Fcitx.Controller1.AvailableInputMethods 2>/dev/null | grep -q '"halvora"'; then
    found=0
    break
  fi
  sleep 0.2
done
kill "$framework"
wait "$framework"
[ "$found" -eq 0 ] || cat /tmp/fcitx5.log
exit "$found"
CHECK
check "fcitx5 lists Halvora" in_root dbus-run-session -- sh /tmp/fcitx5-check.sh
# The bus starts halvora-desktop when the input method asks for it (the
# addon's StartServiceByName); it is stopped again by its own process id.
cat >"$root/tmp/activation-check.sh" <<'CHECK'
export XDG_RUNTIME_DIR=$(mktemp -d) HOME=$(mktemp -d)
dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
  org.freedesktop.DBus.StartServiceByName string:vn.halvora.KeystrokeBridge uint32:0 | grep -q 'uint32 1' || exit 1
pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
  org.freedesktop.DBus.GetConnectionUnixProcessID string:vn.halvora.KeystrokeBridge | awk '/uint32/ {print $2}')
[ -n "$pid" ] && kill "$pid"
CHECK
check "bus starts halvora-desktop" timeout 60 chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen dbus-run-session -- sh /tmp/activation-check.sh
check "user unit" in_root env XDG_RUNTIME_DIR=/tmp systemd-analyze verify --man=no /usr/lib/systemd/user/halvora-desktop.service
in_root apt-get install -y -qq --no-install-recommends desktop-file-utils appstream >/dev/null
check "desktop-file-validate" in_root desktop-file-validate /usr/share/applications/vn.halvora.IndependentBeta.desktop
check "appstreamcli validate" in_root appstreamcli validate --no-net /usr/share/metainfo/vn.halvora.IndependentBeta.metainfo.xml
# Without a running fcitx5 typing cannot work, and the self-check says so.
check "doctor fails without fcitx5" sh -c "! chroot '$root' halvora doctor"
in_root halvora doctor || true
check "in the menu" in_root test -f /usr/share/applications/vn.halvora.IndependentBeta.desktop
check "apt remove" in_root apt-get remove -y -qq halvora
# Anything of the package's list still there: a file, or a folder that neither
# the root had before nor another package owns.
left=$(while read -r f; do
  [ -e "$root$f" ] || continue
  grep -qx -- "$f" "$root/tmp/before.txt" && continue
  if [ -d "$root$f" ] && chroot "$root" dpkg-query -S "$f" >/dev/null 2>&1; then continue; fi
  echo "$f"
done <"$root/tmp/files.txt" || true)
check "no file left after removal" test -z "$left"
[ -n "$left" ] && echo "$left"
echo "$failures check(s) failed"
[ "$failures" -eq 0 ]
