#!/usr/bin/env bash
# File faults against the real program: a folder it may not write, a full
# disk under the configuration write, an error log at its set-aside size, and
# configuration files of random or mangled bytes. Each case runs
# VYRSourceReturn itself (headless or --check-config) or vyr-config-write
# (the setup dialog's write path without the window), then prints one row of
# the results table. Needs root: it mounts small tmpfs folders and runs the
# program as the unprivileged user "nobody".
#
#   scripts/file-faults.sh              # builds into build/, then runs every case
#   VYR_SOAK_BUILD_DIR=DIR scripts/file-faults.sh   # another build folder
#   VYR_FAULT_RANDOM=N                  # random configuration files (200)
#
# Exit code 0 when no case crashed the program or broke a rule below, 1
# otherwise. Cases marked "finding" show behaviour worth knowing; they do not
# fail the run. The table also goes to DIR/file-faults.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

build_dir="${VYR_SOAK_BUILD_DIR:-build}"
random_files="${VYR_FAULT_RANDOM:-200}"
if [ "$(id -u)" -ne 0 ]; then
  echo "file-faults.sh: needs root (tmpfs mounts, running as nobody)" >&2
  exit 2
fi

scripts/install-deps.sh
if [ "${build_dir}" = "build" ]; then
  scripts/build.sh --target VYRSourceReturn switcher-sim vyr-config-write
else
  cmake -S . -B "${build_dir}" -DVYR_BUILD_TESTS=OFF -DVYR_WERROR=ON >/dev/null
  cmake --build "${build_dir}" -j2 --target VYRSourceReturn switcher-sim vyr-config-write
fi
build_dir="$(cd "${build_dir}" && pwd)"
prog="${build_dir}/VYRSourceReturn"
sim="${build_dir}/switcher-sim"
writer="${build_dir}/vyr-config-write"

work="$(mktemp -d /tmp/vyr-file-faults-XXXXXX)"
chmod 755 "${work}"
mounts=()
sim_pid=""
cleanup() {
  [ -n "${sim_pid}" ] && kill "${sim_pid}" 2>/dev/null || true
  for m in "${mounts[@]}"; do umount "${m}" 2>/dev/null || true; done
}
trap cleanup EXIT

rows=()
failed=0
# row CASE ACTION OUTCOME VERDICT   (VERDICT: ok, finding or FAIL)
row() {
  rows+=("| $1 | $2 | $3 | $4 |")
  [ "$4" = "FAIL" ] && failed=1
  printf '%-4s %-8s %s\n' "$1" "$4" "$3"
}
# A status the program may end with: 0 or 1; anything else (a signal shows
# as 128+n) is a crash.
clean_status() { [ "$1" -eq 0 ] || [ "$1" -eq 1 ]; }
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
make_tmpfs() {  # make_tmpfs DIR SIZE
  mkdir -p "$1"
  mount -t tmpfs -o "size=$2,mode=0755" tmpfs "$1"
  mounts+=("$1")
}
fill() {  # fill DIR: a filler file takes every free block
  dd if=/dev/zero of="$1/filler" bs=1k 2>/dev/null || true
  sync
}
sha() { sha256sum "$1" | cut -d' ' -f1; }

# The sample configuration, pointed at port 1 where nothing listens, so that
# no run here reaches anybody's simulator.
base="${work}/base.ini"
sed 's/^IP Port=.*/IP Port=1\r/' examples/vyrntpnl.ini > "${base}"
# One that start-up refuses with one error-log line (a watch count past 16 bits).
unusable="${work}/unusable.ini"
printf '[CONFIG]\r\nRefresh Rate=100\r\nWatch Count=40000\r\n' > "${unusable}"

echo "== file faults: ${prog}"
echo "   work folder ${work}"

