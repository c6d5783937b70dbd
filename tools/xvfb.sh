# Sourced: makes sure an X display exists. When DISPLAY is unset it starts Xvfb on a free display
# and stops it when the sourcing shell exits (a trap on EXIT: the script must not `exec`).
if [ -z "${DISPLAY:-}" ]; then
  velqor_xvfb_display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$velqor_xvfb_display_file" \
    >/dev/null 2>&1 &
  VELQOR_XVFB_PID=$!
  trap 'kill "$VELQOR_XVFB_PID" 2>/dev/null && wait "$VELQOR_XVFB_PID" 2>/dev/null' EXIT
  # Xvfb writes its display number once it accepts clients.
  for _ in $(seq 100); do [ -s "$velqor_xvfb_display_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$velqor_xvfb_display_file")"
  rm -f "$velqor_xvfb_display_file"
  if [ "$DISPLAY" = ":" ]; then
    echo "Xvfb did not start" >&2
    unset DISPLAY
  fi
fi
