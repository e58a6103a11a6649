#!/bin/bash
# Builds the Debian package twice and compares the two byte for byte: once
# in the given build folder of this tree, and once, later, as the README
# says, from a copy of the tree in another folder (with a space in its path)
# under another umask, locale and time zone. When they differ, diffoscope
# names the files inside the package that differ.
# Usage: reproducible_test.sh <build dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
build=${1:?usage: reproducible_test.sh <build dir>}

die() {
    echo "FAIL: $*" >&2
    exit 1
}
for tool in cmake cpack tar cmp sha256sum diffoscope; do
    command -v "$tool" >/dev/null || die "required tool '$tool' is missing (scripts/install-deps.sh installs it)"
done
tmp=$(mktemp -d /tmp/rf-repro.XXXXXX) || die "no temporary folder"
trap 'rm -rf "$tmp"' EXIT

. "$here/pack.sh"

# The last commit gives the time stamps; if it changes midway, so does the package.
head_before=$(git -c safe.directory="*" -C "$src" rev-parse -q HEAD 2>/dev/null)

# --- First: this tree, in the given build folder ------------------------
one=$(pack_deb "$build" "$tmp/one" "$tmp/one.log") || exit 1

# --- Second: a copy of the tree as it is now, without its build folders --
copy="$tmp/another place/rechenfrucht"
mkdir -p "$copy"
tar -C "$src" --exclude-tag-all=CMakeCache.txt -cf - . | tar -C "$copy" -xf - \
    || die "cannot copy the tree to $copy"
# A locale other than the caller's, of those every system has.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
    C.UTF-8 | C.utf8) other_locale=C ;;
    *) other_locale=C.UTF-8 ;;
esac
two=$(
    umask 077
    export LC_ALL=$other_locale TZ='<+14>-14'
    unset LANG LANGUAGE
    src=$copy pack_deb "$copy/build-pkg" "$tmp/two" "$tmp/two.log"
) || exit 1

sha256sum "$one" "$two" | sed "s|$tmp/||"
if cmp -s "$one" "$two"; then
    echo PASS
    exit 0
fi

# --- They differ: which files, and how --------------------------------
echo "FAIL: the two packages differ" >&2
head_after=$(git -c safe.directory="*" -C "$src" rev-parse -q HEAD 2>/dev/null)
[ "$head_before" = "$head_after" ] \
    || echo "note: HEAD moved from $head_before to $head_after during the test" >&2
diffoscope --no-progress --text "$tmp/diffoscope.txt" "$one" "$two" >/dev/null 2>"$tmp/diffoscope.err"
[ -s "$tmp/diffoscope.txt" ] || die "diffoscope found no difference to show: $(cat "$tmp/diffoscope.err")"
echo "Differing parts of the package:" >&2
# diffoscope's headings, one per part that differs, nested as in the package.
grep -E '^[│ ]*├── ' "$tmp/diffoscope.txt" | sed -e 's/[│]/ /g' -e 's/├── //' >&2
echo "--- diffoscope (first 200 lines) ---" >&2
head -n 200 "$tmp/diffoscope.txt" >&2
exit 1
