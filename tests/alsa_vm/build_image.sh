#!/usr/bin/env bash
# Makes the test machine's kernel and initramfs in DIR once: the kernel of
# Debian's linux-image-amd64 (fetched with apt-get download) and a
# busybox-static initramfs with the sound, virtio and 9p modules and
# vm_init.sh as /init. A changed vm_init.sh rebuilds only the initramfs, a
# changed modules list the whole.
#   build_image.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: build_image.sh DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# What /init loads, in this order: the sequencer with its loopback client
# ("Midi Through") and the virtual raw MIDI card, then what the shared folder needs.
modules=(soundcore snd snd-timer snd-hrtimer snd-seq-device snd-seq snd-seq-dummy snd-rawmidi
         snd-seq-midi-event snd-seq-virmidi snd-virmidi virtio_pci 9pnet_virtio 9p)

cleanup=()
trap 'rm -rf "${cleanup[@]}"' EXIT
fail() { echo "build_image: $*" >&2; exit 1; }
command -v busybox >/dev/null || fail "busybox is missing (scripts/setup --tests installs busybox-static)"
busybox=$(command -v busybox)
file "$busybox" 2>/dev/null | grep -q dynamically && fail "$busybox is not static (install busybox-static)"

# The kernel: the image package linux-image-amd64 depends on, with the modules
# we need and a modules.dep for busybox modprobe.
if [ ! -f "$dir/vmlinuz" ] || [ "$(cat "$dir/modules/wanted" 2>/dev/null)" != "${modules[*]}" ]; then
  image_package() {
    apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n1
  }
  package=$(image_package)
  if [ -z "$package" ] && [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq >&2 || true  # a machine whose package lists were never fetched
    package=$(image_package)
  fi
  [ -n "$package" ] || fail "apt knows no linux-image-amd64 (run apt-get update as root)"
  work=$(mktemp -d "$dir/fetch.XXXXXX")
  cleanup+=("$work")
  echo "build_image: fetching $package" >&2
  sandbox=(); [ "$(id -u)" -ne 0 ] || sandbox=(-o APT::Sandbox::User=root)  # root fetches into a folder _apt cannot write
  (cd "$work" && apt-get download -q "${sandbox[@]}" "$package" >&2) || fail "apt-get download $package failed"
  dpkg-deb -x "$work"/*.deb "$work/root"
  version=$(ls "$work/root/lib/modules")
  busybox depmod -b "$work/root" "$version"
  tree=$work/root/lib/modules/$version
  # Each wanted module's file and the files it depends on.
  needed=$(for m in "${modules[@]}"; do
             awk -v m="$m" -F': *' '{ n = $1; sub(/.*\//, "", n); sub(/\.ko$/, "", n); gsub(/_/, "-", n)
                                       w = m; gsub(/_/, "-", w)
                                       if (n == w) { print $1; if ($2 != "") print $2 } }' "$tree/modules.dep" | tr ' ' '\n'
           done | sort -u)
  rm -rf "$dir/modules.new"
  mkdir -p "$dir/modules.new"
  for f in $needed; do
    mkdir -p "$dir/modules.new/$(dirname "$f")"
    cp "$tree/$f" "$dir/modules.new/$f"
  done
  cp "$tree"/modules.builtin "$tree"/modules.order "$dir/modules.new/"
  echo "$version" >"$dir/modules.new/version"
  echo "${modules[*]}" >"$dir/modules.new/wanted"
  mkdir -p "$work/subset/lib/modules"
  mv "$dir/modules.new" "$work/subset/lib/modules/$version"
  busybox depmod -b "$work/subset" "$version"
  rm -rf "$dir/modules"
  mv "$work/subset/lib/modules/$version" "$dir/modules"
  cp "$work/root/boot/vmlinuz-$version" "$dir/vmlinuz"
fi

# The initramfs, remade when what goes into it changed.
stamp=$( (cat "$here/vm_init.sh" "$0"; sha256sum "$busybox") | sha256sum | cut -c1-16)
if [ -f "$dir/initramfs.cpio.gz" ] && [ "$(cat "$dir/initramfs.stamp" 2>/dev/null)" = "$stamp" ]; then
  exit 0
fi
version=$(cat "$dir/modules/version")
root=$(mktemp -d "$dir/initramfs.XXXXXX")
cleanup+=("$root")
mkdir -p "$root"/{bin,dev,etc,proc,sys,stage,lib/modules}
echo "${modules[*]}" >"$root/etc/modules"
cp "$busybox" "$root/bin/busybox"
cp "$here/vm_init.sh" "$root/init"
chmod 755 "$root/init" "$root/bin/busybox"
cp -r "$dir/modules" "$root/lib/modules/$version"
(cd "$root" && find . | busybox cpio -o -H newc -R 0:0 2>/dev/null | gzip -1 >"$dir/initramfs.cpio.gz.new")
mv "$dir/initramfs.cpio.gz.new" "$dir/initramfs.cpio.gz"
echo "$stamp" >"$dir/initramfs.stamp"
echo "build_image: kernel $version and initramfs ready in $dir" >&2
