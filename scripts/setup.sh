#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run, test and benchmark.
# Packages already present are skipped, so a second run is quick and needs no network.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config clang-format
  clang libclang-rt-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-declarative-dev qt6-webengine-dev
  libtidy-dev tidy libcurl4-openssl-dev libmicrohttpd-dev
  wamerican
  libgtest-dev libgmock-dev libbenchmark-dev libqscintilla2-qt6-dev
  xvfb xauth
  python3 python3-pyftpdlib python3-openssl openssl
  openssh-server openssh-client qtkeychain-qt6-dev gnome-keyring dbus
  fonts-dejavu-core
  xdg-utils
  librsvg2-bin desktop-file-utils appstream dpkg-dev file
  ghostscript curl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
