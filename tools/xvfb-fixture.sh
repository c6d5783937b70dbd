#!/bin/sh
# The X display of one ctest run of a Windows preset, for a shell without DISPLAY:
#   xvfb-fixture.sh start DIR        starts Xvfb on a free display unless DISPLAY is set
#   xvfb-fixture.sh run DIR CMD...   runs CMD with that display (or the caller's own)
#   xvfb-fixture.sh stop DIR         ends the Wine programs of WINEPREFIX (if set) and that Xvfb
# DIR keeps the display and the Xvfb's process id between the three.
set -eu
action=$1
dir=$2
shift 2
case "$action" in
  start)
    mkdir -p "$dir"
    rm -f "$dir/display" "$dir/pid"
    if [ -n "${DISPLAY:-}" ]; then
      echo "using DISPLAY $DISPLAY"
      exit 0
    fi
    # Detached from ctest's output, so that ctest does not wait for it.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display.new" \
      </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/pid"
    for _ in $(seq 100); do [ -s "$dir/display.new" ] && break; sleep 0.1; done
    if [ ! -s "$dir/display.new" ]; then
      echo "Xvfb did not start" >&2
      exit 1
    fi
    echo ":$(head -n1 "$dir/display.new")" >"$dir/display"
    rm -f "$dir/display.new"
    echo "started Xvfb on $(cat "$dir/display") (process $(cat "$dir/pid"))"
    ;;
  run)
    if [ -z "${DISPLAY:-}" ] && [ -s "$dir/display" ]; then
      DISPLAY=$(cat "$dir/display")
      export DISPLAY
    fi
    exec "$@"
    ;;
  stop)
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
      wineserver -k 2>/dev/null || true
    fi
    if [ -s "$dir/pid" ]; then
      kill "$(cat "$dir/pid")" 2>/dev/null || true
      echo "stopped Xvfb (process $(cat "$dir/pid"))"
    fi
    rm -f "$dir/display" "$dir/pid"
    ;;
  *)
    echo "usage: $0 start|run|stop DIR [CMD...]" >&2
    exit 2
    ;;
esac
