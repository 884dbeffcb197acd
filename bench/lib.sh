# Shared by the benchmark scripts: timing against cat in the same run, and
# peak memory. Source it after setting $work (a scratch directory; for a
# benchmark on a private JACK server, jack_bench makes it). When
# $run_dir is set, each run starts in it, emptied first (for tools that
# write files of their own). When $BENCH_TABLE names a file (bench/all.sh
# sets it), every result is also appended there as one line of its summary.

# table_row TOOL INPUT RATE VS-CAT PEAK-RSS REAL-TIME [PEERS]: one summary
# line, tab-separated, "-" where a column does not apply.
table_row() {
  [ -n "${BENCH_TABLE:-}" ] || return 0
  local IFS=$'\t'
  echo "$*" >>"$BENCH_TABLE"
}

# empty_run_dir: empties $run_dir, when it is set, before a run (and outside
# its timing: removing the last run's files is no part of the next run).
empty_run_dir() {
  [ -z "${run_dir:-}" ] || find "$run_dir" -mindepth 1 -delete
}

# run_in_place COMMAND...: runs COMMAND reading standard input, in $run_dir when it is set.
run_in_place() {
  if [ -n "${run_dir:-}" ]; then
    (cd "$run_dir" && "$@")
  else
    "$@"
  fi
}

# best_of_three FILE COMMAND...: seconds "cat FILE | COMMAND > /dev/null" takes, best of three.
best_of_three() {
  local file=$1 best="" start end
  shift
  for _ in 1 2 3; do
    empty_run_dir
    start=$EPOCHREALTIME
    cat "$file" | run_in_place "$@" >/dev/null
    end=$EPOCHREALTIME
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b + 0) ? t : b }')
  done
  echo "$best"
}

# peak_kib FILE COMMAND...: peak resident set of COMMAND reading FILE through a pipe, in KiB.
peak_kib() {
  local file=$1
  shift
  empty_run_dir
  cat "$file" | run_in_place /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null
  cat "$work/rss"
}

# measure_once LABEL FILE COMMAND...: one run of "COMMAND FILE" (the file
# named, so read as a regular file), its rate and peak resident set, as a
# line and a table row; for inputs too big to run three times and to pipe.
measure_once() {
  local label=$1 file=$2 bytes seconds rss
  shift 2
  bytes=$(stat -c %s "$file")
  empty_run_dir
  run_in_place /usr/bin/time -f '%e %M' -o "$work/once" "$@" "$file" >/dev/null
  read -r seconds rss <"$work/once"
  awk -v name="$label" -v n="$bytes" -v t="$seconds" -v rss="$rss" 'BEGIN {
    printf "%-12s %9.1f %10.1f %10s %8s %8d KiB  (one run, from a regular file)\n", name, n / 1e6, n / 1e6 / t, "-", "-", rss
  }'
  table_row "$label" "$(awk -v n="$bytes" 'BEGIN { printf "%.0f MB", n / 1e6 }') ${file##*.}, a regular file" \
    "$(awk -v n="$bytes" -v t="$seconds" 'BEGIN { printf "%.1f MB/s", n / 1e6 / t }')" - "$rss KiB" -
}

print_header() {
  printf '%-12s %9s %10s %10s %8s %12s\n' tool "input MB" "tool MB/s" "cat MB/s" "vs cat" "peak RSS"
}

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
  table_row "$label" "$(awk -v n="$bytes" 'BEGIN { printf "%.0f MB", n / 1e6 }') ${file##*.}" \
    "$(awk -v n="$bytes" -v t="$tool_s" 'BEGIN { printf "%.1f MB/s", n / 1e6 / t }')" \
    "$(awk -v t="$tool_s" -v c="$cat_s" 'BEGIN { printf "%.2g", c / t }')" "$rss KiB" -
}

# need_bench_programs NAME...: the generators and probes CMake builds into
# $build/bench/bin (sets bench_bin); a missing one ends the script.
need_bench_programs() {
  bench_bin=$build/bench/bin
  local name
  for name in "$@"; do
    [ -x "$bench_bin/$name" ] || { echo "${0##*/}: $bench_bin/$name not built (scripts/build $build)" >&2; exit 1; }
  done
}

# jack_bench SCRIPT SERVER [STOP]: the set-up of a benchmark on a private
# JACK server: ends the script when jackd is missing, makes $work, starts
# the server SERVER (as $JACK_DEFAULT_SERVER, start_dummy_jack), and at the
# script's exit runs the function STOP (the script's own processes), then
# stops the server and removes $work.
jack_bench() {
  command -v jackd >/dev/null || { echo "$1: jackd missing (scripts/setup installs jackd2)" >&2; exit 1; }
  work=$(mktemp -d)
  export JACK_DEFAULT_SERVER=$2
  jackd_pid=""
  jack_bench_stop=${3:-}
  trap stop_jack_bench EXIT
  start_dummy_jack "$1"
}

stop_jack_bench() {
  [ -z "$jack_bench_stop" ] || "$jack_bench_stop"
  [ -n "$jackd_pid" ] && { kill "$jackd_pid" 2>/dev/null; wait "$jackd_pid" 2>/dev/null; } || true
  rm -rf "$work"
}

# start_dummy_jack SCRIPT: starts the private JACK server $JACK_DEFAULT_SERVER
# (dummy driver, 48 kHz, 256 frames a cycle), with real-time scheduling
# where it is allowed, logging to $work/jackd.log, and sets $jackd_pid for
# the caller's cleanup; ends the script when the server does not start.
start_dummy_jack() {
  local mode
  for mode in -R --no-realtime; do
    jackd "$mode" -n "$JACK_DEFAULT_SERVER" -p 64 -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
    jackd_pid=$!
    jack_wait -w -t 10 >/dev/null 2>&1 && kill -0 "$jackd_pid" 2>/dev/null && return 0
  done
  echo "$1: jackd did not start" >&2
  cat "$work/jackd.log" >&2
  exit 1
}
