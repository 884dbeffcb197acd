#!/usr/bin/env bash
# The bash completion against the built tools: "-" offers exactly the
# letters each tool's --help lists, a letter whose text is a file completes
# file names after it, and the hand-checked cases below hold (letters in
# either case, directories only, "-S:file", bare flags, after "--").
#   completion_test.sh BIN_DIR COMPLETION_SCRIPT TOOL...
set -uo pipefail
bin=$(cd "$1" && pwd) script=$(realpath "$2")
shift 2
tools=("$@")
export PATH=$bin:$PATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/sub"
touch "$work/song.mml" "$work/setup.syx" "$work/sub/my song.mml"
cd "$work" || exit 1
# shellcheck source=/dev/null
source "$script" || { echo "FAIL the script does not load"; exit 1; }
failures=0

# offers LINE: what completing at the end of LINE offers, sorted, one line.
# The words are split as bash splits them, at blanks and at ":" and "=".
offers() {
  local line=$1 spaced
  spaced=${line//:/ : }
  spaced=${spaced//=/ = }
  read -ra COMP_WORDS <<<"$spaced"
  case $line in *" " | *: | *=) COMP_WORDS+=("") ;; esac
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line}
  _zamo
  printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}

check() {
  local line=$1 want=$2 got
  got=$(offers "$line")
  if [ "$got" = "$want" ]; then
    echo "ok   '$line' -> '$got'"
  else
    echo "FAIL '$line' -> '$got', wanted '$want'"
    failures=$((failures + 1))
  fi
}

# Each tool: the letters of its --help (read here with sed, apart from the
# script's own reading), and file names after every letter that takes a file.
for tool in "${tools[@]}"; do
  help=$("$tool" --help)
  letters=$(sed -n 's/^  -\([A-Za-z]\).*/-\1/p' <<<"$help")
  check "$tool -" "$(printf '%s\n' -- --help --version $letters | sort | paste -sd ' ')"
  for letter in $(sed -n 's/^  -\([A-Za-z]\)file .*/\1/p' <<<"$help"); do
    check "$tool -$letter" "-${letter}setup.syx -${letter}song.mml -${letter}sub/"
  done
done

# Hand-checked cases: line, then what it offers.
cases=(
  "zembra -os"      "-osetup.syx -osong.mml -osub/"  # the letter in lower case stays as typed
  "zembra -Lso"     "-Lsong.mml"
  "zembra -Osub/m"  "-Osub/my\\ song.mml"             # quoted for the shell
  "zembra --"       "-- --help --version"
  "zembra --v"      "--version"
  "oktile -E"       "-Esub/"                         # a directory only
  "oktile -es"      "-esub/"
  "mirvok -S:"      "setup.syx song.mml sub/"        # readline replaces what follows ":"
  "mirvok -S:so"    "song.mml"
  "mirvok -S"       "-S"
  "mirvok -S41"     ""                               # a pattern is no file
  "zutane -x"       "-x"                             # a flag: the word is done
  "zutane -Xa"      ""
  "fendix -Q"       ""                               # no such letter
  "zembra -- -O"    ""                               # after "--" only files, by bash itself
  "zembra so"       ""                               # a file argument: bash itself
  "mirvok -Pd="     ""
)
for ((i = 0; i < ${#cases[@]}; i += 2)); do
  tool=${cases[i]%% *}
  if [[ " ${tools[*]} " == *" $tool "* ]]; then check "${cases[i]}" "${cases[i + 1]}"; fi
done

# The words before the one completed do not change what it offers.
check "zembra -T8 -Oout.ost -" "$(offers "zembra -")"
# A name outside the path offers nothing rather than failing.
check "no-such-zamo-tool -" ""

if [ "$failures" -gt 0 ]; then
  echo "$failures failures"
  exit 1
fi
