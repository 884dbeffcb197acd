#!/usr/bin/env bash
# Throughput and peak memory of fendix and zutane on large inputs.
#
#   bench/stream.sh [build-dir]      (default: build)
#
# Generates a 200 MB OSTRA sequence and a 50 MB format-0 Standard MIDI File,
# pipes each through its tool and, in the same run, through cat, and prints
# MB/s (10^6 bytes a second), the tool's speed as a ratio to cat's, and the
# tool's peak resident memory. Not part of the tests: figures depend on the
# machine and its load.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
for tool in fendix zutane; do
  [ -x "$bin/$tool" ] || { echo "stream.sh: $bin/$tool not built (scripts/build $build)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "stream.sh: /usr/bin/time missing (scripts/setup installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -O2 -std=c++20 bench/stream_gen.cpp -o "$work/stream_gen"
"$work/stream_gen" ostra 200000000 >"$work/seq.ostra"
"$work/stream_gen" smf 50000000 >"$work/seq.mid"

# Seconds a pipeline "cat FILE | COMMAND > /dev/null" takes, best of three.
best_of_three() {
  local file=$1 best="" start end
  shift
  for _ in 1 2 3; do
    start=$EPOCHREALTIME
    cat "$file" | "$@" >/dev/null
    end=$EPOCHREALTIME
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b + 0) ? t : b }')
  done
  echo "$best"
}

# Peak resident set of COMMAND reading FILE through a pipe, in KiB.
peak_kib() {
  local file=$1
  shift
  cat "$file" | /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null
  cat "$work/rss"
}

printf '%-10s %9s %10s %10s %8s %12s\n' tool "input MB" "tool MB/s" "cat MB/s" "vs cat" "peak RSS"
# measure FILE TOOL [OPTION]: one line of the table.
measure() {
  local file=$1 tool=$2 bytes tool_s cat_s rss
  shift 2
  bytes=$(stat -c %s "$file")
  cat_s=$(best_of_three "$file" cat)
  tool_s=$(best_of_three "$file" "$bin/$tool" "$@")
  rss=$(peak_kib "$file" "$bin/$tool" "$@")
  awk -v name="$tool $*" -v n="$bytes" -v t="$tool_s" -v c="$cat_s" -v rss="$rss" 'BEGIN {
    printf "%-10s %9.1f %10.1f %10.1f %8.2f %8d KiB\n", name, n / 1e6, n / 1e6 / t, n / 1e6 / c, c / t, rss
  }'
}
measure "$work/seq.ostra" fendix
measure "$work/seq.ostra" fendix -X
measure "$work/seq.mid" zutane
measure "$work/seq.mid" zutane -X
