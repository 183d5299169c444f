#!/bin/sh
# Makes, once, the Debian 13 root in which the tests meet Wine 10: Debian 12's
# Wine runs 32-bit Windows code only through 32-bit Linux code, which this
# machine refuses, while Wine 10's WoW64 mode runs it inside its 64-bit
# process. Debian builds that Wine without the 32-bit Windows DLLs, so they
# are taken from its libwine:i386 package of the same version. The root lives
# outside the repository, at TAVREL_WOW64_ROOT (/var/cache/tavrel-wow64 by
# default), and later runs reuse it; `rm -rf` removes it, since no run leaves a
# mount behind. Prints the root's path; fails when the root cannot be made.
set -eu
root=${TAVREL_WOW64_ROOT:-/var/cache/tavrel-wow64}
# What the root holds: a root made from another list is made anew.
packages="wine64 wine xvfb xauth locales fonts-ipafont-gothic cmake unzip"
recipe="trixie minbase: $packages; libwine:i386 DLLs; ja_JP en_US"
stamp=$root/etc/tavrel-wow64

fail() {
  echo "wow64-root.sh: $*; the 32-bit and Wine 10 runs cannot take place" >&2
  exit 1
}

ready() { [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ]; }

# A mount under a folder about to be deleted would take the mounted tree along.
unmounted() {
  ! awk -v dir="$1/" 'index($5 "/", dir) == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo
}

# Debian's own mirror, as the host's apt sources name it: nothing else is
# reachable from these machines.
host_mirror() {
  {
    sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | tr ' \t' '\n\n'
    sed -n 's/^deb[[:space:]]\{1,\}\(\[[^]]*\][[:space:]]\{1,\}\)\{0,1\}\([^[:space:]]*\).*/\2/p' \
      /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null
  } | grep -E '/debian/?$' | head -n 1
}

# Runs in a mount namespace of its own, so that /proc and /dev vanish with it
# whatever way it ends.
if [ "${1:-}" = --inside ]; then
  new=$2
  mount -t proc proc "$new/proc"
  mount --rbind /dev "$new/dev"
  trap 'umount -R "$new/dev"; umount "$new/proc"' EXIT
  trap 'exit 1' INT TERM HUP
  chroot "$new" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive sh -euc '
    apt-get update -q
    apt-get install -y -q '"$packages"'
    # The 32-bit Windows half of Wine, unpacked beside the 64-bit one: it is
    # Windows code only, so it needs no 32-bit Linux.
    dpkg --add-architecture i386
    apt-get update -q
    version=$(dpkg-query -W -f="\${Version}" libwine:amd64)
    work=$(mktemp -d)
    cd "$work"
    apt-get download "libwine:i386=$version"
    dpkg -x libwine_*_i386.deb unpacked
    cp -R --update=none unpacked/usr/lib/i386-linux-gnu/wine/i386-windows/. /usr/lib/x86_64-linux-gnu/wine/i386-windows/
    cd /
    rm -rf "$work"
    dpkg --remove-architecture i386 2>/dev/null || true
    for name in ja_JP en_US; do
      sed -i "s/^# *$name.UTF-8 UTF-8/$name.UTF-8 UTF-8/" /etc/locale.gen
    done
    locale-gen
    apt-get clean
    rm -rf /var/lib/apt/lists/*
  '
  exit 0
fi

if ready; then echo "$root"; exit 0; fi
mkdir -p "$(dirname "$root")"
# One maker at a time; a run that finds the root made meanwhile takes it.
exec 9>"$root.lock"
flock 9
if ready; then echo "$root"; exit 0; fi
for tool in debootstrap unshare chroot flock; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing"
done
mirror=$(host_mirror)
[ -n "$mirror" ] || fail "no Debian mirror found in the host's apt sources"
new=$root.new
for folder in "$new" "$root"; do
  unmounted "$folder" || fail "something is mounted under $folder"
done
rm -rf "$new"
echo "making the Wine 10 root at $root from $mirror" >&2
debootstrap --variant=minbase trixie "$new" "$mirror" >"$new.log" 2>&1 ||
  { tail -n 20 "$new.log" >&2; fail "debootstrap failed (log: $new.log)"; }
unshare --mount --propagation private sh "$0" --inside "$new" >>"$new.log" 2>&1 ||
  { tail -n 20 "$new.log" >&2; fail "installing Wine 10 into the root failed (log: $new.log)"; }
[ -x "$new/usr/lib/wine/wine64" ] && [ -f "$new/usr/lib/x86_64-linux-gnu/wine/i386-windows/kernel32.dll" ] ||
  fail "the root has no WoW64 Wine (log: $new.log)"
echo "$recipe" >"$new/etc/tavrel-wow64"
rm -rf "$root"
mv "$new" "$root"
rm -f "$new.log"
echo "$root"
