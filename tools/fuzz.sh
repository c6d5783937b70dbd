#!/bin/bash
# Builds the libFuzzer targets (preset fuzz: clang, ASan + UBSan) and runs each one for
# FUZZ_SECONDS seconds (default 60), starting from its committed corpus in fuzz/corpus/<target>.
# New inputs go to build/fuzz/corpus/<target>, findings to build/fuzz/artifacts. Prints how long
# each target ran, its executions per second and corpus size; exits non-zero on any finding.
# Set VELQOR_DEPS_DONE=1 when tools/deps.sh has run already (tools/test.sh does).
set -uo pipefail
cd "$(dirname "$0")/.."
if [ "${VELQOR_DEPS_DONE:-0}" != 1 ]; then
  bash tools/deps.sh || exit 1
fi
seconds=${FUZZ_SECONDS:-60}
targets=(fuzz_script_verbs fuzz_registry fuzz_startup_delete fuzz_popup_events fuzz_journal
         fuzz_program_path fuzz_startup_actions)

if ! { cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; }; then
  echo "build of the fuzz targets failed"
  exit 1
fi

status=0
artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
printf '%-22s %8s %10s %10s %8s  %s\n' target seconds runs exec/s corpus result
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/$target
  work=build/fuzz/corpus/$target
  log=build/fuzz/$target.log
  mkdir -p "$work"
  options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$artifacts/$target-")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  start=$(date +%s)
  dirs=("$work")
  [ -d "$seeds" ] && dirs+=("$seeds")
  build/fuzz/fuzz/"$target" "${options[@]}" "${dirs[@]}" >"$log" 2>&1
  rc=$?
  elapsed=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  corpus=$(find "${dirs[@]}" -type f | wc -l)
  if [ $rc -eq 0 ]; then
    result=ok
  else
    result="FINDING (exit $rc)"
    status=1
  fi
  printf '%-22s %8s %10s %10s %8s  %s\n' "$target" "$elapsed" "${runs:-?}" "${rate:-?}" \
    "$corpus" "$result"
  if [ $rc -ne 0 ]; then
    # What broke, and the input that reproduces it.
    { grep -A1 'property broken' "$log"; grep -E 'ERROR: |SUMMARY: |Test unit written' "$log"
      grep -E '^ +#[0-9]+ .* in velqor::' "$log" | head -6; } | cut -c1-240 | sed 's/^/    /'
    echo "    reproduce: build/fuzz/fuzz/$target <input>; full log: $log"
  fi
done
exit $status
