#!/usr/bin/env bash
# Plants each one-line fault of scripts/planted-faults.txt in turn (the link
# and the engine), rebuilds the tests in build-faults/ and runs them; a fault
# is caught when any test program fails. Prints one line per fault and the
# count caught, so that a change to the tests can be held against the same
# faults before and after.
#
#   scripts/plant-faults.sh            every fault, every test program (about 90 minutes)
#   scripts/plant-faults.sh --quick    the unit tests only (core, config, link, engine)
#   scripts/plant-faults.sh 3 17 40    only these faults (numbers as the full run prints them)
set -euo pipefail
cd "$(dirname "$0")/.."
programs=(test_core test_config test_link test_engine test_integration test_headless)
picked=()
for arg in "$@"; do
  case "$arg" in
    --quick) programs=(test_core test_config test_link test_engine) ;;
    *) picked+=("$arg") ;;
  esac
done

scripts/install-deps.sh python3 >/dev/null
cmake -S . -B build-faults -DVYR_WERROR=OFF >/dev/null
cmake --build build-faults -j"$(nproc)" --target "${programs[@]}" VYRSourceReturn >/dev/null

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
  if ! cmake --build build-faults -j"$(nproc)" --target "${programs[@]}" VYRSourceReturn >/dev/null 2>&1; then
    broken=$((broken + 1))
    echo "$(printf '%3d' "$n")  does not build   $what"
  else
    by=""
    for prog in "${programs[@]}"; do
      if ! (cd build-faults/tests && QT_QPA_PLATFORM=offscreen timeout 300 "./$prog" >/dev/null 2>&1); then
        by="$prog"
        break
      fi
    done
    if [ -n "$by" ]; then
      caught=$((caught + 1))
      echo "$(printf '%3d' "$n")  caught by $by   $what"
    else
      missed=$((missed + 1))
      echo "$(printf '%3d' "$n")  MISSED   $what"
    fi
  fi
  cp "$work/original" "$file"
  rm -f "$work/file"
done
cmake --build build-faults -j"$(nproc)" --target "${programs[@]}" >/dev/null 2>&1 || true
echo "faults planted: $total; caught: $caught; missed: $missed; did not build: $broken (programs: ${programs[*]})"
