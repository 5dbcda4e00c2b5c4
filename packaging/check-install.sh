#!/usr/bin/env bash
# Installs the package in a clean Debian 12 root and runs it there from the installed files
# alone: debootstrap makes a minimal bookworm root, apt-get installs the package into it with
# the dependencies it names (and man-db, to read the manual page), and the installed program
# must recognise the bundled sample exactly as the program built here does, with either
# method. Needs root and the Debian mirror that this machine's apt uses. The root is removed
# at the end, whatever happens.
#
#   packaging/check-install.sh DEB [PROGRAM]    PROGRAM: the built program to compare with
#                                               (default build/release/app/umnoglaz)
set -euo pipefail
cd "$(dirname "$0")/.."

deb="${1:?usage: packaging/check-install.sh DEB [PROGRAM]}"
program="${2:-build/release/app/umnoglaz}"
[ "$(id -u)" -eq 0 ] || { echo "check-install.sh needs root (debootstrap, chroot)" >&2; exit 2; }
[ -f "$deb" ] || { echo "no package at $deb" >&2; exit 2; }
[ -x "$program" ] || { echo "no built program at $program" >&2; exit 2; }
start=$SECONDS

# The mirror that apt here uses for bookworm, from either form of source list.
mirror="$(sed -n 's/^URIs: *\(http[^ ]*debian\)\/*$/\1/p' /etc/apt/sources.list.d/*.sources \
    2>/dev/null | grep -v security | head -n 1)" || true
[ -n "$mirror" ] || mirror="$(sed -n 's/^deb \(http[^ ]*\) bookworm .*/\1/p' \
    /etc/apt/sources.list 2>/dev/null | head -n 1)" || true
mirror="${mirror:-http://deb.debian.org/debian}"

work="$(mktemp -d "${TMPDIR:-/var/tmp}/umnoglaz-install.XXXXXX")"
root="$work/root"
cleanup()
{
    # Unmount whatever is mounted inside the root, deepest first, before anything is removed.
    local mounts
    mounts="$(awk -v root="$root" 'index($2, root "/") == 1 { print $2 }' /proc/mounts | sort -r)"
    for mount in $mounts; do umount -l "$mount" || true; done
    if awk -v root="$root" 'index($2, root "/") == 1 { found = 1 } END { exit !found }' \
        /proc/mounts; then
        echo "check-install.sh: could not unmount everything in $root; left in place" >&2
        return
    fi
    rm -rf --one-file-system "$work"
    echo "install check: $((SECONDS - start)) s in all, removing the root included"
}
trap cleanup EXIT

echo "== debootstrap bookworm from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
echo "   $((SECONDS - start)) s"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mkdir -p "$root/check"
cp "$deb" "$root/check/"
cp samples/pen-digits.bmp "$root/check/"

inside() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== apt-get install ./$(basename "$deb")"
inside sh -c 'cd /check && apt-get update -q && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends ./umnoglaz_*.deb man-db' \
    >"$work/apt.log" 2>&1 || { tail -n 30 "$work/apt.log" >&2; exit 1; }
echo "   $((SECONDS - start)) s; installed: $(inside dpkg-query -W -f='${Package} ${Version}' umnoglaz)"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The same picture under the same name, so that the reports may be compared byte for byte.
here="$work/here"
mkdir "$here"
cp samples/pen-digits.bmp "$here/"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
for arguments in "--recognize pen-digits.bmp" "--recognize pen-digits.bmp --method learned --json" \
    "--version"; do
    # shellcheck disable=SC2086
    expected="$(cd "$here" && "$program" $arguments)"
    # shellcheck disable=SC2086
    got="$(inside sh -c "cd /check && umnoglaz $arguments")" || fail "umnoglaz $arguments failed"
    if [ "$got" = "$expected" ]; then
        echo "same output: umnoglaz $arguments"
    else
        fail "umnoglaz $arguments differs from $program:"
        diff <(echo "$expected") <(echo "$got") >&2 || true
    fi
done

inside sh -c 'MANWIDTH=80 man umnoglaz 2>/dev/null' | grep -q "recognise digit shapes" ||
    fail "man umnoglaz does not show the page"
inside bash -c 'source /usr/share/bash-completion/completions/umnoglaz && complete -p umnoglaz' \
    >/dev/null || fail "the bash completion does not load"
for file in /usr/share/applications/umnoglaz.desktop \
    /usr/share/icons/hicolor/scalable/apps/umnoglaz.svg \
    /usr/share/icons/hicolor/256x256/apps/umnoglaz.png /usr/share/doc/umnoglaz/copyright; do
    [ -f "$root$file" ] || fail "$file is not installed"
done

echo "checks done at $((SECONDS - start)) s: $failures failure(s)"
[ $failures -eq 0 ]
