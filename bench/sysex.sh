#!/usr/bin/env bash
# Throughput and peak memory of the SysEx file tools on large inputs.
#
#   bench/sysex.sh [build-dir]      (default: build)
#
# Generates a 100 MB SysEx file (messages of 10 B to 64 KiB, junk between
# them) and a 50 MB format-1 Standard MIDI File with SysEx in 16 tracks,
# runs each tool on them and, in the same run, cat, and prints MB/s (10^6
# bytes a second), the tool's speed as a ratio to cat's, and the tool's peak
# resident memory (wental writes its files into /dev/shm, a tmpfs, where
# there is one). mirvok runs ten patterns with checksums and ranges, in
# extract mode (-E) and in count mode (-CT). Then gorbel on 1 GB of SysEx
# and oktile on a 500 MB SMF, once each, for their peak memory on big
# inputs. Not part of the tests: figures depend on the machine and its load.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
for tool in mirvok wental gorbel oktile; do
  [ -x "$bin/$tool" ] || { echo "sysex.sh: $bin/$tool not built (scripts/build $build)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "sysex.sh: /usr/bin/time missing (scripts/setup --tests installs it)" >&2; exit 1; }

work=$(mktemp -d)
# wental writes its files into memory (tmpfs) where there is one, so that
# the figure is wental's and not the disk's.
split=$(mktemp -d /dev/shm/zamo-bench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work" "$split"' EXIT
source bench/lib.sh
need_bench_programs sysex_gen
"$bench_bin/sysex_gen" syx 100000000 >"$work/dump.syx"
"$bench_bin/sysex_gen" smf 50000000 >"$work/dump.mid"

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

run_dir=$split   # wental writes its files there
print_header
abs=$(cd "$bin" && pwd)
measure "mirvok -E" "$work/dump.syx" "$abs/mirvok" -E "${patterns[@]}"
measure "mirvok -CT" "$work/dump.syx" "$abs/mirvok" -CT "${patterns[@]}"
measure "wental" "$work/dump.syx" "$abs/wental"
measure "gorbel" "$work/dump.syx" "$abs/gorbel"
measure "oktile" "$work/dump.mid" "$abs/oktile" -
# Memory stays flat however big the input: gorbel on 1 GB of SysEx, oktile
# on a 500 MB SMF, each made, run once and removed (they take 1.5 GB of
# $TMPDIR between them, one at a time).
run_dir=""
"$bench_bin/sysex_gen" syx 1000000000 >"$work/big.syx"
measure_once "gorbel" "$work/big.syx" "$abs/gorbel"
rm -f "$work/big.syx"
"$bench_bin/sysex_gen" smf 500000000 >"$work/big.mid"
measure_once "oktile" "$work/big.mid" "$abs/oktile"
rm -f "$work/big.mid"
echo "largest message: 64 KiB; mirvok and wental hold one message at a time; wental writes into $(df --output=fstype "$split" | tail -1) ($split)"
