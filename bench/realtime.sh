#!/usr/bin/env bash
# The real-time tools on a private JACK server with the dummy driver.
#
#   bench/realtime.sh [build-dir]      (default: build)
#
# droska sends 1 MiB of SysEx, then 64 messages of 16 KiB, to a counting
# client; the table shows the bytes delivered and the time against the
# physical limit of DIN MIDI (3,125 bytes/s; JACK has no such limit).
# Not part of the tests: figures depend on the machine and its load.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
[ -x "$bin/droska" ] || { echo "realtime.sh: $bin/droska not built (scripts/build $build)" >&2; exit 1; }
command -v jackd >/dev/null || { echo "realtime.sh: jackd missing (scripts/setup installs jackd2)" >&2; exit 1; }

work=$(mktemp -d)
export JACK_DEFAULT_SERVER=zamo-bench-$$
jackd_pid=""
count_pid=""
cleanup() {
  [ -n "$count_pid" ] && kill "$count_pid" 2>/dev/null || true
  [ -n "$jackd_pid" ] && { kill "$jackd_pid" 2>/dev/null; wait "$jackd_pid" 2>/dev/null; } || true
  rm -rf "$work"
}
trap cleanup EXIT

g++ -O2 -std=c++20 bench/jack_count.cpp -o "$work/jack_count" $(pkg-config --cflags --libs jack)

start_server() {
  jackd "$1" -n "$JACK_DEFAULT_SERVER" -p 64 -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
  jackd_pid=$!
  jack_wait -w -t 10 >/dev/null 2>&1 && kill -0 "$jackd_pid" 2>/dev/null
}
start_server -R || start_server --no-realtime || { echo "realtime.sh: jackd did not start" >&2; cat "$work/jackd.log" >&2; exit 1; }

# one_message SIZE: a SysEx message of SIZE bytes.
one_message() {
  { printf '\xf0'; head -c $(($1 - 2)) /dev/zero | tr '\0' '\021'; printf '\xf7'; }
}
one_message 1048576 >"$work/big.syx"
for _ in $(seq 64); do one_message 16384; done >"$work/many.syx"

printf '%-22s %10s %10s %9s %12s %9s\n' run "bytes" "delivered" "events" "droska ms" "DIN s"
# send_counted LABEL FILE: one line of the table.
send_counted() {
  "$work/jack_count" counter >"$work/count.out" &
  count_pid=$!
  sleep 0.3
  local start=$EPOCHREALTIME
  "$bin/droska" -Ecounter:in "$2"
  local end=$EPOCHREALTIME
  sleep 0.2
  kill -TERM "$count_pid"; wait "$count_pid" || true
  count_pid=""
  local events delivered
  read -r events delivered _ <"$work/count.out"
  awk -v l="$1" -v n="$(stat -c %s "$2")" -v d="$delivered" -v e="$events" -v s="$start" -v t="$end" 'BEGIN {
    printf "%-22s %10d %10d %9d %12.1f %9.1f\n", l, n, d, e, (t - s) * 1000, n / 3125
  }'
}
send_counted "droska 1 MiB" "$work/big.syx"
send_counted "droska 64 x 16 KiB" "$work/many.syx"
echo "late cycles the server logged: $(grep -c -i xrun "$work/jackd.log" || true)"
