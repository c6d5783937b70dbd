#!/bin/sh
# Runs the Windows timing harness under Wine in a prefix of its own (made on first use), on an X
# display of its own: another program's windows on a shared display take the focus and the X
# server's time, which would fall on whichever start or command was being timed.
# Usage: run-harness.sh <prefix> <wine> <harness.exe> <velqor.exe> <minimal window exe> <bare form exe>
set -eu
prefix=$1 wine=$2 harness=$3 velqor=$4 minimal=$5 bare=$6
here=$(cd "$(dirname "$0")" && pwd)
# Xvfb picks a free display number and writes it to the file; it is stopped when the run ends.
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$number"' EXIT INT TERM
for _ in $(seq 50); do [ -s "$number" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$number")" WINEPREFIX="$prefix" WINEDEBUG=-all
if [ ! -f "$prefix/system.reg" ]; then
  sh "$here/../tools/fresh-wineprefix.sh"
fi
status=0
"$wine" "$harness" "$velqor" "$minimal" "$bare" || status=$?
# The prefix's wineserver belongs to this display's programs: end it with the display.
wineserver -k 2>/dev/null || true
exit $status
