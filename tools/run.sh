#!/bin/bash
# Builds velqor.exe (x86_64) and starts it under Wine, with an Xvfb of its own (stopped at the
# end) when there is no DISPLAY.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
source tools/xvfb.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target velqor
export WINEPREFIX="${WINEPREFIX:-$PWD/build/run-wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
sh tools/wine-fonts.sh
echo "starting velqor.exe on display $DISPLAY (WINEPREFIX $WINEPREFIX)"
# Not exec: the Xvfb started above is stopped when this script ends.
wine build/win64/velqor.exe