# ---------------------------------------------------------------- (a) not writable
ro="${work}/ro"
mkdir -p "${ro}"
cp "${unusable}" "${ro}/vyrntpnl.ini"
chmod 755 "${ro}"; chmod 644 "${ro}/vyrntpnl.ini"
# nobody runs a copy of the program from a folder it may read.
bin="${work}/bin"
mkdir -p "${bin}"; cp "${prog}" "${bin}/"; chmod 755 "${bin}"
set +e
out="$(as_nobody "${bin}/VYRSourceReturn" --headless --folder "${ro}" 2>&1)"; rc=$?
set -e
echoed=$(grep -c "error log: " <<<"${out}" || true)
if clean_status "${rc}" && [ "${rc}" -eq 1 ] && [ "${echoed}" -ge 1 ] && [ ! -e "${ro}/Errorlog.txt" ] &&
   grep -q "Error writing to Error file" <<<"${out}"; then v=ok; else v=FAIL; fi
row a1 "folder not writable (as nobody), configuration refused at start-up" \
  "exit ${rc}; ${echoed} error-log lines on standard output (the refusal, then 'Error writing to Error file: $(grep -o 'Error writing to Error file: Error # *[0-9]* - [^|]*' <<<"${out}" | head -1 | sed 's/.*- //')'); no Errorlog.txt" "${v}"

# A usable configuration in the same folder, a simulator that sends a map
# frame claiming 16383 outputs (one error-log line each), stopped by SIGTERM.
sed "s/^IP Port=.*/IP Port=PORT\r/" "${base}" > "${work}/ro-template.ini"
printf 'sleep 600\nraw F6 00 7F 7F 00 00 7E FF\nsleep 200\nraw F6 00 7F 7F 00 00 7E FF\n' > "${work}/bad-frames.txt"
"${sim}" --port 0 --outputs 64 --inputs 64 --script "${work}/bad-frames.txt" </dev/null > "${work}/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do grep -q "listening on" "${work}/sim.log" && break; sleep 0.1; done
port="$(sed -n 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p' "${work}/sim.log" | head -1)"
sed "s/PORT/${port}/" "${work}/ro-template.ini" > "${ro}/vyrntpnl.ini"
set +e
out="$(timeout --preserve-status -s TERM 3 setpriv --reuid=nobody --regid=nogroup --clear-groups \
        "${bin}/VYRSourceReturn" --headless --folder "${ro}" 2>&1)"; rc=$?
set -e
kill "${sim_pid}" 2>/dev/null || true; wait "${sim_pid}" 2>/dev/null || true; sim_pid=""
echoed=$(grep -c "error log: " <<<"${out}" || true)
connected=$(grep -c "connected to" <<<"${out}" || true)
if [ "${rc}" -eq 0 ] && [ "${echoed}" -ge 2 ] && [ ! -e "${ro}/Errorlog.txt" ]; then v=ok; else v=FAIL; fi
row a2 "folder not writable (as nobody), running against the simulator, two bad map frames, SIGTERM after 3 s" \
  "exit ${rc} after SIGTERM; connected ${connected}x; ${echoed} error-log lines on standard output, each failed file write reported once; no Errorlog.txt" "${v}"

# No --folder, the program's own folder not writable and a home folder that
# does not exist (nobody's): where does it look?
set +e
out="$(HOME=/nonexistent XDG_CONFIG_HOME= as_nobody "${bin}/VYRSourceReturn" --headless 2>&1)"; rc=$?
set -e
where="$(grep -o 'no usable configuration in [^;]*' <<<"${out}" | sed 's/no usable configuration in //')"
if [ "${rc}" -eq 1 ] && [ -n "${where}" ]; then v=ok; else v=FAIL; fi
row a3 "no --folder: program folder not writable, home folder missing (as nobody)" \
  "exit ${rc}: 'no usable configuration in ${where}'; nothing written" "${v}"

