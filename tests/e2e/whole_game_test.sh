#!/bin/bash
# Whole games at ten times the speed (faketime): a name typed on the start
# page, answers typed until the apples win, the score stored once per game
# (Return plays again, F5 on the game-over screen and F2 in play store
# nothing), the stored scores on the start page's panel, Escape ends cleanly.
. "$(dirname "$0")/lib.sh"

for tool in faketime sqlite3; do
    command -v "$tool" >/dev/null || die "required tool '$tool' is missing (scripts/install-deps.sh installs it)"
done

RF_WRAP=$(fast_clock)
export RF_WRAP

start_display
work=$(make_workdir)
db="$work/score/scores.db"

rows() {
    score_rows "$db"
}
# wait_rows <count> <seconds>
wait_rows() {
    wait_for "$2" has_rows "$db" "$1"
}
shot() {
    sleep 0.5
    screenshot "$RF_TMP/$1.png"
}
# fraction <a> <b> <area>: the share of the area's pixels that differ.
fraction() {
    local n w h
    n=$(diff_fraction "$RF_TMP/$1.png" "$RF_TMP/$2.png" "$3")
    w=${3%%x*}
    h=$(echo "$3" | sed -E 's/^[0-9]+x([0-9]+).*/\1/')
    awk -v n="$n" -v t=$((w * h)) 'BEGIN { printf "%.4f", n / t }'
}
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# Areas of the 1024x768 screen: the 800x600 picture scaled by 1.28.
name_area=300x34+662+342          # the name at (520, 270)
panel_area=307x90+654+503         # the panel at (511, 393), 240x70
panel_rows12=300x48+656+510       # its first two rows, panel y 7 to 44
panel_row3=300x22+656+566         # its third row, panel y 49 to 66

start_game "$work"
wait_game_window || die "no game window"
game=$(game_pid) && [ "$game" != "$RF_GAME_PID" ] || die "the program is not running under faketime"
tr '\0' '\n' <"/proc/$game/environ" | grep -q '^FAKETIME=+0 x10$' \
    || die "the program's environment has no FAKETIME"
shot start_empty

# A name with letters the store drops: stored as "Jrg 1". The letters
# outside ASCII go by key name, which xdotool maps whatever the locale.
xdotool key --delay 80 J odiaeresis r g minus ssharp space 1
shot start_named
above "$(fraction start_empty start_named "$name_area")" 0.02 || fail "the typed name is not shown"

# Play, answering every sum of the range 10 for a while.
xdotool key F5
begin=$SECONDS
answers=$(seq -s ' ' 2 20)
for round in 1 2 3; do
    xdotool type --delay 15 "$answers "
    [ "$round" = 2 ] && screenshot "$RF_TMP/play.png"
done
# Then the horses eat until both are out. At real speed the sixth apple
# alone would need 40 s to reach them.
sleep 4
screenshot "$RF_TMP/play_late.png"
wait_rows 1 30 || die "the first game did not end within 30 s (rows: $(rows))"
ended=$((SECONDS - begin))
shot gameover

stored=$(sqlite3 -separator '|' "$db" "select name, score from scores;")
echo "first game: $stored after ${ended} s"
case $stored in
    "Jrg 1|"[1-9]*00) ;;
    *) fail "first game stored as '$stored', expected the name Jrg 1 and a positive score in hundreds" ;;
esac

# Return plays again with the same name; its end stores a second row.
xdotool key Return
wait_rows 2 30 || die "the second game did not end within 30 s (rows: $(rows))"
shot gameover2
second=$(sqlite3 "$db" "select name from scores order by id desc limit 1;")
[ "$second" = "Jrg 1" ] || fail "second game stored under '$second'"

# F5 on the game-over screen: play starts and ends at once, nothing stored.
xdotool key F5
shot after_f5
[ "$(rows)" = 2 ] || fail "F5 on the game-over screen stored a row: $(rows) rows"
above "$(fraction gameover2 after_f5 1024x768+0+0)" 0.01 && fail "F5 on the game-over screen did not come back to it"

# A third game: the help overlay with the panel, then F2 abandons it.
xdotool key Return
sleep 0.3
xdotool key F1
shot help
xdotool key F1
shot play3
xdotool key F2
shot start_after
sleep 1
[ "$(rows)" = 2 ] || fail "F2 during play stored a row: $(rows) rows"

# The start page's panel now shows the two stored rows, and no third.
rows12=$(fraction start_empty start_after "$panel_rows12")
row3=$(fraction start_empty start_after "$panel_row3")
echo "panel change: rows 1-2 $rows12, row 3 $row3"
above "$rows12" 0.05 || fail "the panel does not show the stored scores ($rows12 of its rows changed)"
above "$row3" 0.002 && fail "the panel shows a third row ($row3 changed)"
above "$(fraction start_empty start_after "$name_area")" 0.002 && fail "the name was not cleared by F2"

xdotool key Escape
wait_game 20
[ "$RF_STATUS" = 0 ] || fail "Escape: exit status $RF_STATUS"
[ -s "$RF_TMP/stderr" ] && fail "unexpected standard error: $(cat "$RF_TMP/stderr")"
[ "$(rows)" = 2 ] || fail "Escape stored a row"
echo "whole run: $SECONDS s"

if [ -n "${RF_SHOTS:-}" ]; then
    for s in start_empty start_named play play_late gameover gameover2 help start_after; do
        cp "$RF_TMP/$s.png" "$RF_SHOTS/whole_game_$s.png" 2>/dev/null
    done
fi
finish
