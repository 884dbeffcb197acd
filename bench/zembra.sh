#!/usr/bin/env bash
# Compile speed and memory of zembra on generated MML: 1 million notes over
# 16 tracks (with chords and ties), then 4 million as a check of how the
# cost grows. Prints time, notes per second, peak RSS per event, and the
# 4M/1M time ratio against the n log n bound (4 x log 4M / log 1M = 4.4).
# Where zembra has -S, the 1M source is also compiled into a Standard MIDI
# File.
#   bench/zembra.sh [build-dir]      (default: build)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
zembra="$build/bin/zembra"
[ -x "$zembra" ] || { echo "zembra.sh: $zembra not built (scripts/build $build)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "zembra.sh: needs GNU time (/usr/bin/time)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
source "$here/lib.sh"

# run NOTES: writes the source, sets notes and events, and compiles it.
run() {
  local counts
  counts="$(awk -v NOTES="$1" -v TRACKS=16 -f "$here/zembra_gen.awk" 2>&1 >"$work/song.mml")"
  notes="$(echo "$counts" | awk '{print $2}')"
  events="$(echo "$counts" | awk '{print $4}')"
  compile
}

# compile [OPTION...]: sets seconds (best of three) and rss_kb for zembra OPTION... song.mml.
compile() {
  seconds=""
  for _ in 1 2 3; do
    local start end s
    start="$(date +%s%N)"
    "$zembra" "$@" "$work/song.mml" >"$work/out.ost"
    end="$(date +%s%N)"
    s="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')"
    if [ -z "$seconds" ] || awk -v a="$s" -v b="$seconds" 'BEGIN { exit !(a < b) }'; then seconds="$s"; fi
  done
  rss_kb="$(/usr/bin/time -f '%M' "$zembra" "$@" "$work/song.mml" 2>&1 >/dev/null | tail -1)"
}

# report LABEL [TOOL]: one line here, one in the summary as TOOL (default zembra).
report() {
  awk -v label="$1" -v n="$notes" -v e="$events" -v s="$seconds" -v kb="$rss_kb" -v size="$(wc -c <"$work/song.mml")" 'BEGIN {
    printf "%-4s %9d notes %9d events  source %6.1f MB  compile %.3f s  %6.2f M notes/s  peak RSS %6.1f MB = %5.1f bytes/event\n",
      label, n, e, size / 1e6, s, n / s / 1e6, kb / 1024, kb * 1024 / e }'
  table_row "${2:-zembra}" "$1 notes, $(awk -v b="$(wc -c <"$work/song.mml")" 'BEGIN { printf "%.0f MB", b / 1e6 }') mml" \
    "$(awk -v n="$notes" -v s="$seconds" 'BEGIN { printf "%.2f M notes/s", n / s / 1e6 }')" - "$rss_kb KiB" -
}

run 1000000
t1="$seconds"; n1="$notes"
report 1M
if "$zembra" --help | grep -q '^  -S'; then
  echo "the same source with -S, into a Standard MIDI File:"
  compile -S
  report 1M "zembra -S"
fi
run 4000000
report 4M
awk -v t1="$t1" -v t4="$seconds" -v n1="$n1" -v n4="$notes" 'BEGIN {
  bound = (n4 / n1) * log(n4) / log(n1)
  printf "growth: time 4M / 1M = %.2f (linear %.2f, n log n %.2f)\n", t4 / t1, n4 / n1, bound }'