# ---------------------------------------------------------------- (b) full disk
full="${work}/full"
make_tmpfs "${full}" 64k
cp "${base}" "${full}/vyrntpnl.ini"
before="$(sha "${full}/vyrntpnl.ini")"
fill "${full}"
free_kb="$(df -k --output=avail "${full}" | tail -1 | tr -d ' ')"
set +e
out="$("${writer}" "${full}" 2>&1)"; rc=$?
set -e
after="$(sha "${full}/vyrntpnl.ini")"
leftover="$(ls "${full}" | grep -c '\.new$' || true)"
reason="$(grep -o 'Error Writing ini File: Error # *[0-9]* - [A-Za-z ]*' <<<"${out}" | head -1)"
if [ "${rc}" -eq 1 ] && [ "${before}" = "${after}" ] && [ "${leftover}" -eq 0 ] && [ -n "${reason}" ]; then
  v=ok; else v=FAIL; fi
row b1 "64 KiB tmpfs, vyrntpnl.ini, then a filler until ${free_kb} KiB are free; the setup Ok path (WriteIniFile)" \
  "exit ${rc}, 'not written'; logged '${reason}'; vyrntpnl.ini byte-for-byte as before (sha256 ${before:0:12}…); no vyrntpnl.ini.new left" "${v}"

log_size="$(stat -c %s "${full}/Errorlog.txt" 2>/dev/null || echo none)"
if [ "${log_size}" = "0" ]; then
  row b2 "the same full disk: what became of the error log" \
    "Errorlog.txt created with 0 bytes (its header did not fit); the failure line went to standard output only ('Error writing to Error file: Disk full')" finding
else
  row b2 "the same full disk: what became of the error log" "Errorlog.txt: ${log_size} bytes" ok
fi

rm -f "${full}/filler"
set +e
"${writer}" "${full}" 250 >/dev/null 2>&1; rc=$?
set -e
mode="$(stat -c %a "${full}/vyrntpnl.ini")"
if [ "${rc}" -eq 0 ] && grep -q "^Wait Time=250" "${full}/vyrntpnl.ini" && [ "${mode}" = "600" ]; then v=ok; else v=FAIL; fi
row b3 "filler removed, same write again" "exit ${rc}, written: Wait Time=250 in the file, mode ${mode}" "${v}"

cp "${unusable}" "${full}/vyrntpnl.ini"; rm -f "${full}/Errorlog.txt"
fill "${full}"
set +e
out="$(timeout --preserve-status -s TERM 5 "${prog}" --headless --folder "${full}" 2>&1)"; rc=$?
set -e
echoed=$(grep -c "error log: " <<<"${out}" || true)
if clean_status "${rc}" && [ "${echoed}" -ge 2 ]; then v=ok; else v=FAIL; fi
row b4 "full disk, start-up that logs (configuration refused)" \
  "exit ${rc}; ${echoed} error-log lines on standard output ($(grep -o 'Error writing to Error file: Error # *[0-9]* - [A-Za-z ]*' <<<"${out}" | head -1))" "${v}"
rm -f "${full}/filler"

# ---------------------------------------------------------------- (c) log set-aside
limit=1024000  # kErrorLogRotateBytes in src/core/ErrorLog.h
logline() {  # one start-up that writes exactly one error-log line into $1
  cp "${unusable}" "$1/vyrntpnl.ini"
  "${prog}" --headless --folder "$1" >/dev/null 2>&1 || true
}
wait_for_minute_room() {  # keep two runs inside one minute
  while [ "$(date +%S | sed 's/^0//')" -gt 50 ]; do sleep 1; done
}
archives() { ls "$1" | grep -c '^Errorlog .*\.txt$' || true; }

c="${work}/c1"; mkdir -p "${c}"
head -c $((limit - 1)) /dev/zero | tr '\0' 'x' > "${c}/Errorlog.txt"
logline "${c}"
size1="$(stat -c %s "${c}/Errorlog.txt")"; n1="$(archives "${c}")"
cp "${c}/Errorlog.txt" "${work}/c1-before"
logline "${c}"
arch="$(ls "${c}" | grep '^Errorlog .*\.txt$' | head -1)"
lines_now="$(wc -l < "${c}/Errorlog.txt")"
if [ "${n1}" -eq 0 ] && [ "${size1}" -gt "${limit}" ] && [ -n "${arch}" ] &&
   cmp -s "${work}/c1-before" "${c}/${arch}" && [ "${lines_now}" -eq 12 ]; then v=ok; else v=FAIL; fi
