#!/usr/bin/env bash
# What `cmake --install` and the Debian package put in place: exactly the
# tools, a compressed man page for each and the overview page, the
# documents with the examples, and the completion under every tool's name.
# The package part is skipped when cpack or dpkg-deb is missing.
#   install_test.sh BUILD_DIR SOURCE_DIR TOOL...
set -uo pipefail
build=$1 src=$2
shift 2
tools=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# The files an install must hold, relative to the prefix, sorted.
expected_files() {
  local tool file
  for tool in "${tools[@]}"; do
    echo "bin/$tool"
    echo "share/man/man1/$tool.1.gz"
    echo "share/bash-completion/completions/$tool"
  done
  echo share/man/man7/zamo.7.gz
  echo share/bash-completion/completions/zamo
  echo share/doc/zamo/README.md
  echo share/doc/zamo/copyright
  for file in "$src"/docs/*.md; do echo "share/doc/zamo/docs/${file##*/}"; done
  for file in "$src"/examples/*; do echo "share/doc/zamo/examples/${file##*/}"; done
}
expected_files | sort >"$work/expected"

# check_tree ROOT WHAT: the files and links under ROOT against the list.
check_tree() {
  local root=$1 what=$2 tool page
  (cd "$root" && find . ! -type d | sed 's|^\./||' | sort) >"$work/found"
  if ! diff -u "$work/expected" "$work/found" >"$work/diff"; then
    fail "$what: the installed files differ from the expected (- missing, + unexpected):"
    sed 's/^/  | /' "$work/diff"
  fi
  for tool in "${tools[@]}"; do
    [ -x "$root/bin/$tool" ] || fail "$what: bin/$tool is not executable"
    [ "$(readlink "$root/share/bash-completion/completions/$tool")" = zamo ] ||
      fail "$what: the completion for $tool is not a link to zamo"
  done
  for page in "${tools[@]/%/.1}" zamo.7; do
    local packed=$root/share/man/man${page##*.}/$page.gz
    [ -f "$packed" ] || continue  # reported by the list above
    gzip -dc "$packed" | cmp -s - "$src/docs/man/$page" || fail "$what: $page.gz is not docs/man/$page"
    # gzip -n: header flags and time stamp zero, no name inside, the same bytes on every build.
    [ "$(od -An -tx1 -j3 -N5 "$packed" | tr -d ' \n')" = 0000000000 ] ||
      fail "$what: $page.gz carries a name or a time stamp (gzip without -n)"
  done
  bash -c 'source "$1" || exit 1
           for t in "${@:2}"; do complete -p "$t" | grep -q " -F _zamo " || exit 1; done' _ \
      "$root/share/bash-completion/completions/zamo" "${tools[@]}" ||
    fail "$what: sourcing the completion does not register _zamo for every tool"
}

# Every tool of the build has its page, and the overview names every tool.
for tool in "${tools[@]}"; do
  [ -f "$src/docs/man/$tool.1" ] || fail "docs/man/$tool.1 is missing"
  grep -q "^\.BR $tool (1)" "$src/docs/man/zamo.7" || fail "zamo.7 does not name $tool"
done

if cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1; then
  check_tree "$work/prefix" "cmake --install"
else
  fail "cmake --install failed:"
  sed 's/^/  | /' "$work/install.log"
fi

if ! command -v cpack >/dev/null || ! command -v dpkg-deb >/dev/null; then
  echo "package: skipped (cpack or dpkg-deb missing)"
# gzip instead of xz: the contents are the same, and xz takes a minute on a sanitizer build.
elif cpack --config "$build/CPackConfig.cmake" -B "$work/package" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip \
    >"$work/cpack.log" 2>&1; then
  deb=$(ls "$work"/package/zamo_*.deb 2>/dev/null | head -n 1)
  if [ -z "$deb" ]; then
    fail "cpack wrote no zamo_*.deb"
  else
    dpkg-deb -x "$deb" "$work/unpacked"
    check_tree "$work/unpacked/usr" "the package"
    [ "$(find "$work/unpacked" -mindepth 1 -maxdepth 1)" = "$work/unpacked/usr" ] ||
      fail "the package puts files outside /usr"
    # field NAME PATTERN: the control field matches the extended regex.
    field() {
      local value
      value=$(dpkg-deb -f "$deb" "$1")
      grep -Eq "$2" <<<"$value" || fail "package field $1 is '$value', wanted /$2/"
    }
    field Package '^zamo$'
    field Version '^[0-9]+\.[0-9]+'
    field Section '^sound$'
    field Maintainer '^[^<]+ <[^>]+@[^>]+>$'
    field Depends 'libasound2'
    field Depends 'libjack'
    field Depends 'libc6'
    field Depends 'libstdc\+\+6'
    field Description '^command-line MIDI tools'
    echo "package: $(stat -c %s "$deb") bytes, $(dpkg-deb -c "$deb" | grep -vc '/$') files and links"
  fi
else
  fail "cpack failed:"
  sed 's/^/  | /' "$work/cpack.log"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "ok: ${#tools[@]} tools, $(wc -l <"$work/expected") files installed as expected"
