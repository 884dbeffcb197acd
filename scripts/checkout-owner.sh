# Sourced by the scripts: only the package installation needs root. Run as
# root in a checkout that belongs to another user, a script starts itself
# again as that user, so that build/ and everything in it stay the user's.
# CI, as root in a checkout of root's, goes on as root.
#   run_as_checkout_owner "$0" "$@"     (from the checkout's top folder)
run_as_checkout_owner() {
  [ "$(id -u)" -eq 0 ] || return 0
  local uid gid groups=--clear-groups
  uid=$(stat -c %u .)
  gid=$(stat -c %g .)
  [ "$uid" -ne 0 ] || return 0
  if ! command -v setpriv >/dev/null; then
    echo "${0##*/}: refusing to build as root in a checkout of user $(stat -c %U .): files in build/ would belong to root; run it as that user (setpriv, which would switch, is missing)" >&2
    exit 1
  fi
  local home
  if home=$(getent passwd "$uid" | cut -d: -f6) && [ -n "$home" ]; then
    groups=--init-groups
    export HOME=$home
  fi
  echo "${0##*/}: the checkout belongs to $(stat -c %U .), so the build runs as that user" >&2
  exec setpriv --reuid="$uid" --regid="$gid" "$groups" "$@"
}
