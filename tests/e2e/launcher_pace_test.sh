#!/bin/bash
# The installed launcher starts the game at the display's pace: the program
# gets SDL_RENDER_VSYNC=1, unless the caller has a value of their own, 0
# included, which it keeps.
. "$(dirname "$0")/lib.sh"

prefix=$RF_TMP/prefix
cmake --install "$RF_BUILD" --prefix "$prefix" >"$RF_TMP/install.log" 2>&1 \
    || die "cmake --install failed: $(cat "$RF_TMP/install.log")"
# The launcher ends in exec: the started process becomes the program.
RF_PROGRAM=$prefix/games/rechenfrucht

start_display
work=$RF_TMP/work
mkdir -p "$work"

for case in unset:1 0:0 1:1; do
    given=${case%%:*} expected=${case#*:}
    if [ "$given" = unset ]; then
        unset SDL_RENDER_VSYNC
    else
        export SDL_RENDER_VSYNC=$given
    fi
    start_game "$work"
    if ! wait_game_window; then
        fail "SDL_RENDER_VSYNC $given: no game window: $(cat "$RF_TMP/stderr")"
        wait_game 1
        continue
    fi
    got=$(tr '\0' '\n' <"/proc/$RF_GAME_PID/environ" | sed -n 's/^SDL_RENDER_VSYNC=//p')
    [ "$got" = "$expected" ] || fail "SDL_RENDER_VSYNC $given: the program got '$got', expected '$expected'"
    xdotool key Escape
    wait_game 20
    [ "$RF_STATUS" = 0 ] || fail "SDL_RENDER_VSYNC $given: exit status $RF_STATUS"
done

finish
