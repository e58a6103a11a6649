#!/bin/bash
# SDL's own Wayland driver (SDL_VIDEODRIVER=wayland) under sway's headless
# backend, paced as the launcher starts the game: it comes up full screen,
# keeps presenting frames of its start page, and a quit request (SIGTERM)
# ends it with status 0 and nothing on standard error. sway refuses to run
# as root, so root runs sway and the game as the unprivileged user nobody,
# from a folder of their own: the build may lie where nobody cannot enter.
RF_SCREEN=1920x1080
. "$(dirname "$0")/lib.sh"

for tool in sway swaymsg grim jq setpriv; do
    command -v "$tool" >/dev/null || die "required tool '$tool' is missing (scripts/install-deps.sh installs it)"
done
counter_lib=$RF_BUILD/bench/present-counter.so
[ -f "$counter_lib" ] || die "no $counter_lib (the target rf_present_counter)"

user=65534
home=$RF_TMP/user
chmod 0711 "$RF_TMP"
mkdir -p "$home/runtime"
chmod 0700 "$home/runtime"
cp "$RF_PROGRAM" "$counter_lib" "$home/"
RF_PROGRAM=$home/rechenfrucht
work=$(make_workdir)
cat >"$home/config" <<'CONF'
output HEADLESS-1 mode 1920x1080
xwayland disable
CONF
as_user=()
if [ "$(id -u)" = 0 ]; then
    chown -R "$user:$user" "$home" "$work"
    as_user=(setpriv --reuid="$user" --regid="$user" --clear-groups)
fi
export HOME=$home XDG_RUNTIME_DIR=$home/runtime
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    "${as_user[@]}" sway --config "$home/config" >"$RF_TMP/sway.log" 2>&1 &
RF_PIDS+=($!)
# The compositor's socket and the one swaymsg talks to.
wayland_socket() { ls "$XDG_RUNTIME_DIR" | grep -m 1 -x 'wayland-[0-9]*'; }
wait_for 20 wayland_socket && wait_for 20 sh -c 'ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock' \
    || die "sway did not start: $(cat "$RF_TMP/sway.log")"
export WAYLAND_DISPLAY=$(wayland_socket)
SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)
export SWAYSOCK

# The frame counter of the pace benchmark, preloaded into the game alone.
export SDL_VIDEODRIVER=wayland SDL_RENDER_VSYNC=1
RF_WRAP="${as_user[*]} env LD_PRELOAD=$home/present-counter.so RF_PRESENT_COUNTER=$home/presents" \
    start_game "$work"

# The game's window, full screen on the whole output and shown.
full_screen() {
    "${as_user[@]}" swaymsg -t get_tree | jq -e '[.. | objects | select(.name? == "Rechenfrucht"
        and .fullscreen_mode == 1 and .visible == true
        and .rect == {"x": 0, "y": 0, "width": 1920, "height": 1080})] | length == 1'
}
wait_for 30 full_screen || die "no full-screen window titled Rechenfrucht: $("${as_user[@]}" swaymsg -t get_tree)"
sleep 1
presents() { od -An -t u8 -N 8 "$home/presents" | tr -d ' '; }
before=$(presents)
sleep 1
after=$(presents)
echo "frames presented: $before, a second later $after"
[ "${after:-0}" -gt "${before:-0}" ] || fail "no frame was presented within a second"

# What sway shows: the 800x600 start page scaled to 1440x1080 between black
# bars.
"${as_user[@]}" grim "$home/shot.png" || die "grim could not take a screenshot"
convert "$RF_BUILD/ImgData/startpage.bmp" -resize 1440x1080 "$RF_TMP/expected.png"
convert "$home/shot.png" -crop 1440x1080+240+0 +repage "$RF_TMP/page.png"
differ=$(compare -metric AE -fuzz 10% "$RF_TMP/expected.png" "$RF_TMP/page.png" null: 2>&1 | awk '{print $1}')
bars=$(convert "$home/shot.png" \( +clone -crop 240x1080+0+0 \) \( -clone 0 -crop 240x1080+1680+0 \) \
    -delete 0 +append -format '%[fx:maxima]' info:)
echo "screenshot: $differ of the start page's 1555200 pixels differ; the bars' brightest $bars"
awk -v d="$differ" 'BEGIN { exit !(d < 1555200 * 0.02) }' \
    || fail "sway does not show the start page at full screen ($differ pixels differ)"
[ "$bars" = 0 ] || fail "the bars beside the picture are not black (brightest $bars)"

kill -TERM "$(game_pid)"
wait_game 20
[ "$RF_STATUS" = 0 ] || fail "SIGTERM: exit status $RF_STATUS (137: still running after 20 s)"
[ -s "$RF_TMP/stderr" ] && fail "unexpected standard error: $(cat "$RF_TMP/stderr")"

finish
