#!/bin/busybox sh
# /init of the test machine: loads the ALSA sequencer with a loopback client
# ("Midi Through") and four virtual raw MIDI ports, runs the staged command
# from the shared folder inside it as its root, leaves the exit status beside
# its output, and powers off.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev

# The modules in the order build_image.sh lists them.
for module in $(cat /etc/modules); do
  modprobe "$module" || echo "init: cannot load $module"
done

stage=/stage
mkdir -p "$stage"
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 stage "$stage"; then
  mount --bind /dev "$stage/dev"
  mount -t proc proc "$stage/proc"
  mount -t sysfs sys "$stage/sys"
  # A fresh /tmp in memory, unless the staged files themselves live there.
  [ -n "$(ls -A "$stage/tmp")" ] || mount -t tmpfs tmp "$stage/tmp"
  # The command and its environment, as the host wrote them.
  . "$stage/.vm/command"
  echo "$?" >"$stage/.vm/status"
  umount "$stage/tmp" 2>/dev/null
  umount "$stage/sys" "$stage/proc" "$stage/dev"
  sync
  umount "$stage"
else
  echo "init: the shared folder does not mount"
fi
poweroff -f
