#!/usr/bin/env bash
# The real-time tools on a private JACK server with the dummy driver.
#
#   bench/realtime.sh [build-dir]      (default: build)
#
# droska sends 1 MiB of SysEx, then 64 messages of 16 KiB, to a counting
# client; the table shows the bytes delivered and the time against the
# physical limit of DIN MIDI (3,125 bytes/s; JACK has no such limit).
#
# teskar plays 5,000 notes on 8 ms steps (10,000 messages, 40 s) to a client
# that records the frame each message arrives on. Each message's lateness is
# its arrival against its scheduled time, less the constant latency (the
# player's clock start is not visible from outside, so the earliest arrival
# against its schedule counts as on time; that the constant latency is one
# period is what midiio_jack_timing_test measures in-process): p1, median,
# p99 and max, jitter = p99 - p1, and the player's CPU time (/usr/bin/time)
# as a share of the wall time it ran, beside the CPU share of the recording
# client over the same span (a JACK client that only wakes every cycle)
# and of an idle sender (jack_idle: an output port connected to the same
# client, cleared every cycle, nothing sent), the floor of any JACK player.
# Targets for teskar: jitter at most 0.1 ms, CPU at most 0.5 %. Then the same
# notes as a Python user would play them (mido's MidiFile.play() into a
# python3-rtmidi JACK port), to the same recording client; skipped when
# either module is missing.
# Not part of the tests: figures depend on the machine and its load. With
# $BENCH_TABLE set, the results also go there for bench/all.sh's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
for tool in droska teskar; do
  [ -x "$bin/$tool" ] || { echo "realtime.sh: $bin/$tool not built (scripts/build $build)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "realtime.sh: /usr/bin/time missing (scripts/setup --tests installs it)" >&2; exit 1; }

count_pid=""
record_pid=""
idle_pid=""
stop_probes() {
  [ -n "$count_pid" ] && kill "$count_pid" 2>/dev/null || true
  [ -n "$record_pid" ] && kill "$record_pid" 2>/dev/null || true
  [ -n "$idle_pid" ] && kill "$idle_pid" 2>/dev/null || true
}

source bench/lib.sh
need_bench_programs jack_count jack_arrivals jack_idle
export ZAMO_MIDI_API=jack
jack_bench realtime.sh zamo-bench-$$ stop_probes

# one_message SIZE: a SysEx message of SIZE bytes.
one_message() {
  { printf '\xf0'; head -c $(($1 - 2)) /dev/zero | tr '\0' '\021'; printf '\xf7'; }
}
one_message 1048576 >"$work/big.syx"
for _ in $(seq 64); do one_message 16384; done >"$work/many.syx"

printf '%-22s %10s %10s %9s %12s %9s\n' run "bytes" "delivered" "events" "droska ms" "DIN s"
# send_counted LABEL FILE: one line of the table.
send_counted() {
  "$bench_bin/jack_count" counter >"$work/count.out" &
  count_pid=$!
  sleep 0.3
  local start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/droska.rss" "$bin/droska" -Ecounter:in "$2"
  local end=$EPOCHREALTIME
  sleep 0.2
  kill -TERM "$count_pid"; wait "$count_pid" || true
  count_pid=""
  local events delivered
  read -r events delivered _ <"$work/count.out"
  awk -v l="$1" -v n="$(stat -c %s "$2")" -v d="$delivered" -v e="$events" -v s="$start" -v t="$end" 'BEGIN {
    printf "%-22s %10d %10d %9d %12.1f %9.1f\n", l, n, d, e, (t - s) * 1000, n / 3125
  }'
  table_row droska "${1#droska } SysEx to JACK" \
    "$(awk -v d="$delivered" -v s="$start" -v t="$end" 'BEGIN { printf "%.1f MB/s", d / 1e6 / (t - s) }')" - \
    "$(cat "$work/droska.rss") KiB" "$delivered of $(stat -c %s "$2") bytes delivered"
}
send_counted "droska 1 MiB" "$work/big.syx"
send_counted "droska 64 x 16 KiB" "$work/many.syx"
echo "late cycles the server logged: $(grep -c -i xrun "$work/jackd.log" || true)"

# notes.dorna: note i on at step i, off at step i + 1 (with the next note on),
# then the end record. Message k is due at 8 * floor((k + 1) / 2) ms.
notes=5000
perl -e '
  my $n = shift;
  print pack("C4", 0, 0x90, 36, 64);
  for my $i (1 .. $n - 1) {
    print pack("C4", 1, 0x80, 36 + ($i - 1) % 60, 0), pack("C4", 0, 0x90, 36 + $i % 60, 64);
  }
  print pack("C4", 1, 0x80, 36 + ($n - 1) % 60, 0), pack("C4", 0, 0xFF, 0, 0);
' "$notes" >"$work/notes.dorna"

