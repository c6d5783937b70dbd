#!/bin/sh
# Makes a new, empty WINEPREFIX for one test run and waits until Wine has finished setting it up.
set -eu
: "${WINEPREFIX:?}"
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
# No debugger for a program that crashes: Wine's would sit under the virtual display until the
# test's time-out, where without one the program ends at once and its test fails. Both views of
# the registry, for the 32-bit and the 64-bit programs.
for view in 32 64; do
  WINEDEBUG=-all wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /t REG_SZ /d '' /f "/reg:$view" >/dev/null
done
wineserver -w
sh "$(dirname "$0")/wine-fonts.sh"
echo "fresh WINEPREFIX at $WINEPREFIX"
