#!/usr/bin/env bash
# Builds the Debian package (CPack) in build/package and checks it: desktop-file-validate,
# appstreamcli and lintian (no errors). With --try, as root: installs it with apt-get, starts
# the program from it on the offscreen platform (and under xvfb-run when there is one), removes
# it and checks that nothing of it is left.
#   scripts/package.sh [--try]
set -euo pipefail
cd "$(dirname "$0")/.."
try=0
[ "${1:-}" = "--try" ] && try=1
build=build/package
step() { printf '\n=== %s\n' "$*"; }

scripts/install-deps.sh --packaging

step "build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNEL_BUILD_TESTS=OFF \
  -DTARNEL_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j2
rm -f "$build"/tarnel-remote_*.deb
(cd "$build" && cpack -G DEB | tail -n 2)
deb=$(ls "$build"/tarnel-remote_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends

step "validators"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb --extract "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
echo "desktop-file-validate: ok"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml
# Warnings are shown; an error fails the script.
lintian --fail-on error --display-level '>=warning' "$deb"
echo "lintian: no errors"

[ "$try" -eq 1 ] || exit 0

step "install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb" | tail -n 3
dpkg -L tarnel-remote | grep -E 'bin/|\.desktop$|\.rules$|metainfo' 

step "start"
home=$(mktemp -d)
HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen TARNEL_STARTUP_TIMING=exit \
  timeout 20 tarnel-remote --user-folder
echo "offscreen start: exit $?; user folder: $(ls "$home/Documents")"
if command -v xvfb-run >/dev/null; then
  status=0
  HOME="$home" xvfb-run -a timeout 5 tarnel-remote --user-folder || status=$?
  echo "under xvfb-run: still running after 5 s (timeout's exit $status)"
  [ "$status" -eq 124 ]
fi
tarnel-remote --version
rm -rf "$home"

step "remove"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -q --purge tarnel-remote | tail -n 2
left=0
for f in /usr/bin/tarnel-remote /usr/bin/strobe-sim /usr/share/applications/org.tarnel.RemoteControl.desktop \
  /usr/lib/udev/rules.d/70-tarnel-remote.rules /usr/share/doc/tarnel-remote; do
  [ -e "$f" ] && { echo "left behind: $f"; left=1; }
done
dpkg -s tarnel-remote >/dev/null 2>&1 && { echo "still known to dpkg"; left=1; }
[ "$left" -eq 0 ] && echo "removed cleanly"
exit "$left"
