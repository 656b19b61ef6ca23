#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the toolchain.
# Installs only packages that are missing, so a second run does nothing.
set -euo pipefail

packages=(cmake ninja-build g++ make libgtest-dev libgmock-dev
          zlib1g-dev libssl-dev libz-mingw-w64-dev xvfb x11-apps x11-utils netpbm python3-pyftpdlib
          gputils gpsim srecord mingw-w64 binutils python3 wine64
          cproto universal-ctags gcc-12-source
          binutils-h8300-hms)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
