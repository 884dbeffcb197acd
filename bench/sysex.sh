#!/usr/bin/env bash
# Throughput and peak memory of the SysEx file tools on large inputs.
#
#   bench/sysex.sh [build-dir]      (default: build)
#
# Generates a 100 MB SysEx file (messages of 10 B to 64 KiB, junk between
# them) and a 50 MB format-1 Standard MIDI File with SysEx in 16 tracks,
# runs each tool on them and, in the same run, cat, and prints MB/s (10^6
# bytes a second), the tool's speed as a ratio to cat's, and the tool's peak
# resident memory. mirvok runs ten patterns with checksums and ranges, in
# extract mode (-E) and in count mode (-CT). Not part of the tests: figures
# depend on the machine and its load.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
for tool in mirvok wental gorbel oktile; do
  [ -x "$bin/$tool" ] || { echo "sysex.sh: $bin/$tool not built (scripts/build $build)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "sysex.sh: /usr/bin/time missing (scripts/setup installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -O2 -std=c++20 bench/sysex_gen.cpp -o "$work/sysex_gen"
"$work/sysex_gen" syx 100000000 >"$work/dump.syx"
"$work/sysex_gen" smf 50000000 >"$work/dump.mid"
mkdir "$work/split"

# Never-matching and rarely matching patterns first, so most messages meet several.
patterns=(
  "-S41 10 42 11 .LAST(1) .CSUM7 .TAIL"
  "-S46 / .LAST(1) .CSUM7 .TAIL"
  "-S.LEN(&20) { ? ? ? ? }"
  "-S41 ? 42 12 { .BLK(3) } .REP(2) ? .REPE"
  "-S43 .REP(3) ? .REPE { .BLK(&10) }"
  "-S41 10 42 12 / { .LAST(1) } .CSUM7 .TAIL"
  "-S43 10 4C .XLEN(2) { .XBLK } .TAIL"
  "-S44 / .LAST(1) .SUM7 .TAIL"
  "-S45 / .LAST(1) .KSUM7 .TAIL"
  "-S7E 7F 06 01 { .LAST(0) }"
)

# Seconds "cat FILE | COMMAND > /dev/null" takes, best of three. Each run
# starts with an empty split directory (wental writes there).
best_of_three() {
  local file=$1 best="" start end
  shift
  for _ in 1 2 3; do
    find "$work/split" -mindepth 1 -delete
    start=$EPOCHREALTIME
    cat "$file" | (cd "$work/split" && "$@") >/dev/null
    end=$EPOCHREALTIME
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b + 0) ? t : b }')
  done
  echo "$best"
}

# Peak resident set of COMMAND reading FILE through a pipe, in KiB.
peak_kib() {
  local file=$1
  shift
  find "$work/split" -mindepth 1 -delete
  cat "$file" | (cd "$work/split" && /usr/bin/time -f %M -o "$work/rss" "$@") >/dev/null
  cat "$work/rss"
}

printf '%-12s %9s %10s %10s %8s %12s\n' tool "input MB" "tool MB/s" "cat MB/s" "vs cat" "peak RSS"
# measure LABEL FILE COMMAND...: one line of the table.
measure() {
  local label=$1 file=$2 bytes tool_s cat_s rss
  shift 2
  bytes=$(stat -c %s "$file")
  cat_s=$(best_of_three "$file" cat)
  tool_s=$(best_of_three "$file" "$@")
  rss=$(peak_kib "$file" "$@")
  awk -v name="$label" -v n="$bytes" -v t="$tool_s" -v c="$cat_s" -v rss="$rss" 'BEGIN {
    printf "%-12s %9.1f %10.1f %10.1f %8.2f %8d KiB\n", name, n / 1e6, n / 1e6 / t, n / 1e6 / c, c / t, rss
  }'
}
abs=$(cd "$bin" && pwd)
measure "mirvok -E" "$work/dump.syx" "$abs/mirvok" -E "${patterns[@]}"
measure "mirvok -CT" "$work/dump.syx" "$abs/mirvok" -CT "${patterns[@]}"
measure "wental" "$work/dump.syx" "$abs/wental"
measure "gorbel" "$work/dump.syx" "$abs/gorbel"
measure "oktile" "$work/dump.mid" "$abs/oktile" -
echo "largest message: 64 KiB; mirvok and wental hold one message at a time"
