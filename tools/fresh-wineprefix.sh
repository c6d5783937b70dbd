#!/bin/sh
# Makes a new, empty WINEPREFIX for one test run and waits until Wine has finished setting it up.
set -eu
: "${WINEPREFIX:?}"
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
wineserver -w
sh "$(dirname "$0")/wine-fonts.sh"
echo "fresh WINEPREFIX at $WINEPREFIX"
