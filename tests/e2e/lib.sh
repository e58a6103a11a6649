# Shared helpers for the end-to-end tests: a private Xvfb display with
# openbox, the real program started in a scratch folder, bounded waits.
# Every test sources this file with: lib.sh <program> <build dir>
set -u

RF_PROGRAM=$(readlink -f "$1")
RF_BUILD=$(readlink -f "$2")
RF_SCREEN=${RF_SCREEN:-1024x768}
RF_TMP=$(mktemp -d /tmp/rf-e2e-XXXXXX)

# Nothing of the caller's session may change what a test sees: a CI runner
# or container starts with no locale, no HOME of its own and no display,
# and a developer's desktop has an openbox and sqlite3 configuration of its
# own. C.UTF-8 is on every Debian system.
export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset LANGUAGE DISPLAY WAYLAND_DISPLAY XAUTHORITY \
    XDG_CONFIG_HOME XDG_CONFIG_DIRS XDG_DATA_HOME XDG_DATA_DIRS XDG_CACHE_HOME XDG_STATE_HOME \
    XDG_RUNTIME_DIR XDG_SESSION_TYPE SDL_VIDEODRIVER SDL_VIDEO_X11_VISUALID
export SDL_AUDIODRIVER=dummy
export HOME="$RF_TMP/home" TMPDIR=/tmp
mkdir -p "$HOME"
RF_PIDS=()
RF_GAME_PID=
RF_FAILED=0

fail() {
    echo "FAIL: $*" >&2
    RF_FAILED=1
}

die() {
    echo "FAIL: $*" >&2
    exit 1
}

# descendants <pid>: every process below it (faketime runs the program as
# its child).
descendants() {
    local child
    for child in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
        echo "$child"
        descendants "$child"
    done
}

# The started program and all below it, found before any is gone.
kill_game() {
    [ -n "$RF_GAME_PID" ] || return 0
    kill -KILL $(descendants "$RF_GAME_PID") "$RF_GAME_PID" 2>/dev/null
}

# running <pid>: neither gone nor a zombie.
running() {
    local state
    state=$(sed 's/^.*) //' /proc/"$1"/stat 2>/dev/null | cut -d ' ' -f 1)
    [ -n "$state" ] && [ "$state" != Z ]
}

cleanup() {
    kill_game
    local pid end=$((SECONDS + 3))
    # Asked first, the servers remove their sockets and lock files (weston
    # those of its XWayland too); killed when they do not end.
    for pid in "${RF_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null; done
    for pid in "${RF_PIDS[@]}"; do
        while running "$pid" && [ $SECONDS -lt $end ]; do sleep 0.05; done
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$RF_TMP"
}
trap cleanup EXIT

for tool in Xvfb openbox xdotool wmctrl import compare convert; do
    command -v "$tool" >/dev/null || die "required tool '$tool' is missing (scripts/install-deps.sh installs it)"
done

# wait_for <seconds> <command...>: retries the command every 0.1 s.
wait_for() {
    local limit=$1
    shift
    local end=$((SECONDS + limit))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.1
    done
    return 0
}

start_display() {
    local fifo="$RF_TMP/displayfd"
    mkfifo "$fifo"
    Xvfb -displayfd 6 -screen 0 "${RF_SCREEN}x24" -nolisten tcp 6>"$fifo" 2>"$RF_TMP/xvfb.log" &
    RF_PIDS+=($!)
    local num
    read -r -t 20 num <"$fifo" || die "Xvfb did not start: $(cat "$RF_TMP/xvfb.log")"
    export DISPLAY=":$num"
    # Without a window manager a full-screen window would stay 1x1. Now and
    # then, on a busy machine, openbox finds the new display not yet open
    # to clients and gives up at once: it is started again then.
    local end=$((SECONDS + 30)) wm=
    until wmctrl -m 2>/dev/null | grep -qi openbox; do
        [ $SECONDS -ge $end ] && die "openbox did not come up on $DISPLAY: $(cat "$RF_TMP/openbox.log")"
        if [ -z "$wm" ] || ! kill -0 "$wm" 2>/dev/null; then
            openbox >>"$RF_TMP/openbox.log" 2>&1 &
            wm=$!
            RF_PIDS+=("$wm")
        fi
        sleep 0.1
    done
}

# A Wayland session as GNOME starts one, the game an X client of XWayland:
# weston's headless backend at RF_SCREEN with its XWayland. Both DISPLAY and
# WAYLAND_DISPLAY are set, as in such a session; SDL then chooses X11.
start_weston() {
    local tool
    for tool in weston Xwayland; do
        command -v "$tool" >/dev/null || die "required tool '$tool' is missing (scripts/install-deps.sh installs it)"
    done
    export XDG_RUNTIME_DIR="$RF_TMP/runtime"
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    weston --no-config --backend=headless-backend.so --use-pixman --xwayland --idle-time=0 \
        --width="${RF_SCREEN%x*}" --height="${RF_SCREEN#*x}" --socket=rf-weston \
        >"$RF_TMP/weston.log" 2>&1 &
    RF_PIDS+=($!)
    wait_for 20 grep -q 'xserver listening on display :' "$RF_TMP/weston.log" \
        || die "weston's XWayland did not start: $(cat "$RF_TMP/weston.log")"
    DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$RF_TMP/weston.log" | head -n 1)
    export DISPLAY WAYLAND_DISPLAY=rf-weston
}

