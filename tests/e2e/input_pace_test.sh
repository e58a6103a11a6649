#!/bin/bash
# Input at the display's pace, as the launcher starts the game: with
# SDL_RENDER_VSYNC=1 a pass lasts a frame of the display, 60 a second, and
# takes one event. During play the pointer is flooded with motion while a
# digit is held down (key repeat), or the mouse wheel is spun; Escape after
# it still ends the game within 1 s. On a 1920x1080 screen.
RF_SCREEN=1920x1080
. "$(dirname "$0")/lib.sh"

export SDL_RENDER_VSYNC=1

# motion: 3 s of about 2,000 moves a second, the digit 7 held from 0.5 s
# to 2.5 s. wheel: 600 notches in about 3 s, up and down.
flood() {
    case $1 in
        motion)
            flood_motion 60 &
            local mover=$!
            xdotool sleep 0.5 keydown 7 sleep 2 keyup 7
            wait "$mover"
            ;;
        wheel)
            xdotool mousemove 300 300 click --repeat 300 --delay 5 4 click --repeat 300 --delay 5 5
            ;;
    esac
}

start_display
work=$(make_workdir)

for way in motion wheel; do
    start_game "$work"
    if ! wait_game_window; then
        fail "$way: no game window"
        wait_game 1
        continue
    fi
    xdotool key F5
    sleep 0.5
    begin=$(date +%s.%N)
    flood "$way"
    took=$(seconds_since "$begin")
    xdotool key Escape
    pressed=$(date +%s.%N)
    wait_game 60
    latency=$(seconds_since "$pressed")
    echo "$way: flood of $took s; Escape ended the game after $latency s"
    [ "$RF_STATUS" = 0 ] || fail "$way: exit status $RF_STATUS (137: still running 60 s after Escape)"
    awk -v l="$latency" 'BEGIN { exit !(l < 1) }' || fail "$way: Escape took $latency s to end the game"
    [ -s "$RF_TMP/stderr" ] && fail "$way: unexpected standard error: $(cat "$RF_TMP/stderr")"
done

finish
