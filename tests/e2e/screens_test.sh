#!/bin/bash
# F1, F5, F2 and Escape change what the screen shows: the start page, the
# help overlay over it, play, and the start page again.
. "$(dirname "$0")/lib.sh"

start_display
work=$(make_workdir)
start_game "$work"
wait_game_window || die "no game window"

# Areas in screen pixels of the 1024x768 screen (the 800x600 picture x 1.28).
help_area=640x500+160+60       # inside the overlay
title_area=400x100+600+100     # the start page's title, right half

shot() {
    sleep 0.7
    screenshot "$RF_TMP/$1.png"
}
differs() {  # differs <a> <b> <area> <min fraction>
    local n total
    n=$(diff_fraction "$RF_TMP/$1.png" "$RF_TMP/$2.png" "$3")
    total=$(( ${3%%x*} * $(echo "$3" | sed -E 's/^[0-9]+x([0-9]+).*/\1/') ))
    awk -v n="$n" -v t="$total" -v f="$4" 'BEGIN { exit !(n / t >= f) }'
}

shot start
xdotool key F1; shot help
xdotool key F1; shot start2
xdotool key F5; shot play
xdotool key F2; shot start3

differs start help "$help_area" 0.3 || fail "F1 did not show the help overlay"
differs start start2 "$help_area" 0.3 && fail "F1 again did not hide the help overlay"
differs start play "$title_area" 0.3 || fail "F5 did not start play"
differs start start3 "$title_area" 0.05 && fail "F2 did not return to the start page"

xdotool key Escape
wait_game 20
[ "$RF_STATUS" = 0 ] || fail "Escape: exit status $RF_STATUS"

[ -n "${RF_SHOTS:-}" ] && cp "$RF_TMP"/{start,help,play,start3}.png "$RF_SHOTS/"
finish