# The CPU ticks (user + system) a process has used so far.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# play_measured NAME COMMAND...: runs the player COMMAND against a client
# that only records when each message arrives, and prints the lateness of
# the messages and the CPU share of both (user + system time over the
# player's wall time, the player's by /usr/bin/time).
play_measured() {
  local name=$1
  shift
  "$bench_bin/jack_arrivals" arrivals >"$work/arrivals.out" &
  record_pid=$!
  sleep 0.3
  "$bench_bin/jack_idle" idle arrivals:in &
  idle_pid=$!
  sleep 0.3
  local xruns_before record_before record_after idle_before idle_after xruns_after
  xruns_before=$(grep -c -i xrun "$work/jackd.log" || true)
  record_before=$(cpu_ticks "$record_pid")
  idle_before=$(cpu_ticks "$idle_pid")
  /usr/bin/time -f '%e %U %S %M' -o "$work/player.time" "$@" 2>"$work/player.err"
  record_after=$(cpu_ticks "$record_pid")
  idle_after=$(cpu_ticks "$idle_pid")
  sleep 0.2
  kill -TERM "$record_pid" "$idle_pid"; wait "$record_pid" "$idle_pid" || true
  record_pid=""
  idle_pid=""
  [ -s "$work/player.err" ] && cat "$work/player.err" >&2
  xruns_after=$(grep -c -i xrun "$work/jackd.log" || true)
  awk -v want=$((2 * notes)) -v name="$name" -v summary="$work/late" '
    /^#/ { xruns = $3; next }
    { at[n++] = $1 }
    END {
      if (n == 0) { print name ": no message arrived"; exit 1 }
      # Against the schedule, less the constant part: no message can come early
      # (none is stamped before its tick), so the earliest one is on time.
      for (k = 0; k < n; k++) { late[k] = (at[k] - at[0]) / 1000 - 8 * int((k + 1) / 2); if (k == 0 || late[k] < base) base = late[k] }
      for (k = 0; k < n; k++) { late[k] -= base; if (late[k] > 0.1) over++ }
      # shell sort: plain awk has no sort
      m = n; for (gap = int(m / 2); gap > 0; gap = int(gap / 2))
        for (i = gap; i < m; i++) { t = late[i]; for (j = i; j >= gap && late[j - gap] > t; j -= gap) late[j] = late[j - gap]; late[j] = t }
      p1 = late[int(n * 0.01)]; med = late[int(n / 2)]; p99 = late[int(n * 0.99)]; max = late[n - 1]
      printf "%-22s %10s %10s %10s %10s %10s\n", name, "p1 ms", "median ms", "p99 ms", "max ms", "jitter ms"
      printf "%-22s %10.3f %10.3f %10.3f %10.3f %10.3f\n", n " of " want " msgs", p1, med, p99, max, p99 - p1
      printf "messages more than 0.1 ms late: %d; late cycles the recorder saw: %d\n", over, xruns
      printf "%d %d %.3f %.3f %.3f %.3f\n", n, want, med, p99, max, p99 - p1 > summary
    }' "$work/arrivals.out"
  local wall user sys rss
  read -r wall user sys rss <"$work/player.time"
  awk -v name="$name" -v w="$wall" -v u="$user" -v s="$sys" -v r=$((record_after - record_before)) \
    -v i=$((idle_after - idle_before)) -v hz="$(getconf CLK_TCK)" 'BEGIN {
    printf "%s: %.2f s wall, %.2f s user + %.2f s system = %.3f %% CPU; meanwhile the recording client: %.3f %% CPU, an idle sender: %.3f %% CPU\n",
      name, w, u, s, 100 * (u + s) / w, 100 * r / hz / w, 100 * i / hz / w
  }' | tee "$work/cpu"
  echo "late cycles the server logged during the play: $((xruns_after - xruns_before))"
  local arrived sent median p99 max jitter
  read -r arrived sent median p99 max jitter <"$work/late"
  table_row "$name" "$notes notes on 8 ms steps, JACK" - - "$rss KiB" \
    "$arrived/$sent msgs; late median $median, p99 $p99, max $max ms; jitter (p99 - p1) $jitter ms; $(sed 's/.*= //' "$work/cpu")"
}

echo
echo "$notes notes on 8 ms steps ($((2 * notes)) messages), lateness against the schedule:"
play_measured teskar "$bin/teskar" -T8 -Earrivals:in "$work/notes.dorna"

# The same notes as a Python user would play them: mido's MidiFile.play()
# into a python3-rtmidi JACK port (125 ticks a beat at 60 beats a minute: a
# tick is 8 ms).
# Debian's python3, for which scripts/setup installs the modules (not one
# that a version manager put first on the PATH).
python=/usr/bin/python3
echo
if "$python" -c 'import mido, rtmidi' 2>/dev/null; then
  "$python" - "$work/notes.dorna" "$work/notes.mid" <<'PY'
import sys, mido
data = open(sys.argv[1], "rb").read()
track = mido.MidiTrack()
for at in range(0, len(data), 4):
    delay, status, first, second = data[at:at + 4]
    if status == 0xFF:
        break
    track.append(mido.Message.from_bytes([status, first, second], time=delay))
song = mido.MidiFile(ticks_per_beat=125)
song.tracks.append(track)
track.insert(0, mido.MetaMessage("set_tempo", tempo=1000000, time=0))
song.save(sys.argv[2])
PY
  cat >"$work/play.py" <<'PY'
import sys, time, mido, rtmidi
out = rtmidi.MidiOut(rtmidi.API_UNIX_JACK, "pyplayer")
out.open_port(next(i for i, p in enumerate(out.get_ports()) if p.startswith(sys.argv[2])))
for message in mido.MidiFile(sys.argv[1]).play():
    out.send_message(message.bytes())
time.sleep(0.2)
out.close_port()
PY
  play_measured "python mido + rtmidi" "$python" "$work/play.py" "$work/notes.mid" arrivals:in
else
  echo "python mido + rtmidi: skipped (python3-mido and python3-rtmidi are not both installed; scripts/setup installs them)"
  table_row "python mido + rtmidi" "$notes notes on 8 ms steps, JACK" - - - "skipped: not installed"
fi
