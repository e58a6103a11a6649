#!/bin/bash
# The pace of the real program in play on a 1920x1080 screen (Xvfb with
# openbox): frames presented a second and CPU in cores, bare and as the
# launcher starts it (SDL_RENDER_VSYNC=1). Frames are counted by the
# preloaded present-counter.so, CPU from utime and stime: the program's,
# and the X server's, which takes every frame too.
# Usage: bench/pace.sh <build dir> [seconds measured] [runs]
set -u
build=$(readlink -f "${1:?usage: bench/pace.sh <build dir> [seconds] [runs]}")
seconds=${2:-5}
runs=${3:-3}
shim=$build/bench/present-counter.so
[ -f "$shim" ] || { echo "no $shim: build the target rf_present_counter" >&2; exit 1; }

RF_SCREEN=1920x1080
. "$(dirname "$0")/../tests/e2e/lib.sh" "$build/rechenfrucht" "$build"

counter=$RF_TMP/presents
ticks=$(getconf CLK_TCK)
presents() {
    od -An -t u8 -N 8 "$counter" | tr -d ' '
}
# utime + stime of the program, in clock ticks (the fields after the name).
cpu_ticks() {
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

start_display
xserver=${RF_PIDS[0]}
work=$(make_workdir)

# measure <mode>: one run; sets FPS, CORES and XCORES.
measure() {
    rm -f "$counter"
    if [ "$1" = vsync ]; then
        export SDL_RENDER_VSYNC=1
    else
        unset SDL_RENDER_VSYNC
    fi
    RF_WRAP="env LD_PRELOAD=$shim RF_PRESENT_COUNTER=$counter" start_game "$work"
    wait_game_window || die "$1: no game window"
    local pid=$RF_GAME_PID
    [ "$(readlink -f "/proc/$pid/exe")" = "$RF_PROGRAM" ] || die "$1: $pid is not the program"
    xdotool key F5
    sleep 1
    local f0 c0 x0 t0 f1 c1 x1 t1
    f0=$(presents) c0=$(cpu_ticks "$pid") x0=$(cpu_ticks "$xserver") t0=$(date +%s.%N)
    sleep "$seconds"
    f1=$(presents) c1=$(cpu_ticks "$pid") x1=$(cpu_ticks "$xserver") t1=$(date +%s.%N)
    xdotool key Escape
    wait_game 20
    [ "$RF_STATUS" = 0 ] || die "$1: exit status $RF_STATUS"
    read -r FPS CORES XCORES < <(awk -v f="$((f1 - f0))" -v c="$((c1 - c0))" -v x="$((x1 - x0))" \
        -v hz="$ticks" -v a="$t0" -v b="$t1" \
        'BEGIN { d = b - a; printf "%.1f %.2f %.2f\n", f / d, c / hz / d, x / hz / d }')
}

echo "pace in play at $RF_SCREEN, $seconds s a run, $runs runs a mode"
for mode in bare vsync; do
    all=
    for run in $(seq 1 "$runs"); do
        measure "$mode"
        printf '%-6s run %d: %6.1f frames a second, %.2f cores (X server %.2f)\n' \
            "$mode" "$run" "$FPS" "$CORES" "$XCORES"
        all+="$FPS $CORES $XCORES"$'\n'
    done
    printf '%s' "$all" | awk -v m="$mode" '{ f += $1; c += $2; x += $3; n++ }
        END { printf "%-6s mean:  %6.1f frames a second, %.2f cores (X server %.2f)\n", m, f / n, c / n, x / n }'
done
