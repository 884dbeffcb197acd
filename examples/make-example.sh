#!/usr/bin/env bash
# Regenerates coleraine.mid, the bundled format-0 Standard MIDI File, from
# coleraine.abc; or, given two paths, makes OUT.mid from TUNE.abc the same way:
#   examples/make-example.sh [TUNE.abc OUT.mid]
# abc2midi writes format 1 (one track per voice), so the tracks are merged
# into one through midicsv and csvmidi: the events of all tracks sorted by
# time (stably, so each track keeps its own order) and one end of track at
# the latest end.
set -euo pipefail
here=$(dirname "$0")
abc=${1:-$here/coleraine.abc}
mid=${2:-$here/coleraine.mid}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

abc2midi "$abc" -o "$work/format1.mid" >/dev/null
midicsv "$work/format1.mid" >"$work/format1.csv"

division=$(awk -F', *' '$3 == "Header" { print $6 }' "$work/format1.csv")
end=$(awk -F', *' '$3 == "End_track" && $2 > max { max = $2 } END { print max + 0 }' "$work/format1.csv")
{
  echo "0, 0, Header, 0, 1, $division"
  echo "1, 0, Start_track"
  awk -F', *' '$1 > 0 && $3 != "Start_track" && $3 != "End_track" { sub(/^[0-9]+,/, "1,"); print }' \
    "$work/format1.csv" | sort -t, -k2,2n -s
  echo "1, $end, End_track"
  echo "0, 0, End_of_file"
} >"$work/format0.csv"
csvmidi "$work/format0.csv" "$mid"
