#!/bin/bash
# The window comes up full screen with its title; Escape, the window's close
# request and SIGTERM each end the program with exit status 0.
. "$(dirname "$0")/lib.sh"

start_display
work=$(make_workdir)

for way in escape close sigterm; do
    start_game "$work"
    if ! wait_game_window; then
        fail "$way: no full-screen window titled Rechenfrucht"
        wait_game 1
        continue
    fi
    [ "$way" = escape ] && screenshot "$RF_TMP/running.png"
    case $way in
        escape) xdotool key Escape ;;
        close) wmctrl -c Rechenfrucht ;;
        sigterm) kill -TERM "$RF_GAME_PID" ;;
    esac
    wait_game 20; status=$RF_STATUS
    [ "$status" = 0 ] || fail "$way: exit status $status, expected 0"
    [ -s "$RF_TMP/stderr" ] && grep -v -e '^ALSA' "$RF_TMP/stderr" | grep -q . && fail "$way: unexpected standard error: $(cat "$RF_TMP/stderr")"
done

[ -n "${RF_SHOTS:-}" ] && cp "$RF_TMP/running.png" "$RF_SHOTS/" 2>/dev/null
finish