row c1 "Errorlog.txt one byte below the limit (${limit}), then two lines" \
  "1st line appended (${size1} bytes, no set-aside); 2nd: old log set aside as '${arch}' byte-for-byte, new Errorlog.txt = 11 header lines + the line" "${v}"

c="${work}/c2"; mkdir -p "${c}"
head -c "${limit}" /dev/zero | tr '\0' 'x' > "${c}/Errorlog.txt"
cp "${c}/Errorlog.txt" "${work}/c2-before"
logline "${c}"
arch="$(ls "${c}" | grep '^Errorlog .*\.txt$' | head -1)"
if [ -n "${arch}" ] && cmp -s "${work}/c2-before" "${c}/${arch}" && [ "$(wc -l < "${c}/Errorlog.txt")" -eq 12 ]; then
  v=ok; else v=FAIL; fi
row c2 "Errorlog.txt exactly at the limit, one line" "set aside at once as '${arch}' (identical), new log with header + the line" "${v}"

c="${work}/c3"; mkdir -p "${c}"
wait_for_minute_room
head -c "${limit}" /dev/zero | tr '\0' 'a' > "${c}/Errorlog.txt"
logline "${c}"
head -c "${limit}" /dev/zero | tr '\0' 'b' > "${c}/Errorlog.txt"
logline "${c}"
arch="$(ls "${c}" | grep '^Errorlog .*\.txt$' | head -1)"
first_kept="$(grep -c a "${c}/${arch}" || true)"
if [ "$(archives "${c}")" -eq 1 ] && [ "${first_kept}" -eq 0 ]; then
  row c3 "two set-asides within one minute" \
    "both go to '${arch}' (the name has minutes only); the second overwrites the first: the first 1 MB of log is gone" finding
else
  row c3 "two set-asides within one minute" "$(archives "${c}") set-aside files" ok
fi

c="${work}/c4"; mkdir -p "${c}"
wait_for_minute_room
for m in 0 1; do mkdir -p "${c}/Errorlog $(date -d "+${m} min" '+%m%d%y %H%M').txt"; done
head -c "${limit}" /dev/zero | tr '\0' 'x' > "${c}/Errorlog.txt"
cp "${unusable}" "${c}/vyrntpnl.ini"
set +e
out="$("${prog}" --headless --folder "${c}" 2>&1)"; rc=$?
set -e
in_file="$(grep -c "Error Reading ini file" "${c}/Errorlog.txt" || true)"
if clean_status "${rc}" && [ "${in_file}" -eq 0 ]; then
  row c4 "set-aside name taken by a folder" \
    "exit ${rc}; set-aside fails ('$(grep -o 'Error writing to Error file: Error # *[0-9]* - [A-Za-z/ ]*' <<<"${out}" | head -1)'); the line is on standard output only, not appended to the full log" finding
elif clean_status "${rc}"; then
  row c4 "set-aside name taken by a folder" "exit ${rc}; the full log set aside under the next number, the line in the new log" ok
else
  row c4 "set-aside name taken by a folder" "exit ${rc}" FAIL
fi

