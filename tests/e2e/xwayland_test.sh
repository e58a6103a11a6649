#!/bin/bash
# A whole game in a Wayland session as GNOME starts one, the game an X
# client of XWayland (weston's headless backend), paced as the launcher
# starts it: full screen, a typed name, F5, the horses eat every apple at
# ten times the speed, the row stored, and Escape ends the program with
# status 0 and nothing on standard error.
RF_SCREEN=1920x1080
. "$(dirname "$0")/lib.sh"

for tool in faketime sqlite3; do
    command -v "$tool" >/dev/null || die "required tool '$tool' is missing (scripts/install-deps.sh installs it)"
done

export SDL_RENDER_VSYNC=1
start_weston
work=$(make_workdir)
db="$work/score/scores.db"

RF_WRAP=$(fast_clock) start_game "$work"
wait_game_window || die "no full-screen game window on XWayland ($DISPLAY): $(cat "$RF_TMP/stderr")"
game=$(game_pid) || die "the program is not running"
tr '\0' '\n' <"/proc/$game/environ" | grep -q '^FAKETIME=+0 x10$' \
    || die "the program's environment has no FAKETIME"

xdotool type --delay 80 Lena
xdotool key F5
begin=$SECONDS
# No answer: the horses eat until both are full.
wait_for 60 has_rows "$db" 1 || die "the game did not end within 60 s (rows: $(score_rows "$db"))"
echo "the horses ate every apple in $((SECONDS - begin)) s"
stored=$(sqlite3 -separator '|' "$db" "select name, score from scores;")
[ "$stored" = "Lena|0" ] || fail "stored '$stored', expected 'Lena|0'"

xdotool key Escape
wait_game 20
[ "$RF_STATUS" = 0 ] || fail "Escape: exit status $RF_STATUS"
[ -s "$RF_TMP/stderr" ] && fail "unexpected standard error: $(cat "$RF_TMP/stderr")"
has_rows "$db" 1 || fail "Escape stored a row"

finish
