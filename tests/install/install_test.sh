#!/usr/bin/env bash
# `cmake --install` into a staging folder with another prefix than the build's:
# every piece is there, the addon is where fcitx5 loads it, the generated files
# name the prefix given at install time and validate, and uninstall removes
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
         share/man/man1/halvora.1 share/man/man1/halvora-desktop.1 \
         share/bash-completion/completions/halvora share/doc/halvora/README.md \
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

DESTDIR="$stage" cmake --build "$build" --target uninstall >/dev/null || fail uninstall
left=$(find "$stage" -type f | head)
[ -z "$left" ] || fail "left after uninstall: $left"

[ "$failures" -eq 0 ] && echo "all checks passed"
[ "$failures" -eq 0 ]
