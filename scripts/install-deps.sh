#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need, and
# only those that are missing. Safe to run again.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev libjpeg62-turbo-dev firebird-dev libgtest-dev
  # run: the client library and the local server
  libfbclient2 firebird3.0-server firebird3.0-utils
  # the window's fonts, and a display for the demo and screenshots
  fonts-dejavu-core xvfb xauth x11-utils xdotool imagemagick
)
if [ "${DWINDLE_WITH_FUZZ:-}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
as_root apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
