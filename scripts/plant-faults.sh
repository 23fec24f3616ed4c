#!/usr/bin/env bash
# Plants each one-line fault of scripts/planted-faults.txt in turn (the link
# and the engine) and runs the test programs against it; a fault is caught
# when any test program fails. Prints one line per fault and the count caught,
# so that a change to the tests can be held against the same faults before
# and after.
#
# After a fault is planted, only the program about to run is built; the next
# one is built and run only if it passes. The cheap programs most likely to
# catch a fault in the link or the engine go first. A fault that breaks the
# build of a program it reaches "does not build".
#
#   scripts/plant-faults.sh            every fault, every test program
#   scripts/plant-faults.sh --quick    the unit tests only (link, engine, core, config)
#   scripts/plant-faults.sh 3 17 40    only these faults (numbers as the full run prints them)
#
#   VYR_FAULTS_BUILD   build folder (default build-faults)
#   VYR_FAULTS_JOBS    build jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VYR_FAULTS_BUILD:-build-faults}
jobs=${VYR_FAULTS_JOBS:-$(nproc)}
programs=(test_link test_engine test_core test_config test_integration test_headless)
picked=()
for arg in "$@"; do
  case "$arg" in
    --quick) programs=(test_link test_engine test_core test_config) ;;
    *) picked+=("$arg") ;;
  esac
done

# Builds one program; test_headless runs the built program itself.
build_program() {
  local targets=("$1")
  if [ "$1" = test_headless ]; then targets=(VYRSourceReturn test_headless); fi
  cmake --build "$build" -j"$jobs" --target "${targets[@]}" >/dev/null 2>&1
}
# Runs one program; its cases run against this build's program, whatever the
# environment names.
run_program() {
  (cd "$build/tests" && env -u VYR_TEST_PROGRAM QT_QPA_PLATFORM=offscreen timeout 300 "./$1" >/dev/null 2>&1)
}

scripts/install-deps.sh python3 >/dev/null
cmake -S . -B "$build" -DVYR_WERROR=OFF >/dev/null
# Every program builds and passes before any fault is planted; otherwise each
# fault would count as caught.
cmake --build "$build" -j"$jobs" --target "${programs[@]}" VYRSourceReturn >/dev/null
for prog in "${programs[@]}"; do
  run_program "$prog" || { echo "$prog fails without a planted fault" >&2; exit 1; }
done

work=$(mktemp -d)
restore() {
  if [ -f "$work/file" ]; then cp "$work/original" "$(cat "$work/file")"; fi
  rm -rf "$work"
}
trap restore EXIT

# Splits the table into one folder per fault: file, find, replace.
python3 - "$work" <<'PY'
import sys, pathlib
out = pathlib.Path(sys.argv[1])
lines = [l for l in open("scripts/planted-faults.txt", encoding="latin-1").read().split("\n")
         if not l.startswith("#")]
blocks, block = [], []
for l in lines + [""]:
    if l == "":
        if block: blocks.append(block)
        block = []
    else:
        block.append(l)
for n, (path, find, repl) in enumerate(blocks, 1):
    d = out / f"{n:03d}"
    d.mkdir()
    (d / "path").write_text(path)
    (d / "find").write_text(find.replace("\\n", "\n"), encoding="latin-1")
    (d / "replace").write_text(repl.replace("\\n", "\n"), encoding="latin-1")
PY

caught=0; missed=0; broken=0; total=0
for d in "$work"/[0-9]*; do
  n=$((10#$(basename "$d")))
  if [ ${#picked[@]} -gt 0 ] && [[ ! " ${picked[*]} " =~ " $n " ]]; then continue; fi
  file=$(cat "$d/path")
  cp "$file" "$work/original"
  echo "$file" > "$work/file"
  python3 - "$file" "$d/find" "$d/replace" <<'PY'
import sys
path, find, repl = sys.argv[1], open(sys.argv[2], encoding="latin-1").read(), open(sys.argv[3], encoding="latin-1").read()
text = open(path, encoding="latin-1").read()
if text.count(find) != 1:
    sys.exit(f"fault text not found once in {path}: {find!r}")
open(path, "w", encoding="latin-1").write(text.replace(find, repl))
PY
  total=$((total + 1))
  what="$file: $(head -c 70 "$d/replace" | tr '\n' ' ')"
  outcome=missed by=""
  for prog in "${programs[@]}"; do
    if ! build_program "$prog"; then
      outcome=broken
      break
    fi
    if ! run_program "$prog"; then
      outcome=caught by="$prog"
      break
    fi
  done
  case "$outcome" in
    broken)
      broken=$((broken + 1))
      echo "$(printf '%3d' "$n")  does not build   $what"
      ;;
    caught)
      caught=$((caught + 1))
      echo "$(printf '%3d' "$n")  caught by $by   $what"
      ;;
    *)
      missed=$((missed + 1))
      echo "$(printf '%3d' "$n")  MISSED   $what"
      ;;
  esac
  cp "$work/original" "$file"
  rm -f "$work/file"
done
# Leaves the build folder matching the restored sources.
cmake --build "$build" -j"$jobs" --target "${programs[@]}" >/dev/null 2>&1 || true
echo "faults planted: $total; caught: $caught; missed: $missed; did not build: $broken (programs: ${programs[*]})"
