#!/bin/sh
# Runs a command inside the Wine 10 root of scripts/wow64-root.sh, making the
# root first if need be, with TAVREL_WINE naming its 64-bit Wine, which runs
# 32-bit Windows code too. The repository is mounted at its own path inside,
# so that the build folders' absolute paths hold there as well. The mounts
# are made in a mount namespace of this run alone and undone when it ends.
# Usage: wow64-run.sh COMMAND [ARGUMENT...], from anywhere.
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" != --inside ]; then
  root=$(sh "$repo/scripts/wow64-root.sh")
  # Shared: a remake of the root waits until no run is inside it.
  exec 9>"$root.lock"
  flock -s 9
  exec unshare --mount --propagation private sh "$0" --inside "$root" "$@"
fi
root=$2
shift 2
# Innermost first. /tmp is the host's: Xvfb's display locks and sockets must
# be seen by every X server on the machine.
undo() {
  for target in "$root$repo" "$root/tmp" "$root/dev" "$root/sys" "$root/proc"; do
    if mountpoint -q "$target"; then umount -R "$target" || umount -R -l "$target"; fi
  done
}
trap undo EXIT
trap 'exit 1' INT TERM HUP
mount -t proc proc "$root/proc"
for source in /sys /dev /tmp "$repo"; do
  mkdir -p "$root$source"
  mount --rbind "$source" "$root$source"
done
chroot "$root" env PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TAVREL_WINE=/usr/lib/wine/wine64 \
  sh -c 'cd "$1" && shift && exec "$@"' wow64 "$PWD" "$@"
