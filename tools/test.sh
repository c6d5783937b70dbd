#!/bin/bash
# Builds the native tests and both Windows builds, and runs every test (the Windows ones under
# Wine with Xvfb), then runs each fuzz target for a bounded time. Prints ctest's summary for each
# build and the fuzzing figures; exits non-zero if any test fails or a fuzz target finds a fault.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh || exit 1
source tools/xvfb.sh
status=0
for preset in native win64 win32; do
  echo "=== $preset ==="
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    echo "build of $preset failed"; status=1; continue
  fi
  ctest --preset "$preset" -j2 || status=1
done
echo "=== fuzz ==="
# Every fuzz target for FUZZ_SECONDS (default 60) each; a finding fails the run.
VELQOR_DEPS_DONE=1 bash tools/fuzz.sh || status=1
exit $status
