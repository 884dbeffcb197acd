#!/usr/bin/env bash
# Regenerates dump.syx, the bundled SysEx dump, from dump.mml with the
# suite's own tools: zembra writes it as a Standard MIDI File and oktile
# takes the SysEx messages out of that. Or, given two paths, makes OUT.syx
# from DUMP.mml the same way:
#   examples/make-dump.sh [DUMP.mml OUT.syx]
# The tools are taken from the PATH, else from the checkout's build/bin.
set -euo pipefail
here=$(dirname "$0")
mml=${1:-$here/dump.mml}
syx=${2:-$here/dump.syx}
command -v zembra >/dev/null || PATH=$here/../build/bin:$PATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

zembra -S "$mml" >"$work/dump.mid"
oktile "$work/dump.mid" >"$syx"
