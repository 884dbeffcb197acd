# Writes an MML source of about NOTES written notes over TRACKS tracks, with
# plain notes, ties, chords and arpeggios, and prints the counts on stderr:
#   awk -v NOTES=1000000 -v TRACKS=16 -f zembra_gen.awk > song.mml
# A unit of 18 written notes (17 sounding: one pair is tied) per line.
BEGIN {
  if (NOTES == "") NOTES = 1000000
  if (TRACKS == "") TRACKS = 16
  perUnit = 18
  units = int((NOTES / TRACKS + perUnit - 1) / perUnit)
  written = 0; sounding = 0
  for (t = 0; t < TRACKS; t++) {
    printf "$%d={ // track %d\n", t % 16, t
    for (u = 0; u < units; u++) {
      octave = 2 + (u + t) % 4
      printf "o%d v%d c8 d e f&f g a b [4 c e g] r8 c4. d16 e16 [2,60 c e g b]\n", octave, 60 + (u % 60)
      written += perUnit; sounding += perUnit - 1
    }
    print "}"
  }
  # Each sounding note is a note-on and a note-off; each track adds its end marker.
  printf "notes %d events %d\n", written, 2 * sounding + TRACKS > "/dev/stderr"
}
