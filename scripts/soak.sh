#!/usr/bin/env bash
# Soak run: builds the program, the switcher simulator and vyr-soak, then
# runs the real headless program against the simulator through 1,000
# connection drops and 1,000,000 messages with silent, deaf, stalled,
# flooding and garbage-sending Server Modules in between (about 15-20 minutes on two
# cores). Prints the summary (crashes, Offs taken and returned, resident
# memory, error-log lines) and keeps it with the whole output:
#
#   scripts/soak.sh                  # the full run
#   scripts/soak.sh --quick          # a one-minute smoke run
#   scripts/soak.sh --seed 42 ...    # any other vyr-soak option (vyr-soak --help)
#   VYR_SOAK_BUILD_DIR=DIR scripts/soak.sh   # build into DIR instead of build/
#
# Output: DIR/soak-output.txt (everything), DIR/soak-summary.txt (the
# summary), DIR/soak-work/ (configuration, error log, the program's output).
# Exit code: vyr-soak's (0 when every goal held, 1 when one did not).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${VYR_SOAK_BUILD_DIR:-build}"
scripts/install-deps.sh
if [ "${build_dir}" = "build" ]; then
  scripts/build.sh --target VYRSourceReturn switcher-sim vyr-soak
else
  cmake -S . -B "${build_dir}" -DVYR_BUILD_TESTS=OFF -DVYR_WERROR=ON >/dev/null
  cmake --build "${build_dir}" -j2 --target VYRSourceReturn switcher-sim vyr-soak
fi

out="${build_dir}/soak-output.txt"
summary="${build_dir}/soak-summary.txt"
work="${build_dir}/soak-work"
rm -rf "${work}"

commit="$(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
if [ -n "$(git status --porcelain --untracked-files=no -- src 2>/dev/null)" ]; then
  commit="${commit} (src/ has uncommitted changes)"
fi
{
  echo "== soak run $(date -u '+%Y-%m-%d %H:%M UTC'), commit ${commit}"
  echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), kernel $(uname -r)"
} | tee "${out}"

set +e
"${build_dir}/vyr-soak" "${build_dir}/VYRSourceReturn" --work-dir "${work}" "$@" 2>&1 | tee -a "${out}"
rc=${PIPESTATUS[0]}
set -e
{ head -2 "${out}"; sed -n '/==== vyr-soak summary ====/,$p' "${out}"; } > "${summary}"
echo "== summary in ${summary}, the program's output in ${work}/panel-output.log"
exit "${rc}"
