#!/bin/sh
# Runs the Windows timing harness and the two timing programs (startup programs window, change
# journal) under Wine in a prefix of their own (made on first use), on an X display of its own:
# another program's windows on a shared display take the focus and the X server's time, which
# would fall on whichever start or command was being timed. Every program runs even when one
# before it fails; the exit status is non-zero when any of them did.
# Usage: run-harness.sh <prefix> <wine> <harness.exe> <velqor.exe> <minimal window exe>
#          <bare form exe> <startup programs timing exe> <journal timing exe>
# VELQOR_BENCH_ONLY=startup|commands|fill runs that part of the harness alone; =startup-programs
# the startup programs timing alone; =journal the harness's journal part and the journal timing.
set -eu
prefix=$1 wine=$2 harness=$3 velqor=$4 minimal=$5 bare=$6 programs=$7 journal=$8
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
only=${VELQOR_BENCH_ONLY:-}
status=0
run() {
  echo "--- $1 ---"
  shift
  "$wine" "$@" || status=1
}
case $only in
  '' | startup | commands | fill | journal) run "timing harness" "$harness" "$velqor" "$minimal" "$bare" ;;
esac
# The counts the documented figures were taken with: 10,000 Run entries, medians of 5 rounds;
# the journal's medians of 31 runs.
case $only in
  '' | startup-programs) run "startup programs window" "$programs" 10000 5 ;;
esac
case $only in
  '' | journal) run "change journal" "$journal" 31 ;;
esac
# The prefix's wineserver belongs to this display's programs: end it with the display.
wineserver -k 2>/dev/null || true
exit $status
