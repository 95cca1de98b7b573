#!/usr/bin/env bash
# Installs what building and testing Pellwick needs on Debian 12, as root.
# Does nothing (and needs no network) when everything is there already.
set -euo pipefail

# clang links the fuzzers with its runtime libraries (libclang-rt-14-dev),
# which a plain clang install does not bring along. lirc brings irsimsend,
# lircd's own reading of a lircd.conf, which the LIRC format tests check
# against.
packages=(cmake make g++ clang libclang-rt-14-dev libgtest-dev googletest nlohmann-json3-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine64 wine32:i386 fonts-wine xvfb xauth imagemagick
          nsis lirc)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