# A scratch working folder holding the program's data, with the given
# relative paths left out.
make_workdir() {
    local dir="$RF_TMP/work"
    mkdir -p "$dir/ImgData" "$dir/Sound" "$dir/fonts" "$dir/score"
    local f
    for f in "$RF_BUILD"/ImgData/* "$RF_BUILD"/Sound/* "$RF_BUILD"/fonts/*; do
        cp "$f" "$dir/${f#"$RF_BUILD"/}"
    done
    for f in "$@"; do rm -f "$dir/$f"; done
    echo "$dir"
}

# start_game <workdir>: runs the program there, standard error to a file.
start_game() {
    local dir=$1
    (cd "$dir" && SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} exec ${RF_WRAP:-} "$RF_PROGRAM" \
        >"$RF_TMP/stdout" 2>"$RF_TMP/stderr") &
    RF_GAME_PID=$!
}

# The program's own process id, also when RF_WRAP runs it as a child.
game_pid() {
    local pid
    for pid in "$RF_GAME_PID" $(descendants "$RF_GAME_PID"); do
        [ "$(readlink -f "/proc/$pid/exe")" = "$RF_PROGRAM" ] && echo "$pid" && return 0
    done
    return 1
}

# wait_game <seconds>: waits for the program to end and sets RF_STATUS to
# its exit status; kills it with SIGKILL when it hangs (status 137). Not to
# be called in a subshell, which could not wait for the program.
wait_game() {
    local limit=$1
    local end=$((SECONDS + limit))
    while kill -0 "$RF_GAME_PID" 2>/dev/null; do
        if [ $SECONDS -ge $end ]; then
            kill_game
            break
        fi
        sleep 0.1
    done
    RF_STATUS=0
    wait "$RF_GAME_PID" || RF_STATUS=$?
    RF_GAME_PID=
}

# fast_clock: writes a wrapper that runs a program with its clocks ten
# times as fast and prints its path, for RF_WRAP. faketime takes its speed
# as one argument, which RF_WRAP could not keep whole.
fast_clock() {
    cat >"$RF_TMP/fast" <<'EOF'
#!/bin/sh
exec faketime -m -f "+0 x10" "$@"
EOF
    chmod +x "$RF_TMP/fast"
    echo "$RF_TMP/fast"
}

# flood_motion <batches>: about 2,000 pointer movements a second over the
# window, in batches of 100 chained moves every 0.05 s.
flood_motion() {
    local moves=() flood=() i
    for i in $(seq 1 100); do
        moves+=(mousemove $((200 + (i * 37) % 1500)) $((100 + (i * 53) % 880)))
    done
    for i in $(seq 1 "$1"); do
        flood+=("${moves[@]}" sleep 0.05)
    done
    xdotool "${flood[@]}"
}

# seconds_since <time from date +%s.%N>
seconds_since() {
    awk -v b="$1" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - b }'
}

# score_rows <db>: how many scores the file holds (0 while it has none).
score_rows() {
    sqlite3 -cmd '.timeout 2000' "$1" "select count(*) from scores;" 2>/dev/null || echo 0
}

# has_rows <db> <count>: for wait_for.
has_rows() {
    [ "$(score_rows "$1")" = "$2" ]
}

game_window() {
    xdotool search --name '^Rechenfrucht$' 2>/dev/null | head -n 1
}

# Waits until the game's window is mapped at full screen size and has drawn.
wait_game_window() {
    wait_for 30 sh -c '
        w=$(xdotool search --onlyvisible --name "^Rechenfrucht$" | head -n 1)
        [ -n "$w" ] && xdotool getwindowgeometry "$w" | grep -q "Geometry: '"$RF_SCREEN"'"' \
        || return 1
    sleep 0.5
}

screenshot() {
    import -window root "$1"
}

# Fraction of pixels that differ between two screenshots, within an area
# given as WxH+X+Y (or the whole picture).
diff_fraction() {
    local a=$1 b=$2 area=${3:-}
    local crop=()
    [ -n "$area" ] && crop=(-crop "$area" +repage)
    convert "$a" "${crop[@]}" "$RF_TMP/da.png"
    convert "$b" "${crop[@]}" "$RF_TMP/db.png"
    compare -metric AE -fuzz 5% "$RF_TMP/da.png" "$RF_TMP/db.png" null: 2>&1 | awk '{print $1}'
}

finish() {
    if [ "$RF_FAILED" -ne 0 ]; then
        echo "--- stderr of the program ---" >&2
        cat "$RF_TMP/stderr" >&2 2>/dev/null
        exit 1
    fi
    echo PASS
    exit 0
}
