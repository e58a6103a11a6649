# Shared by the package tests: the Debian package as the README builds it.
# Sourced; needs the source tree in $src.

# pack_deb <build dir> <output dir> <log>: configures the build folder if it
# is new (tests off), builds, packs and prints the path of the one .deb.
# On failure it says why on standard error and returns 1.
pack_deb() {
    local dir=$1 out=$2 log=$3 debs
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$src" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRF_TESTS=OFF >"$log" 2>&1 \
            || { echo "FAIL: configure of $dir failed: $(tail -n 30 "$log")" >&2; return 1; }
    fi
    cmake --build "$dir" -j"$(nproc)" >>"$log" 2>&1 \
        || { echo "FAIL: build in $dir failed: $(tail -n 30 "$log")" >&2; return 1; }
    (cd "$dir" && cpack -G DEB -B "$out") >>"$log" 2>&1 \
        || { echo "FAIL: cpack in $dir failed: $(tail -n 30 "$log")" >&2; return 1; }
    debs=("$out"/rechenfrucht_*.deb)
    [ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] \
        || { echo "FAIL: cpack in $dir wrote no single rechenfrucht_*.deb: ${debs[*]}" >&2; return 1; }
    echo "${debs[0]}"
}
