#!/usr/bin/env bash
# zutane, zamodump and zembra -S beside the programs a user would pick
# instead, on the same music in the same run.
#
#   bench/peers.sh [build-dir]      (default: build)
#
# A 13 MB format-0 Standard MIDI File (about 3 million events) is read by
# zutane and zamodump, and by midicsv (SMF to CSV) and a Python script on
# python3-mido (the file parsed and every message printed). zamodump also
# reads the same music as OSTRA (zutane -X) and DORNA (fendix -X), and a
# SysEx file (oktile's extract of a generated SMF), each against midicsv and
# mido on a Standard MIDI File of the same events (for the SysEx file,
# gorbel's wrapping of it). zembra -S compiles generated MML into an SMF,
# csvmidi the same SMF's CSV (from midicsv) into an SMF. Each ratio is the
# peer's time over the tool's (above 1: the tool is faster). A peer that is
# not installed is named as skipped. Times are the best of three, except
# mido's single run (it takes tens of seconds). Not part of the tests:
# figures depend on the machine and its load.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
for tool in zutane zamodump zembra fendix gorbel oktile; do
  [ -x "$bin/$tool" ] || { echo "peers.sh: $bin/$tool not built (scripts/build $build)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "peers.sh: /usr/bin/time missing (scripts/setup installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source bench/lib.sh
need_bench_programs stream_gen sysex_gen
here=$(pwd)

# The peers, or why one is skipped.
have_midicsv=yes
command -v midicsv >/dev/null && command -v csvmidi >/dev/null || have_midicsv="midicsv skipped (not installed)"
have_mido=yes
/usr/bin/python3 -c 'import mido' 2>/dev/null || have_mido="mido skipped (python3-mido not installed)"
mido_dump='import sys, mido
out = sys.stdout
for track in mido.MidiFile(sys.argv[1]).tracks:
    for message in track:
        print(message, file=out)'

# seconds RUNS COMMAND...: the least wall time of RUNS runs of COMMAND > /dev/null.
seconds() {
  local runs=$1 best="" start end
  shift
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b + 0) ? t : b }')
  done
  echo "$best"
}

ratio() { awk -v p="$1" -v t="$2" 'BEGIN { printf "%.1fx", p / t }'; }

# peers_of SMF TOOL-SECONDS: "midicsv Nx, mido Mx" for the peers on SMF.
peers_of() {
  local smf=$1 tool_s=$2 text=""
  if [ "$have_midicsv" = yes ]; then
    text="midicsv $(ratio "$(seconds 3 midicsv "$smf" /dev/stdout)" "$tool_s")"
  else
    text=$have_midicsv
  fi
  if [ "$have_mido" = yes ]; then
    text="$text, mido $(ratio "$(seconds 1 /usr/bin/python3 -c "$mido_dump" "$smf")" "$tool_s")"
  else
    text="$text, $have_mido"
  fi
  echo "$text"
}

# row LABEL FILE PEER-SMF COMMAND...: the tool on FILE, its peers on PEER-SMF.
row() {
  local label=$1 file=$2 smf=$3 bytes text tool_s cat_s rss peers rate
  shift 3
  bytes=$(stat -c %s "$file")
  tool_s=$(seconds 3 "$@" "$file")
  cat_s=$(seconds 3 cat "$file")
  text=$("$@" "$file" | wc -c)
  rss=$( (/usr/bin/time -f %M "$@" "$file" >/dev/null) 2>&1 | tail -1)
  peers=$(peers_of "$smf" "$tool_s")
  rate=$(awk -v n="$bytes" -v t="$tool_s" -v x="$text" 'BEGIN {
    printf "%.1f MB/s", n / 1e6 / t; if (x > 2 * n) printf ", text %.0f MB/s", x / 1e6 / t }')
  printf '%-18s %8.1f MB  %-32s  %s\n' "$label" "$(awk -v n="$bytes" 'BEGIN { print n / 1e6 }')" "$rate" "$peers"
  table_row "$label" "$(awk -v n="$bytes" 'BEGIN { printf "%.0f MB", n / 1e6 }') ${file##*.}" "$rate" \
    "$(awk -v t="$tool_s" -v c="$cat_s" 'BEGIN { printf "%.2g", c / t }')" "$rss KiB" - "$peers"
}

"$bench_bin/stream_gen" smf 13000000 >"$work/piece.mid"
"$bin/zutane" -X "$work/piece.mid" >"$work/piece.ostra"
"$bin/fendix" -X "$work/piece.ostra" >"$work/piece.dorna"
"$bench_bin/sysex_gen" smf 13000000 >"$work/dumps.mid"
"$bin/oktile" "$work/dumps.mid" >"$work/dumps.syx"
"$bin/gorbel" "$work/dumps.syx" >"$work/dumps-wrapped.mid"
echo "events in the SMF: $(midicsv "$work/piece.mid" 2>/dev/null | wc -l || echo "?")"

row zutane "$work/piece.mid" "$work/piece.mid" "$bin/zutane"
row "zamodump SMF" "$work/piece.mid" "$work/piece.mid" "$bin/zamodump"
row "zamodump OSTRA" "$work/piece.ostra" "$work/piece.mid" "$bin/zamodump"
row "zamodump DORNA" "$work/piece.dorna" "$work/piece.mid" "$bin/zamodump" -P
row "zamodump SysEx" "$work/dumps.syx" "$work/dumps-wrapped.mid" "$bin/zamodump"

# zembra -S against csvmidi on the CSV of the SMF zembra writes.
awk -v NOTES=200000 -v TRACKS=16 -f "$here/bench/zembra_gen.awk" >"$work/song.mml" 2>/dev/null
zembra_s=$(seconds 3 "$bin/zembra" -S "$work/song.mml")
rss=$( (/usr/bin/time -f %M "$bin/zembra" -S "$work/song.mml" >/dev/null) 2>&1 | tail -1)
if [ "$have_midicsv" = yes ]; then
  "$bin/zembra" -S "$work/song.mml" >"$work/song.mid"
  midicsv "$work/song.mid" "$work/song.csv"
  peer="csvmidi $(ratio "$(seconds 3 csvmidi "$work/song.csv" /dev/stdout)" "$zembra_s") (on the CSV of the same SMF)"
else
  peer=$have_midicsv
fi
echo "zembra -S           200000 notes in $zembra_s s; $peer"
table_row "zembra -S" "200000 notes, $(awk -v b="$(wc -c <"$work/song.mml")" 'BEGIN { printf "%.0f MB", b / 1e6 }') mml" \
  "$(awk -v s="$zembra_s" 'BEGIN { printf "%.2f M notes/s", 0.2 / s }')" - "$rss KiB" - "$peer"
