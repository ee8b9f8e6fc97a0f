#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12; quiet and quick when all is there.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev qt6-base-dev
          libgl-dev libxcb1-dev xvfb xauth openbox xdotool clang-format locales fonts-dejavu-core)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" != 0 ]; then sudo=sudo; fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
