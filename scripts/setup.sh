#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

# fonts-liberation2: the editor's font (the metrics of Arial) for the offscreen
# platform as well; librtmidi-dev: MIDI keyboards in the editor; xdotool: a test
# types into the real editor under Xvfb; g++-multilib: the replayer's 32-bit
# build in its tests; zlib1g-dev: the deflated size of a song's tables.
packages=(build-essential cmake pkg-config libgtest-dev libbenchmark-dev libcli11-dev
          qt6-base-dev libsdl2-dev xvfb xauth clang libclang-rt-14-dev
          fonts-liberation2 librtmidi-dev xdotool
          g++-multilib zlib1g-dev)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
    echo "Missing packages and not root: ${missing[*]}" >&2; exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
