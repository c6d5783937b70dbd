#!/bin/bash
# Builds and runs every benchmark: the native Google Benchmark suite (Release, no sanitizers)
# and, under Wine (x86_64), the Windows timing harness and the timing programs of the startup
# programs window and of the change journal. Prints every figure with PASS/FAIL per ratio, and at
# the end every line that failed; exits non-zero when a ratio is over its limit or a build fails.
# Timings depend on the machine: this is not part of tools/test.sh or CI.
# Usage: bash tools/bench.sh [native|win64]...   (default: both)
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh || exit 1
source tools/xvfb.sh
builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=(native win64)
status=0
logs=()
for build in "${builds[@]}"; do
  dir=build/bench-$build
  echo "=== bench: $build ($dir) ==="
  mkdir -p "$dir"
  logs+=("$dir/bench.log")
  : >"$dir/bench.log"
  case $build in
    native)
      cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELQOR_SANITIZE=OFF -DBUILD_TESTING=OFF \
        >/dev/null || { echo "configure of $build failed"; status=1; continue; } ;;
    win64|win32)
      arch=x86_64; [ "$build" = win32 ] && arch=i686
      cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-$arch-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CROSSCOMPILING_EMULATOR=wine -DBUILD_TESTING=OFF \
        >/dev/null || { echo "configure of $build failed"; status=1; continue; } ;;
    *) echo "unknown build $build"; status=1; continue ;;
  esac
  # The bench target builds the benchmark programs, runs them and fails when a ratio does.
  cmake --build "$dir" --target bench -j2 2>&1 | tee "$dir/bench.log" || status=1
done
if [ $status -eq 0 ]; then
  echo "bench: every ratio PASS"
elif grep -q ' FAIL' "${logs[@]}"; then
  echo "bench: FAIL, on these lines:"
  grep -h ' FAIL' "${logs[@]}" | sed 's/^/  /'
else
  echo "bench: FAIL (a build or a run failed; see above)"
fi
exit $status
