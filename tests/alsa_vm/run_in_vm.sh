#!/usr/bin/env bash
# Runs PROGRAM with ARGS inside the test machine (kernel and initramfs made by
# build_image.sh in DIR) and exits with its status. The program, the files
# given with --with (tools it starts), their shared libraries (from ldd) and
# ALSA's configuration are staged at their own paths in a folder the machine
# mounts over 9p as its root; output and status come back through it. The
# machine is killed after --timeout seconds (120 by default).
#   run_in_vm.sh --image DIR [--timeout S] [--with FILE]... -- PROGRAM [ARGS...]
set -euo pipefail

image= timeout=120 with=()
while [ $# -gt 0 ]; do
  case $1 in
    --image) image=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --with) with+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) echo "run_in_vm: unknown argument '$1'" >&2; exit 2 ;;
  esac
done
[ -n "$image" ] && [ $# -gt 0 ] || { echo "usage: run_in_vm.sh --image DIR [--timeout S] [--with FILE]... -- PROGRAM [ARGS...]" >&2; exit 2; }
fail() { echo "run_in_vm: $*" >&2; exit 1; }
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is missing (scripts/setup --tests installs qemu-system-x86)"
[ -f "$image/vmlinuz" ] && [ -f "$image/initramfs.cpio.gz" ] || fail "no kernel and initramfs in $image (build_image.sh makes them)"

stage=$(mktemp -d "$image/run.XXXXXX")
trap 'rm -rf "$stage"' EXIT

# stage FILE: copies FILE to the same path under the stage.
stage_file() {
  local target=$stage$1
  [ -e "$target" ] && return 0
  mkdir -p "$(dirname "$target")"
  cp -L "$1" "$target"
}
# Absolute, but not resolved: the test finds the tools by the paths it was built with.
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
program=$(absolute "$1")
shift
for file in "$program" "${with[@]}"; do
  file=$(absolute "$file")
  [ -f "$file" ] && [ -x "$file" ] || fail "$file is not an executable"
  stage_file "$file"
  # "name => /path (addr)" and the loader's own "/path (addr)".
  while read -r lib; do
    stage_file "$lib"
  done < <(ldd "$file" | sed -n -e 's/^.*=> \(\/[^ ]*\) (.*$/\1/p' -e 's/^[[:space:]]*\(\/[^ ]*\) (.*$/\1/p')
done
for conf in /usr/share/alsa /etc/alsa; do
  if [ -d "$conf" ]; then mkdir -p "$stage$conf" && cp -rL "$conf/." "$stage$conf/"; fi
done
mkdir -p "$stage"/{dev,proc,sys,tmp,.vm}

# The command line and the environment that crosses over, quoted for sh.
quote() { printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"; }
{
  echo "export PATH=/usr/bin:/bin HOME=/tmp TMPDIR=/tmp"
  for var in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS GTEST_FILTER GTEST_COLOR; do
    [ -n "${!var:-}" ] && echo "export $var=$(quote "${!var}")"
  done
  printf 'chroot "$stage" %s' "$(quote "$program")"
  for arg in "$@"; do printf ' %s' "$(quote "$arg")"; done
  echo ' >"$stage/.vm/output" 2>&1'
} >"$stage/.vm/command"

accel=tcg
if [ -r /dev/kvm ] && [ -w /dev/kvm ] && grep -qwE 'vmx|svm' /proc/cpuinfo; then accel=kvm; fi
console=$stage/.vm/console
started=$(date +%s%N)
set +e
timeout --kill-after=5 "$timeout" qemu-system-x86_64 -nodefaults -no-user-config -no-reboot \
  -machine q35,accel=$accel -cpu max -smp 1 -m 1024 -display none -monitor none \
  -serial "file:$console" \
  -kernel "$image/vmlinuz" -initrd "$image/initramfs.cpio.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 oops=panic" \
  -virtfs "local,path=$stage,mount_tag=stage,security_model=none" </dev/null
qemu_status=$?
set -e
elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
seconds=$((elapsed / 1000)).$(printf '%03d' $((elapsed % 1000)))
[ -f "$stage/.vm/output" ] && cat "$stage/.vm/output"
if [ ! -f "$stage/.vm/status" ]; then
  echo "run_in_vm: no exit status came back (qemu status $qemu_status after $seconds s); the machine's console:" >&2
  tail -n 40 "$console" >&2 || true
  [ $qemu_status -eq 124 ] && fail "the machine ran past $timeout s and was stopped"
  exit 1
fi
status=$(cat "$stage/.vm/status")
echo "run_in_vm: ${program##*/} exited with $status; the machine ran $seconds s ($accel)" >&2
exit "$status"
