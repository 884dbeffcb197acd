#!/usr/bin/env bash
# holmir's receiving side on a private JACK server with the dummy driver.
#
#   bench/receive.sh [build-dir]      (default: build)
#
# Latency: from the cycle that carries a message's last byte to holmir's
# write of the message arriving at the other end of a pipe (median, p99,
# largest), for 300-byte messages sent one at a time. Rate: SysEx of 4 KiB
# messages at rising rates until holmir reports an overflow, beside the rate
# JACK itself carries between two plain clients in the same run.
# Not part of the tests: figures depend on the machine and its load. With
# $BENCH_TABLE set, the results also go there for bench/all.sh's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
[ -x "$bin/holmir" ] || { echo "receive.sh: $bin/holmir not built (scripts/build $build)" >&2; exit 1; }

source bench/lib.sh
need_bench_programs receive_probe
jack_bench receive.sh zamo-bench-$$
echo "JACK dummy driver, 48 kHz, 256 frames a cycle ($(awk 'BEGIN { printf "%.2f", 256 / 48 }') ms)"

read -r median p99 largest < <("$bench_bin/receive_probe" latency "$bin/holmir" 200 300)
echo "latency, 300-byte message to holmir's write: median $median ms, p99 $p99 ms, largest $largest ms"
table_row holmir "300-byte SysEx from JACK" - - - "latency median $median, p99 $p99, max $largest ms"

read -r _ jack_bytes _ _ jack_rate < <("$bench_bin/receive_probe" rate - 0 2 4096)
echo "JACK between two plain clients, as fast as cycles take it: $(awk -v r="$jack_rate" 'BEGIN { printf "%.1f", r / 1e6 }') MB/s"

printf '%14s %12s %12s %10s %9s\n' "offered MB/s" "sent bytes" "written" "whole" overflow
best=0
for rate in 100000 250000 500000 1000000 2000000 4000000 8000000 16000000 0; do
  read -r sent written whole overflow achieved < <("$bench_bin/receive_probe" rate "$bin/holmir" "$rate" 2 4096)
  label=$(awk -v r="$rate" -v a="$achieved" 'BEGIN { printf "%.2f", (r > 0 ? r : a) / 1e6 }')
  [ "$rate" = 0 ] && label="max $label"
  printf '%14s %12s %12s %10s %9s\n' "$label" "$sent" "$written" "$whole" "$overflow"
  if [ "$overflow" = 0 ] && [ "$written" = "$sent" ]; then best=$([ "$rate" = 0 ] && echo "$achieved" || echo "$rate"); else break; fi
done
echo "largest sustained rate without overflow: $(awk -v r="$best" 'BEGIN { printf "%.2f", r / 1e6 }') MB/s"
table_row holmir "4 KiB SysEx from JACK, rising rates" "$(awk -v r="$best" 'BEGIN { printf "%.2f MB/s", r / 1e6 }')" - - \
  "sustained without overflow; JACK alone $(awk -v r="$jack_rate" 'BEGIN { printf "%.1f", r / 1e6 }') MB/s"
echo "late cycles the server logged: $(grep -c -i xrun "$work/jackd.log" || true)"