# ---------------------------------------------------------------- (e) log storm
# A Server Module that sends undecodable frames as fast as it can for 7 s
# (two million, 16 MB): each one is the same error-log line again.
storm="${work}/storm"; mkdir -p "${storm}"
frames="$(printf 'F6 00 7F 7F 00 00 7E FF %.0s' $(seq 500))"
{ echo "sleep 500"; for _ in $(seq 4000); do echo "raw ${frames}"; done; } > "${work}/storm.txt"
"${sim}" --port 0 --outputs 64 --inputs 64 --quiet --script "${work}/storm.txt" </dev/null > "${work}/storm-sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do grep -q "listening on" "${work}/storm-sim.log" && break; sleep 0.1; done
port="$(sed -n 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p' "${work}/storm-sim.log" | head -1)"
# Time Out 3600: the link stays up while the simulator is busy sending.
sed -e "s/^IP Port=.*/IP Port=${port}\r/" -e "s/^Time Out=.*/Time Out=3600\r/" "${base}" > "${storm}/vyrntpnl.ini"
set +e
timeout --preserve-status -s TERM 7 "${prog}" --headless --folder "${storm}" > "${work}/storm.out" 2>&1; rc=$?
set -e
kill "${sim_pid}" 2>/dev/null || true; wait "${sim_pid}" 2>/dev/null || true; sim_pid=""
logs="$(ls "${storm}" | grep -c '^Errorlog.*\.txt$' || true)"
log_bytes="$(cat "${storm}"/Errorlog*.txt 2>/dev/null | wc -c)"
echoed=$(grep -c "error log: " "${work}/storm.out" || true)
repeated="$(grep -o 'last message repeated [0-9]* times' "${work}/storm.out" | awk '{n += $4} END {print n + 0}')"
if [ "${rc}" -eq 0 ] && [ "${logs}" -le 11 ] && [ "${log_bytes}" -le 11500000 ]; then v=ok; else v=FAIL; fi
row e1 "a Server Module sending undecodable map frames as fast as it can, 7 s, then SIGTERM" \
  "exit ${rc}; ${logs} log file(s), ${log_bytes} bytes; ${echoed} error-log lines on standard output; ${repeated} repeats counted in 'last message repeated N times' lines" "${v}"

# The set-aside logs are capped: twelve old ones and a full log, one more line.
cap="${work}/cap"; mkdir -p "${cap}"
for m in $(seq 10 21); do
  echo old > "${cap}/Errorlog 010203 04${m}.txt"; touch -d "2003-01-02 04:${m}" "${cap}/Errorlog 010203 04${m}.txt"
done
head -c "${limit}" /dev/zero | tr '\0' 'x' > "${cap}/Errorlog.txt"
logline "${cap}"
left="$(archives "${cap}")"
oldest="$(ls "${cap}" | grep '^Errorlog .*\.txt$' | sort | head -1)"
if [ "${left}" -eq 10 ] && [ ! -e "${cap}/Errorlog 010203 0410.txt" ]; then v=ok; else v=FAIL; fi
row e2 "12 set-aside logs in the folder, Errorlog.txt at the limit, one more line" \
  "${left} set-aside logs left (the three oldest removed; oldest now '${oldest}'); at most 11 log files of about 1 MB each" "${v}"

# ---------------------------------------------------------------- (d) bad files
cases="${work}/d"; mkdir -p "${cases}"
n=0
for i in $(seq "${random_files}"); do
  size=$(( (RANDOM * 32768 + RANDOM) % 8192 ))
  [ $((i % 10)) -eq 0 ] && size=$(( RANDOM % 64 ))
  head -c "${size}" /dev/urandom > "${cases}/random-$(printf %03d "${i}").ini"
done
len="$(stat -c %s "${base}")"
for cut in $(seq 0 37 "${len}") $((len - 1)) $((len - 2)); do
  head -c "${cut}" "${base}" > "${cases}/truncated-$(printf %05d "${cut}").ini"
