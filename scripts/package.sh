#!/usr/bin/env bash
# Builds the Debian package dist/halvora_<version>_amd64.deb: installs what the
# build needs (as root on a fresh Debian 12), configures a release build for
# /usr without tests or benchmarks, and packs it with CPack.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${HALVORA_PACKAGE_BUILD_DIR:-$root/build-package}"

# The build's packages, without the ones only the tests and demos use.
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$root/scripts/debian-packages.txt" |
  grep -v -x -E 'chromium|firefox-esr|sway|openbox|xdotool|x11-utils|fonts-noto-core|libgtk-3-dev|jq|hyperfine|debootstrap|systemd|bash-completion')
missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root (or install these packages first): ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DHALVORA_BUILD_TESTS=OFF -DHALVORA_BUILD_BENCHES=OFF >/dev/null
cmake --build "$build" -j2
mkdir -p "$root/dist"
(cd "$build" && cpack -G DEB)
ls -l "$root"/dist/halvora_*_amd64.deb
