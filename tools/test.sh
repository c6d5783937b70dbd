#!/bin/bash
# Builds the native tests and both Windows builds, and runs every test (the Windows ones under
# Wine with Xvfb), then runs each fuzz target for a bounded time. Prints ctest's summary for each
# build and the fuzzing figures; exits non-zero if any test fails or a fuzz target finds a fault.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh || exit 1
source tools/xvfb.sh
status=0
# True when this machine can start 32-bit programs (the i686 Wine loader).
velqor_runs_32bit() {
  [ -x /usr/lib/wine/wine ] || return 0
  /usr/lib/wine/wine --version >/dev/null 2>&1
  [ $? -ne 126 ]
}
if ! velqor_runs_32bit; then
  # Debian's `wine` and `wineboot` try the 32-bit loader first; on such a kernel the x86_64 tests
  # run through the 64-bit loader alone.
  velqor_wine64_bin=$(mktemp -d)
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
    >"$velqor_wine64_bin/wine"
  printf '#!/bin/sh\nexec "%s/wine" wineboot "$@"\n' "$velqor_wine64_bin" >"$velqor_wine64_bin/wineboot"
  chmod +x "$velqor_wine64_bin/wine" "$velqor_wine64_bin/wineboot"
  export PATH="$velqor_wine64_bin:$PATH"
fi
for preset in native win64 win32; do
  echo "=== $preset ==="
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    echo "build of $preset failed"; status=1; continue
  fi
  # The benchmarks are not run here (timings depend on the machine), but they must still build.
  case "$preset" in
    native) bench_targets="velqor_bench velqor_bench_tests" ;;
    win64) bench_targets="velqor_bench_harness velqor_journal_timing velqor_startup_programs_timing" ;;
    *) bench_targets="" ;;
  esac
  if [ -n "$bench_targets" ] && ! cmake --build --preset "$preset" --target $bench_targets; then
    echo "build of the $preset benchmarks failed"; status=1
  fi
  if [ "$preset" = win32 ] && ! velqor_runs_32bit; then
    # A kernel built without 32-bit support cannot start the i686 Wine loader ("Exec format
    # error"): the i686 build is still made and its imports checked at link, and its package is
    # checked; its Wine tests need a machine that can run them, so say so loudly.
    echo "*** this kernel cannot run 32-bit programs: the i686 Wine tests are NOT run here ***"
    ctest --preset "$preset" -R '^package$' || status=1
    continue
  fi
  ctest --preset "$preset" -j2 || status=1
done
echo "=== fuzz ==="
# Every fuzz target for FUZZ_SECONDS (default 60) each; a finding fails the run.
VELQOR_DEPS_DONE=1 bash tools/fuzz.sh || status=1
exit $status
