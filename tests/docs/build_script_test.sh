#!/usr/bin/env bash
# scripts/build must report failure, not "built in", when its folder or its
# log cannot be written, and when the build itself fails. Run as root, the
# unwritable cases run as the user nobody; as another user, a folder of mode
# 0555 stands in for one that belongs to someone else. Run as root in a
# checkout of another user, it must build as that user.
#   build_script_test.sh SOURCE_DIR
set -uo pipefail
src=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"

as_other=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "skipped: root without setpriv cannot build as another user"; exit 77; }
  as_other=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  # nobody must be able to reach the sources.
  "${as_other[@]}" test -r "$src/CMakeLists.txt" -a -x "$src/scripts/build" ||
    { echo "skipped: the user nobody cannot read $src"; exit 77; }
fi

mkdir -p "$work/locked/build" "$work/open"
# Run as root in a user's checkout, scripts/build builds as that user.
[ "$(id -u)" -eq 0 ] && chown "$(stat -c %u "$src"):$(stat -c %g "$src")" "$work/open"
chmod 0555 "$work/locked/build" "$work/locked"
failures=0
# case NAME EXPECTED-WORD COMMAND...: the command must fail, say no "built in"
# and name what it could not do.
case_fails() {
  local name=$1 word=$2 out status
  shift 2
  out=$("$@" 2>&1)
  status=$?
  if [ $status -eq 0 ] || grep -q '^built in' <<<"$out" || ! grep -q -- "$word" <<<"$out"; then
    echo "FAIL $name: status $status, output:"
    sed 's/^/  | /' <<<"$out"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}
case_fails "folder cannot be made" "cannot make" "${as_other[@]}" "$src/scripts/build" "$work/locked/new"
case_fails "log cannot be written" "build.log" "${as_other[@]}" "$src/scripts/build" "$work/locked/build"
case_fails "configuring fails" "failed" "$src/scripts/build" "$work/open" -DCMAKE_CXX_COMPILER=/nonexistent/c++

# Run as root in a checkout of another user, the build and its log belong to
# that user. Configuring fails at once here, which is all this needs.
if [ "$(id -u)" -eq 0 ]; then
  mkdir -p "$work/checkout"
  cp -r "$src/scripts" "$src/CMakeLists.txt" "$work/checkout/"
  chown -R nobody:nogroup "$work/checkout"
  (cd "$work/checkout" && scripts/build build -DCMAKE_CXX_COMPILER=/nonexistent/c++ >/dev/null 2>&1)
  owners=$(stat -c %U "$work/checkout/build" "$work/checkout/build/build.log" 2>&1 | sort -u)
  if [ "$owners" = nobody ]; then
    echo "ok   root in a user's checkout builds as that user"
  else
    echo "FAIL root in a user's checkout: build/ and its log belong to: $owners"
    failures=$((failures + 1))
  fi
fi
# Configured without the tests (as scripts/demo does), the tree has no test
# target, and the target "tools" is every tool.
cmake -S "$src" -B "$work/tools" -G Ninja -DZAMO_TESTS=OFF >"$work/tools.log" 2>&1 || cat "$work/tools.log"
wanted=$(ls "$src/tools" | sed -n 's/\.cpp$//p' | sort)
got=$(ninja -C "$work/tools" -t query tools 2>&1 | sed -n 's|^ *bin/||p' | sort)
tests=$(ninja -C "$work/tools" -t targets all 2>&1 | grep -c '_test:' || true)
if [ "$got" = "$wanted" ] && [ "$tests" -eq 0 ]; then
  echo "ok   the tools alone"
else
  echo "FAIL the tools alone: target tools has [$(echo $got)], not [$(echo $wanted)]; $tests test targets"
  failures=$((failures + 1))
fi
exit $((failures > 0))
