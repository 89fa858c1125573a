#!/usr/bin/env bash
# Installs, with apt-get and only when missing, the Debian packages that Ambertrove needs to build,
# test and run. Safe to run again: when everything is present it installs nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  rapidjson-dev libssl-dev libicu-dev uuid-dev libplist-dev libmount-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core fonts-noto-color-emoji
  desktop-file-utils
  xvfb xauth xdotool
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: every package is already installed."
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo_cmd=(sudo)
  else
    echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "install-deps: done."
