#!/usr/bin/env bash
# Makes, in the current folder, the files that the commands shown in the
# documents work on: the bundled examples, an MML piece and a file of
# macros, Standard MIDI Files of format 0 (with SysEx) and 1, and a SysEx dump.
#   scratch_files.sh SOURCE_DIR
set -euo pipefail
src=$1

cp -r "$src/examples" .
cp examples/evening.mml song.mml
printf '@riff = { c8 e8 g8 e8 }\n' >head.mml

# song.mid: format 0, a GS reset and a GM System On, a tempo and three notes.
csvmidi - song.mid <<'CSV'
0, 0, Header, 0, 1, 96
1, 0, Start_track
1, 0, System_exclusive, 10, 65, 16, 66, 18, 64, 0, 127, 0, 65, 247
1, 0, System_exclusive, 5, 126, 127, 9, 1, 247
1, 0, Tempo, 500000
1, 24, Note_on_c, 0, 60, 90
1, 120, Note_off_c, 0, 60, 0
1, 120, Note_on_c, 0, 64, 90
1, 216, Note_off_c, 0, 64, 0
1, 216, Note_on_c, 9, 36, 100
1, 312, Note_off_c, 9, 36, 0
1, 384, End_track
0, 0, End_of_file
CSV

# song1.mid: format 1, a tempo track and two parts.
csvmidi - song1.mid <<'CSV'
0, 0, Header, 1, 3, 480
1, 0, Start_track
1, 0, Tempo, 600000
1, 0, Time_signature, 3, 2, 24, 8
1, 1440, End_track
2, 0, Start_track
2, 0, Note_on_c, 0, 72, 80
2, 480, Note_off_c, 0, 72, 0
2, 480, Note_on_c, 0, 76, 80
2, 960, Note_off_c, 0, 76, 0
2, 960, End_track
3, 0, Start_track
3, 0, Note_on_c, 1, 48, 80
3, 1440, Note_off_c, 1, 48, 0
3, 1440, End_track
0, 0, End_of_file
CSV

# The identity request holmir's -R line sends.
printf '\xF0\x7E\x7F\x06\x01\xF7' >request.syx
