#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang into build-fuzz/ and runs each for
# SECONDS (default 60) on a copy of its seed corpus (fuzz/corpus/<harness>/),
# then prints executions, speed, coverage and findings per harness. Inputs
# that crash, leak, hang or run out of memory are kept in
# build-fuzz/findings/<harness>/; the script exits 1 when there is any.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }
harnesses=(receive config parsers)

scripts/install-deps.sh clang-14 libclang-rt-14-dev
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DVYR_FUZZ=ON -DVYR_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 --target "${harnesses[@]/#/fuzz_}"

# Leaks are looked for after every input (LeakSanitizer); undefined behaviour
# stops the run with its stack.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

failed=0
summary=()
for h in "${harnesses[@]}"; do
  work=build-fuzz/fuzz-work/$h
  findings=build-fuzz/findings/$h
  log=build-fuzz/fuzz-work/$h.log
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  cp fuzz/corpus/"$h"/* "$work"/
  extra=()
  [ -f fuzz/"$h".dict ] && extra+=(-dict=fuzz/"$h".dict)
  before=$(ls "$findings" | wc -l)

  echo "== fuzz_$h: ${seconds} s"
  rc=0
  build-fuzz/fuzz/fuzz_"$h" "$work" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/" "${extra[@]}" >"$log" 2>&1 || rc=$?

  stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
  runs=$(stat number_of_executed_units)
  speed=$(stat average_exec_per_sec)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  found=$(( $(ls "$findings" | grep -cE '^(crash|leak|timeout|oom)-' || true) ))
  new=$(( $(ls "$findings" | wc -l) - before ))
  if [ "$rc" -ne 0 ] || [ "$new" -gt 0 ]; then
    failed=1
    result="FOUND (exit $rc): see $log and $findings/"
    grep -E 'invariant broken|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|SUMMARY' "$log" | head -5 || true
    if grep -q 'LeakSanitizer has encountered a fatal error' "$log"; then
      echo "LeakSanitizer cannot run here (ptrace refused?); rerun with ASAN_OPTIONS=detect_leaks=0" >&2
    fi
  else
    result="nothing found"
  fi
  summary+=("$(printf '%-14s %10s runs %7s exec/s  cov %5s  %s' "fuzz_$h" "${runs:-?}" "${speed:-?}" "${cov:-?}" "$result")")
  [ "$found" -gt "$new" ] && summary+=("               (older findings kept in $findings/)")
done

echo
printf '%s\n' "${summary[@]}"
exit "$failed"
