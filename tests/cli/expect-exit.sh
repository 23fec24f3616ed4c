#!/bin/sh
# expect-exit.sh CODE COMMAND...: passes when COMMAND exits with exactly CODE
# (a crash or any other code fails).
expected=$1
shift
"$@"
rc=$?
[ "$rc" -eq "$expected" ] || { echo "exit code $rc, expected $expected" >&2; exit 1; }
