#!/usr/bin/env bash
# Builds the Debian package and tries it as a new user would, in a throwaway
# minimal Debian root made by debootstrap: `apt install ./quorvane_*.deb`,
# then `quorvane-echo 127.0.0.1` must get a reply, `quorvane --version` must
# print the version, the installed monitor must keep its log file in root's
# data folder, and `apt remove` must take it all away again. lintian must
# report no errors. Needs root (debootstrap, chroot) and a Debian mirror
# (DEBIAN_MIRROR, default deb.debian.org); run by hand, not by `make test`.
set -euo pipefail
cd "$(dirname "$0")/.."
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
suite=${DEBIAN_SUITE:-bookworm}
[ "$(id -u)" -eq 0 ] || { echo "check-package.sh needs root for debootstrap and chroot"; exit 1; }
step() { printf '\n== %s (%ss)\n' "$*" "$SECONDS"; }

step "make package"
make package
deb=$(ls -t build/quorvane_*.deb | head -1)
name=$(basename "$deb")
dpkg-deb --field "$deb" Package Version Architecture Installed-Size Depends
dpkg-deb --contents "$deb" | awk '{print $6}'

missing=()
for tool in debootstrap lintian; do command -v "$tool" >/dev/null || missing+=("$tool"); done
[ ${#missing[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"

step "lintian $name"
lintian --fail-on error --display-info "$deb" && echo "lintian: no errors"

work=$(mktemp -d /var/tmp/quorvane-package-check.XXXXXX)
root=$work/root
cleanup() {
  mountpoint -q "$root/proc" && umount "$root/proc"
  rm -rf "$work"
}
trap cleanup EXIT

step "debootstrap --variant=minbase $suite from $mirror"
if ! debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$work/debootstrap.log" 2>&1; then
  tail -20 "$work/debootstrap.log"
  exit 1
fi
tail -1 "$work/debootstrap.log"
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"
in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

step "apt install ./$name"
in_root bash -o pipefail -c "cd /tmp && apt-get update -q >/dev/null && apt install -y ./$name 2>&1 | grep -E 'newly installed|Need to get|Setting up quorvane'"

step "quorvane --version"
in_root quorvane --version
step "quorvane-echo --version"
in_root quorvane-echo --version
step "quorvane-echo 127.0.0.1 (as root)"
in_root quorvane-echo 127.0.0.1
step "the ICMP helper has cap_net_raw+ep"
in_root getcap /usr/lib/quorvane/quorvane-icmp | grep -q 'cap_net_raw=ep'
# In a network namespace of its own the kernel's ping sockets are closed, as
# Debian keeps them: an ordinary user then pings through the helper.
step "quorvane-echo 127.0.0.1 (as nobody, ping sockets closed)"
unshare -n sh -c 'ip link set lo up && exec "$0" "$@"' chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 setpriv --reuid=nobody --regid=nogroup --clear-groups quorvane-echo 127.0.0.1
step "quorvane --help"
in_root quorvane --help
step "quorvane --no-such-option"
status=0
in_root quorvane --no-such-option || status=$?
echo "exit status $status"
[ "$status" -eq 2 ]

step "installed monitor, Write log on, polling 127.0.0.1 for three seconds"
in_root sh -c 'mkdir -p /root/.config/Halvetor /tmp/run &&
  printf "[General]\ninterval=1\nwritelog=yes\n" > /root/.config/Halvetor/Quorvane.conf &&
  printf "127.0.0.1;loopback\r\n" > /tmp/run/hosts.txt &&
  cd /tmp/run && QT_QPA_PLATFORM=offscreen timeout -s TERM 3 quorvane hosts.txt 2>&1; true'
in_root sh -c 'ls -l /root/.local/share/Halvetor/Quorvane/ && head -3 /root/.local/share/Halvetor/Quorvane/hosts.txt.log'
in_root sh -c 'ls /usr/bin/quorvane*'

step "apt remove quorvane"
in_root bash -o pipefail -c 'apt remove -y quorvane 2>&1 | tail -2; ! ls /usr/bin/quorvane* 2>/dev/null && echo "programs removed"'

step "all checks passed"
