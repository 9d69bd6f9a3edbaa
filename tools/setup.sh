#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the toolchain.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
  cmake make ninja-build g++ lld libgtest-dev
  g++-mingw-w64-x86-64
  wine64 xvfb x11-utils
  binutils-m68hc1x srecord
  csmith
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
