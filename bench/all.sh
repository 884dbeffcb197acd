#!/usr/bin/env bash
# Every benchmark in one run, summed up in one table.
#
#   bench/all.sh [build-dir]      (default: build)
#
# Runs stream.sh, sysex.sh, zembra.sh, peers.sh, realtime.sh, receive.sh and live.sh
# in turn; each one's own report goes to build-dir/bench/NAME.log, and the
# lines they add to $BENCH_TABLE make the table: tool, input, MB/s or
# notes/s, the ratio to cat in the same run where it applies, peak RSS, the
# real-time figures, and the ratio to each program a user would pick
# instead, on the same music in the same run (peers.sh: midicsv and
# python3-mido, csvmidi for zembra -S; realtime.sh: its player for teskar;
# a peer not installed is named as skipped). A script
# that fails (a tool not built, no jackd) is named under the table with its
# log, and the others still run. Figures depend on the machine and its load.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -d "$build/bin" ] || { echo "all.sh: $build/bin not found (scripts/build $build)" >&2; exit 1; }
logs=$build/bench
mkdir -p "$logs"
export BENCH_TABLE
BENCH_TABLE=$(mktemp)
trap 'rm -f "$BENCH_TABLE"' EXIT

failed=()
for name in stream sysex zembra peers realtime receive live; do
  echo "all.sh: $name.sh ..." >&2
  start=$SECONDS
  if bench/$name.sh "$build" >"$logs/$name.log" 2>&1; then
    echo "all.sh: $name.sh done in $((SECONDS - start)) s" >&2
  else
    failed+=("$name.sh (see $logs/$name.log)")
    echo "all.sh: $name.sh failed, see $logs/$name.log" >&2
  fi
done

echo
echo "zamo benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, build $build"
echo
awk -F '\t' '
  BEGIN { head = "tool\tinput\trate\tvs cat\tpeak RSS\treal time\tvs peers (their time / ours)" }
  { row[++n] = $0 }
  END {
    row[0] = head
    for (i = 0; i <= n; i++) {
      k = split(row[i], f, "\t")
      for (j = 1; j <= 6; j++) if (length(f[j]) > w[j]) w[j] = length(f[j])
    }
    for (i = 0; i <= n; i++) {
      delete f
      split(row[i], f, "\t")
      printf "%-*s  %-*s  %*s  %*s  %*s  %-*s  %s\n", w[1], f[1], w[2], f[2], w[3], f[3], w[4], f[4], w[5], f[5],
        w[6], f[6], (7 in f) ? f[7] : "-"
      if (i == 0) {
        line = ""
        for (j = 1; j <= 6; j++) { s = sprintf("%*s", w[j], ""); gsub(/ /, "-", s); line = line s "  " }
        print line "---------"
      }
    }
  }' "$BENCH_TABLE"
echo
echo "rate: MB/s is 10^6 input bytes a second; vs cat: cat's time over the tool's on the same input in the same run (above 1: faster than cat)."
echo "real time: lateness of teskar's messages against their schedule (less the constant one-period latency), holmir's latency from arrival to write."
echo "vs peers: the peer's time over the tool's on the same music in the same run (above 1: the tool is faster)."
echo "each script's full report: $logs/"
if [ ${#failed[@]} -gt 0 ]; then
  echo
  echo "failed: ${failed[*]}"
  exit 1
fi
