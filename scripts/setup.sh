#!/usr/bin/env bash
# Installs the Debian packages Sondrel needs to build, run and test.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev
  libsdl2-dev libpulse-dev libdbus-1-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  xvfb xauth xdotool x11-apps netpbm
  xdg-utils desktop-file-utils shared-mime-info libfile-mimeinfo-perl
  pulseaudio pulseaudio-utils
  pipewire pipewire-pulse wireplumber dbus-daemon
  sox time alsa-utils
  clang libclang-rt-14-dev
  libsndfile1-dev sound-theme-freedesktop
  appstream lintian
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
