#!/usr/bin/env bash
# Throughput and peak memory of fendix and zutane on large inputs.
#
#   bench/stream.sh [build-dir]      (default: build)
#
# Generates a 200 MB OSTRA sequence and a 50 MB format-0 Standard MIDI File,
# pipes each through its tool and, in the same run, through cat, and prints
# MB/s (10^6 bytes a second), the tool's speed as a ratio to cat's, and the
# tool's peak resident memory. Not part of the tests: figures depend on the
# machine and its load. zamodump, where it is built, prints a 20 MB piece of
# each as text.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
for tool in fendix zutane; do
  [ -x "$bin/$tool" ] || { echo "stream.sh: $bin/$tool not built (scripts/build $build)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "stream.sh: /usr/bin/time missing (scripts/setup --tests installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source bench/lib.sh
need_bench_programs stream_gen
"$bench_bin/stream_gen" ostra 200000000 >"$work/seq.ostra"
"$bench_bin/stream_gen" smf 50000000 >"$work/seq.mid"

print_header
measure "fendix" "$work/seq.ostra" "$bin/fendix"
measure "fendix -X" "$work/seq.ostra" "$bin/fendix" -X
measure "zutane" "$work/seq.mid" "$bin/zutane"
measure "zutane -X" "$work/seq.mid" "$bin/zutane" -X
if [ -x "$bin/zamodump" ]; then
  "$bench_bin/stream_gen" ostra 20000000 >"$work/dump.ostra"
  "$bench_bin/stream_gen" smf 20000000 >"$work/dump.mid"
  measure "zamodump" "$work/dump.ostra" "$bin/zamodump"
  measure "zamodump" "$work/dump.mid" "$bin/zamodump"
fi
