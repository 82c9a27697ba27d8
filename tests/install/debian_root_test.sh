#!/usr/bin/env bash
# The Debian packages in a Debian root of their own: builds them with cpack, installs them
# with apt into a minimal bookworm root (made once with debootstrap from the machine's
# Debian mirror and kept in BUILD/debian-root), starts the packaged orvserver and makes an
# echo call with the packaged orvcli, then purges the packages and shows that nothing of
# them is left but the user's own data (the server's database and
# the client's home folder). Skipped (exit 77) where the machine cannot make or enter the
# root (not root, no debootstrap, no mirror, no mounting).
set -uo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/echo_call.sh"
skip() { echo "SKIP: $*"; exit 77; }
[ "${ORV_SKIP_DEBIAN_ROOT:-0}" != 1 ] || skip "ORV_SKIP_DEBIAN_ROOT=1"
[ "$(id -u)" -eq 0 ] || skip "the Debian root needs root"
command -v debootstrap >/dev/null || skip "debootstrap is not installed"
root=$build/debian-root
scratch=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
mounted=0
cleanup() {
    [ $mounted -eq 1 ] && umount "$root/proc"
    rm -rf "$scratch"
}
trap cleanup EXIT

# The machine's own Debian mirror.
mirror=$(sed -nE 's|^URIs: *(http[^ ]*/debian)$|\1|p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
[ -n "$mirror" ] || mirror=$(sed -nE 's|^deb +(http[^ ]*/debian) +bookworm .*|\1|p' /etc/apt/sources.list 2>/dev/null | head -1)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian
if [ ! -x "$root/usr/bin/apt-get" ]; then
    rm -rf "$root"
    echo "making the Debian root from $mirror (once)"
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$scratch/debootstrap.log" 2>&1 \
        || { tail -5 "$scratch/debootstrap.log"; rm -rf "$root"; skip "debootstrap from $mirror failed"; }
fi
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null
mount -t proc proc "$root/proc" 2>/dev/null || skip "cannot mount /proc in the Debian root"
mounted=1
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root DEBIAN_FRONTEND=noninteractive "$@"; }
# A root left by a broken earlier run loses our packages first.
in_root apt-get purge -y -qq orvphone orvcli orvserver orv-common >/dev/null 2>&1
in_root rm -rf /var/lib/orvserver /var/lib/private/orvserver /root/.local/share/orv

packages=$scratch/packages
(cd "$build" && cpack -G DEB -B "$packages" >"$scratch/cpack.log" 2>&1) || { tail -20 "$scratch/cpack.log"; exit 1; }
mkdir -p "$root/tmp/orv-packages"
cp "$packages"/*.deb "$root/tmp/orv-packages/"

# The libraries the packages depend on belong to the root: when some are missing (the first
# run, or new dependencies), one install and purge of the packages brings them in (apt's
# lists fetched when needed), and they stay. So the root before the install differs from
# the root after the purge only by what the packages left, and later runs install offline.
install_packages() { in_root sh -c 'apt-get install -y -qq --no-install-recommends /tmp/orv-packages/*.deb'; }
to_install=$(in_root sh -c 'apt-get install -s --no-install-recommends /tmp/orv-packages/*.deb' 2>/dev/null | grep -c '^Inst ')
if [ "$to_install" != 4 ]; then
    echo "bringing the packages' dependencies into the Debian root"
    if ! install_packages >"$scratch/apt.log" 2>&1; then
        in_root apt-get update -qq >>"$scratch/apt.log" 2>&1
        install_packages >>"$scratch/apt.log" 2>&1 || { tail -20 "$scratch/apt.log"; skip "the packages' dependencies cannot be installed from the mirror"; }
    fi
    in_root apt-get purge -y -qq orvphone orvcli orvserver orv-common >>"$scratch/apt.log" 2>&1
fi

# Every path of the root but what the package tools and the kernel keep.
listing() {
    (cd "$root" && find . -xdev \( -path ./proc -o -path ./tmp -o -path ./var/cache -o -path ./var/lib/apt \
        -o -path ./var/lib/dpkg -o -path ./var/log -o -path ./etc/ld.so.cache -o -path ./run -o -path ./dev \) -prune \
        -o -print | sort)
}
listing >"$scratch/before"

install_packages >>"$scratch/apt.log" 2>&1 || { tail -20 "$scratch/apt.log"; fail "the packages did not install"; exit 1; }
for program in orvphone orvcli orvserver; do
    [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program is not installed"
done
[ -f "$root/usr/lib/systemd/system/orvserver.service" ] || fail "no orvserver.service"

# The packaged server on its state folder, the packaged client with its default home folder.
ECHO_CALL_LOG=$scratch/call.log echo_call in_root /usr/bin/orvserver --home /var/lib/orvserver -- in_root /usr/bin/orvcli \
    || { tail -20 "$scratch/call.log"; fail "the echo call between the packaged programs"; }
[ -s "$root/var/lib/orvserver/orvserver.db" ] || fail "the server kept no database"
[ -f "$root/root/.local/share/orv/orvcli.cfg" ] || fail "the client's home folder is not ~/.local/share/orv"

if ! in_root apt-get purge -y -qq orvphone orvcli orvserver orv-common >>"$scratch/apt.log" 2>&1; then
    tail -20 "$scratch/apt.log"; fail "the packages did not go"
fi
listing >"$scratch/after"
# Left: the user's data only (and the folders that hold it).
left=$(comm -13 "$scratch/before" "$scratch/after" | grep -vE '^\./(var/lib/orvserver|root/\.local)(/|$)' | grep -vxE '\./var/lib|\./root')
[ -z "$left" ] || { echo "$left" | head -20; fail "files of the packages are left"; }
gone=$(comm -23 "$scratch/before" "$scratch/after")
[ -z "$gone" ] || { echo "$gone" | head; fail "files of the root are gone"; }
in_root rm -rf /var/lib/orvserver /root/.local/share/orv /tmp/orv-packages

[ $failures -eq 0 ] && echo "Debian root: installed, called, removed; only the user's data is left"
exit $((failures > 0))
