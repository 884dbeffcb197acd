#!/usr/bin/env bash
# zamodump -I on a private JACK server with the dummy driver: a flood of
# 4 KiB SysEx as fast as JACK's cycles carry it, and 10,000 note-ons a
# second, each shown one line a message, with zamodump's output into a pipe
# (read at once) and into /dev/null; beside them what JACK itself carries
# between two plain clients in the same run. A run passes when every message
# got its line and zamodump saw no hole (its status is 1 after one).
#
#   bench/live.sh [build-dir]      (default: build)
#
# Not part of the tests: figures depend on the machine and its load. With
# $BENCH_TABLE set, the results also go there for bench/all.sh's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
[ -x "$bin/zamodump" ] || { echo "live.sh: $bin/zamodump not built (scripts/build $build)" >&2; exit 1; }

source bench/lib.sh
need_bench_programs receive_probe
jack_bench live.sh zamo-bench-live-$$
echo "JACK dummy driver, 48 kHz, 256 frames a cycle; 4 seconds a run"

mb() { awk -v r="$1" 'BEGIN { printf "%.2f", r / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

late_cycles() { grep -c -i xrun "$work/jackd.log" || true; }

# probe NAME OUT BYTES_PER_S SIZE: one run, prints a line and sets $rate,
# $sent and $ok. A run that fails while the server logs a late cycle (the
# dummy driver on a busy machine skips or repeats cycles: holes no reader
# can help) is repeated, up to three times, and says so.
probe() {
  local written whole overflow achieved target=$2 attempt before note=""
  [ "$target" = jack ] && target=- || target=$bin/zamodump
  for attempt in 1 2 3; do
    before=$(late_cycles)
    read -r sent written whole overflow achieved < <(ZAMO_PROBE_OUT=$2 "$bench_bin/receive_probe" rate "$target" "$3" 4 "$4" 2>/dev/null)
    ok=$([ "$overflow" = 0 ] && [ "$written" = "$sent" ] && echo yes || echo no)
    [ "$ok" = yes ] || [ "$(late_cycles)" = "$before" ] && break
    note="${note} (run $attempt saw a late cycle)"
  done
  rate=$achieved
  printf '%-34s %-6s %10s %12s %12s %9s %4s%s\n' "$1" "$2" "$(mb "$achieved")" "$sent" "$written" "$overflow" "$ok" "$note"
}

printf '%-34s %-6s %10s %12s %12s %9s %4s\n' run output "MB/s" "sent bytes" "shown bytes" overflow ok
probe "JACK alone, 4 KiB SysEx" jack 0 4096; jack_sysex=$rate
probe "zamodump -I, 4 KiB SysEx" pipe 0 4096; pipe_sysex=$rate pipe_sysex_ok=$ok
probe "zamodump -I, 4 KiB SysEx" null 0 4096; null_sysex=$rate null_sysex_ok=$ok
# Note-ons counted from what was sent in the 4 s (the rate above also holds a first cycle's burst).
probe "JACK alone, 10,000 note-ons/s" jack 30000 3; jack_short=$sent
probe "zamodump -I, 10,000 note-ons/s" pipe 30000 3; pipe_short=$sent pipe_short_ok=$ok
probe "zamodump -I, 10,000 note-ons/s" null 30000 3; null_short=$sent null_short_ok=$ok

per_s() { awk -v r="$1" 'BEGIN { printf "%.0f", r / 3 / 4 }'; }
echo "4 KiB SysEx: zamodump into a pipe $(mb "$pipe_sysex") MB/s (whole: $pipe_sysex_ok), into /dev/null $(mb "$null_sysex") MB/s" \
  "(whole: $null_sysex_ok); JACK alone $(mb "$jack_sysex") MB/s"
echo "note-ons: zamodump into a pipe $(per_s "$pipe_short")/s (whole: $pipe_short_ok), into /dev/null $(per_s "$null_short")/s" \
  "(whole: $null_short_ok); JACK alone $(per_s "$jack_short")/s"
table_row zamodump "-I, 4 KiB SysEx from JACK, to a pipe" "$(mb "$pipe_sysex") MB/s" - - \
  "every line, no hole: $pipe_sysex_ok; /dev/null: $null_sysex_ok" "JACK alone: $(ratio "$pipe_sysex" "$jack_sysex")"
table_row zamodump "-I, 10,000 note-ons/s from JACK, to a pipe" "$(per_s "$pipe_short")/s" - - \
  "every line, no hole: $pipe_short_ok; /dev/null: $null_short_ok" "JACK alone: $(ratio "$pipe_short" "$jack_short")"
echo "late cycles the server logged: $(grep -c -i xrun "$work/jackd.log" || true)"
[ "$pipe_sysex_ok$null_sysex_ok$pipe_short_ok$null_short_ok" = yesyesyesyes ]
