#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need: only those that
# are missing, after one `apt-get update`. Run as root (or with sudo available).
#   scripts/install-deps.sh [--packaging]
# --packaging adds what scripts/package.sh needs to make and check the Debian package; the
# tests do not need it, so CI does not install it.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev qt6-serialport-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth x11-utils fonts-dejavu-core procps
  # The install test reads the manual pages with man, which warns of any fault in them.
  man-db
  # Liberation Sans answers "Arial" with Arial's metrics, which the panel layouts are drawn in.
  fonts-liberation2
  # Qt's platform headers: the accessibility test switches accessibility on as a screen
  # reader's arrival does (test_shell links Qt6::GuiPrivate).
  qt6-base-private-dev
  # The session bus (QtDBus is in qt6-base-dev): the tests start a dbus-daemon of their own
  # and call it with dbus-send. tarnelctl writes XMP sidecars with exiv2's library; the tests
  # read them back with its command-line tool.
  dbus libexiv2-dev exiv2
  # OSC for control surfaces (liblo), and its oscsend / oscdump for the tests and the README.
  liblo-dev liblo-tools
  # The phone remote: Qt's HTTP and WebSocket servers, and the QR code of its address; the
  # browser walkthrough drives headless Chromium through WebDriver.
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev
  chromium chromium-driver python3-selenium
)
if [ "${1:-}" = "--packaging" ]; then
  packages+=(dpkg-dev file desktop-file-utils appstream lintian)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
