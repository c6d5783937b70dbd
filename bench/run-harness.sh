#!/bin/sh
# Runs the Windows timing harness under Wine in a prefix of its own (made on first use), with an
# X display (Xvfb when there is none).
# Usage: run-harness.sh <prefix> <wine> <harness.exe> <velqor.exe> <minimal window exe>
set -eu
prefix=$1 wine=$2 harness=$3 velqor=$4 minimal=$5
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tools/xvfb.sh"
export WINEPREFIX="$prefix" WINEDEBUG=-all
if [ ! -f "$prefix/system.reg" ]; then
  sh "$here/../tools/fresh-wineprefix.sh"
fi
exec "$wine" "$harness" "$velqor" "$minimal"
