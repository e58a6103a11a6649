#!/bin/bash
# Runs piuparts on the Debian package: installs it into a clean Debian 12
# tree (its dependencies come from the mirror), removes it, installs it
# again, purges it, and fails on any error of dpkg or apt, on changed
# installed files and on anything the package leaves behind.
# The clean tree is made once with debootstrap and kept as a tarball where
# the next run finds it: RF_PIUPARTS_BASE, by default under /var/cache.
# The mirror is the system's (RF_DEBIAN_MIRROR overrides it).
# Needs root, as piuparts does. Usage: piuparts_test.sh <build dir | package.deb>
set -u
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
what=${1:?usage: piuparts_test.sh <build dir | package.deb>}
base=${RF_PIUPARTS_BASE:-/var/cache/rechenfrucht/piuparts-bookworm-minbase.tar.gz}

die() {
    echo "FAIL: $*" >&2
    exit 1
}
[ "$(id -u)" = 0 ] || die "must run as root, as piuparts does"
for tool in cmake cpack piuparts debootstrap tar; do
    command -v "$tool" >/dev/null || die "required tool '$tool' is missing (scripts/install-deps.sh installs it)"
done
tmp=$(mktemp -d /tmp/rf-piuparts.XXXXXX) || die "no temporary folder"
# --one-file-system: never into a mount a failed debootstrap left behind.
trap 'rm -rf --one-file-system "$tmp"' EXIT

# The system's Debian mirror: the first of its deb822 sources, else of
# sources.list.
mirror=${RF_DEBIAN_MIRROR:-$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' \
    /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)}
[ -n "$mirror" ] || mirror=$(sed -n 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]\+\).*/\2/p' \
    /etc/apt/sources.list 2>/dev/null | head -n 1)
[ -n "$mirror" ] || die "no Debian mirror in /etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list"

# --- The package --------------------------------------------------------
if [[ $what == *.deb ]]; then
    deb=$what
    [ -f "$deb" ] || die "no package $deb"
else
    . "$here/pack.sh"
    deb=$(pack_deb "$what" "$tmp/deb" "$tmp/build.log") || exit 1
fi

# --- The clean tree, made once ------------------------------------------
if ! tar -tzf "$base" >/dev/null 2>&1; then
    echo "making the clean Debian 12 tree $base from $mirror"
    mkdir -p "$(dirname "$base")" || die "cannot make $(dirname "$base")"
    debootstrap --variant=minbase bookworm "$tmp/base" "$mirror" >"$tmp/debootstrap.log" 2>&1 \
        || die "debootstrap failed: $(tail -n 30 "$tmp/debootstrap.log")"
    # Renamed into place whole, so that no run finds half a tarball.
    tar -C "$tmp/base" -czf "$base.$$" . && mv "$base.$$" "$base" \
        || { rm -f "$base.$$"; die "cannot write $base"; }
    rm -rf --one-file-system "$tmp/base"
fi

# --- piuparts -----------------------------------------------------------
start=$SECONDS
timeout -k 60 900 piuparts --distribution=bookworm --mirror="$mirror main" --basetgz="$base" \
    --install-remove-install --log-file="$tmp/piuparts.log" "$deb" >/dev/null 2>&1
status=$?
if [ "$status" != 0 ]; then
    echo "FAIL: piuparts (status $status) on $(basename "$deb"):" >&2
    # Its errors and warnings, each with the indented lines (file names,
    # command output) that follow it.
    awk '/ (ERROR|WARN): / { keep = 1; print; next } keep && /^[[:space:]]/ { print; next } { keep = 0 }' \
        "$tmp/piuparts.log" | head -n 100 >&2
    exit 1
fi
grep -q 'PASS: All tests' "$tmp/piuparts.log" || die "piuparts exited 0 but did not report 'PASS: All tests'"
echo "piuparts: $(grep -E 'INFO: PASS:' "$tmp/piuparts.log" | sed 's/.*INFO: PASS: //' | paste -sd ' ') ($((SECONDS - start)) s)"
echo PASS
