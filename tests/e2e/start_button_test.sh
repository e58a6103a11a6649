#!/bin/bash
# On a 1920x1080 screen the start button's zone is x 1247..1535, y 939..1026
# with its border outside: a release just outside each edge does nothing,
# one just inside starts play.
RF_SCREEN=1920x1080
. "$(dirname "$0")/lib.sh"

start_display
work=$(make_workdir)
start_game "$work"
wait_game_window || die "no game window"

sleep 0.7
screenshot "$RF_TMP/start.png"
# The title of the start page, which play covers with the tree.
title_area=500x140+1000+110

on_start_page() {
    sleep 0.6
    screenshot "$RF_TMP/now.png"
    local n
    n=$(diff_fraction "$RF_TMP/start.png" "$RF_TMP/now.png" "$title_area")
    [ "$n" -lt 3500 ]
}

click() {
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool click 1
}

# edge: outside point, inside point
for edge in "left 1247,980 1248,980" "right 1535,980 1534,980" \
            "top 1400,939 1400,940" "bottom 1400,1026 1400,1025"; do
    set -- $edge
    name=$1
    click ${2%,*} ${2#*,}
    on_start_page || fail "$name edge: a click at $2 started play"
    click ${3%,*} ${3#*,}
    on_start_page && fail "$name edge: a click at $3 did not start play"
    xdotool key F2
    on_start_page || fail "$name edge: F2 did not return to the start page"
done

xdotool key Escape
wait_game 20
[ "$RF_STATUS" = 0 ] || fail "Escape: exit status $RF_STATUS"
finish