done
tr -d '\r' < "${base}" > "${cases}/mangled-lf-only.ini"
tr '\n' '\r' < "${base}" | tr -d '\n' > "${cases}/mangled-cr-only.ini"
sed 's/\r$/\r\r/' "${base}" > "${cases}/mangled-cr-cr-lf.ini"
tr -d '\r' < "${base}" | sed 's/$/\r/' | tr '\n\r' '\r\n' > "${cases}/mangled-lf-cr.ini"
sed 's/=/\x00=/' "${base}" > "${cases}/mangled-nul-before-equals.ini"
sed 's/^\[/[[/' "${base}" > "${cases}/mangled-double-bracket.ini"
{ printf '\xef\xbb\xbf'; cat "${base}"; } > "${cases}/mangled-utf8-bom.ini"
iconv -f latin1 -t utf-16 "${base}" > "${cases}/mangled-utf16.ini" 2>/dev/null || true
awk 'BEGIN{srand(7)} {if (rand() < 0.5) sub(/\r$/, ""); print}' "${base}" > "${cases}/mangled-mixed-ends.ini"
{ cat "${base}"; head -c 300000 /dev/zero | tr '\0' 'A'; } > "${cases}/mangled-long-tail.ini"
printf '[CONFIG]\r\nWatch Count=32767\r\n' > "${cases}/hostile-watch-32767.ini"
printf '[CONFIG]\r\nRefresh Rate=-5\r\nTime Out=1e400\r\nWait Time=nan\r\n' > "${cases}/hostile-numbers.ini"
printf '[SETUP]\r\nIP Port=99999999999\r\n[CONFIG]\r\nWatch Count=1\r\nOutput 01=-1\r\n' > "${cases}/hostile-port.ini"
printf '[CONFIG]\r\nConsole Count=32767\r\nAirChain Count=32767\r\n' > "${cases}/hostile-counts.ini"
{ printf '[CONFIG]\r\nExceptions='; head -c 200000 /dev/zero | tr '\0' '1'; printf '\r\n'; } > "${cases}/hostile-exceptions.ini"
printf '[SECURITY]\r\nPassword=\x01\x01\r\n' > "${cases}/hostile-password.ini"

declare -A check_codes=() headless_codes=()
check_crashes=0
headless_crashes=0
crashed_files=()
for f in "${cases}"/*.ini; do
  n=$((n + 1))
  set +e
  timeout --preserve-status -s KILL 20 "${prog}" --check-config "${f}" >/dev/null 2>&1; rc=$?
  set -e
  check_codes[${rc}]=$(( ${check_codes[${rc}]:-0} + 1 ))
  if ! clean_status "${rc}"; then
    check_crashes=$((check_crashes + 1)); crashed_files+=("check ${rc} ${f}")
  fi

  folder="${work}/run"; rm -rf "${folder}"; mkdir -p "${folder}"; cp "${f}" "${folder}/vyrntpnl.ini"
  set +e
  timeout --preserve-status -s TERM 1 "${prog}" --headless --folder "${folder}" >/dev/null 2>&1; rc=$?
  set -e
  headless_codes[${rc}]=$(( ${headless_codes[${rc}]:-0} + 1 ))
  if ! clean_status "${rc}"; then
    headless_crashes=$((headless_crashes + 1)); crashed_files+=("headless ${rc} ${f}")
  fi
done
summary() {  # "code:count ..." of an associative array named $1
  local -n codes=$1; local text=""
  for k in $(printf '%s\n' "${!codes[@]}" | sort -n); do text+="exit ${k}: ${codes[${k}]}, "; done
  echo "${text%, }"
}
kept=""
if [ $((check_crashes + headless_crashes)) -gt 0 ]; then
  mkdir -p "${build_dir}/file-faults-crashes"
  for c in "${crashed_files[@]}"; do cp "${c##* }" "${build_dir}/file-faults-crashes/"; done
  kept="; files kept in ${build_dir}/file-faults-crashes"
fi
if [ "${check_crashes}" -eq 0 ]; then v=ok; else v=FAIL; fi
row d1 "${n} bad files (${random_files} random 0-8 KiB from /dev/urandom, $(ls "${cases}" | grep -c truncated) truncated copies of the sample, $(ls "${cases}" | grep -c mangled) line-end/encoding mangles, $(ls "${cases}" | grep -c hostile) hostile values) through --check-config" \
  "$(summary check_codes); ${check_crashes} crashes${kept}" "${v}"
if [ "${headless_crashes}" -eq 0 ]; then v=ok; else v=FAIL; fi
row d2 "the same ${n} files as vyrntpnl.ini, --headless, SIGTERM after 1 s" \
  "$(summary headless_codes); ${headless_crashes} crashes${kept}" "${v}"

# ---------------------------------------------------------------- table
{
  echo
  echo "| case | what was done | what the program did | verdict |"
  echo "|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
} | tee "${build_dir}/file-faults.txt"
echo
echo "work folder: ${work}"
exit "${failed}"
