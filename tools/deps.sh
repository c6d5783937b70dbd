#!/bin/bash
# Installs what building and testing Velqor needs on Debian, as root, only where it is missing.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for pkg in cmake g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev \
           mingw-w64 wine wine64 fonts-wine xvfb xauth imagemagick x11-utils \
           clang libclang-rt-14-dev; do
  have "$pkg" || need+=("$pkg")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
have wine32:i386 || need+=("wine32:i386")
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
elif [ "${need_update:-0}" = 1 ]; then
  apt-get update -qq
fi
