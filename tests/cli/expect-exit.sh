#!/bin/sh
# expect-exit.sh CODE [--says REGEX] COMMAND...: passes when COMMAND exits
# with exactly CODE (a crash or any other code fails) and, with --says,
# prints a line matching REGEX (grep -E) on standard output or error.
expected=$1
shift
says=""
if [ "$1" = "--says" ]; then
  says=$2
  shift 2
fi
out="$("$@" 2>&1)"
rc=$?
printf '%s\n' "$out"
[ "$rc" -eq "$expected" ] || { echo "exit code $rc, expected $expected" >&2; exit 1; }
[ -z "$says" ] || printf '%s\n' "$out" | grep -qE "$says" || { echo "no line matches: $says" >&2; exit 1; }
