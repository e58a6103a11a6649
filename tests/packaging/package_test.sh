#!/bin/bash
# Builds the Debian package, checks it with lintian, installs it into this
# system with dpkg, plays the installed game through its launcher as two
# users under Xvfb, validates the desktop entry and the metainfo, removes the
# package again and checks that nothing of it is left.
# Needs root: it installs into the system. Usage: package_test.sh <build dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
build=${1:?usage: package_test.sh <build dir>}
launcher=/usr/games/rechenfrucht
program=/usr/lib/games/rechenfrucht/rechenfrucht
data=/usr/share/games/rechenfrucht
font_dir=/usr/share/fonts/truetype/freefont

. "$src/tests/e2e/lib.sh" "$launcher" "$build"

[ "$(id -u)" = 0 ] || die "must run as root: it installs the package with dpkg"
for tool in cmake cpack dpkg dpkg-deb dpkg-shlibdeps lintian desktop-file-validate \
    appstreamcli sqlite3 setpriv; do
    command -v "$tool" >/dev/null || die "required tool '$tool' is missing (scripts/install-deps.sh installs it)"
done

installed_by_us=0
remove_package() {
    if [ "$installed_by_us" = 1 ]; then
        dpkg -r rechenfrucht >"$RF_TMP/dpkg-r.log" 2>&1 || fail "dpkg -r failed: $(cat "$RF_TMP/dpkg-r.log")"
        installed_by_us=0
    fi
}
trap 'remove_package; cleanup' EXIT

# The launcher is found on PATH as in a user's session: Debian puts
# /usr/games on every user's PATH (but not on root's).
export PATH=/usr/local/games:/usr/games:$PATH
unset XDG_DATA_HOME

# --- Build --------------------------------------------------------------
. "$here/pack.sh"
deb=$(pack_deb "$build" "$RF_TMP/deb" "$RF_TMP/build.log") || exit 1
echo "package: $(basename "$deb")"

# --- The package as it lies ---------------------------------------------
# Errors and warnings both fail; informational tags are shown.
lintian --fail-on error,warning --display-info "$deb" >"$RF_TMP/lintian.log" 2>&1
lintian_status=$?
grep -v 'running with root privileges' "$RF_TMP/lintian.log"
[ "$lintian_status" = 0 ] || fail "lintian reports errors or warnings (status $lintian_status)"

version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libsdl2-ttf-2.0-0 libsqlite3-0 fonts-freefont-ttf; do
    [[ ", $depends," == *", $lib "[\(,]* || ", $depends," == *", $lib,"* ]] \
        || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section is not games"

dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' -e '/^$/d' >"$RF_TMP/contents"
for path in "$launcher" "$program" "$data/ImgData/startpage.bmp" "$data/Sound/sound.wav" \
    /usr/share/applications/rechenfrucht.desktop /usr/share/man/man6/rechenfrucht.6.gz \
    /usr/share/doc/rechenfrucht/copyright /usr/share/doc/rechenfrucht/changelog.gz; do
    grep -qxF "$path" "$RF_TMP/contents" || fail "package lacks $path"
done
for size in 16 32 48 64 128 256; do
    grep -qxF "/usr/share/icons/hicolor/${size}x${size}/apps/rechenfrucht.png" "$RF_TMP/contents" \
        || fail "package lacks the ${size}x${size} icon"
done
# The font belongs to fonts-freefont-ttf and is never copied in.
grep -iq '\.ttf$' "$RF_TMP/contents" && fail "package ships a font: $(grep -i '\.ttf$' "$RF_TMP/contents")"

# --- cmake --install under another prefix -------------------------------
# The launcher finds the program and data of its own prefix, wherever that is.
prefix="$RF_TMP/other prefix"
cmake --install "$build" --prefix "$prefix" >"$RF_TMP/install.log" 2>&1 \
    || die "cmake --install failed: $(cat "$RF_TMP/install.log")"
mkdir -p "$RF_TMP/prefix home"
(cd / && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$RF_TMP/prefix home" SDL_AUDIODRIVER=dummy \
    SDL_VIDEODRIVER=no-such-driver timeout -s KILL 30 "$prefix/games/rechenfrucht") >/dev/null 2>&1
status=$?
[ "$status" = 1 ] || fail "launcher under $prefix: status $status, expected the game's 1"
link=$(readlink "$RF_TMP/prefix home/.local/share/rechenfrucht/ImgData")
[ "$link" = "$prefix/share/games/rechenfrucht/ImgData" ] || fail "launcher under $prefix links ImgData to '$link'"

# --- Install ------------------------------------------------------------
if dpkg-query -W -f='${Status}' rechenfrucht 2>/dev/null | grep -q 'ok installed'; then
    echo "rechenfrucht is installed already; removing it first"
    dpkg -r rechenfrucht >/dev/null || die "cannot remove the installed rechenfrucht"
fi
# What exists before installing is left alone by the removal check below.
while read -r path; do
    [ -e "$path" ] || [ -L "$path" ] && echo "$path"
done <"$RF_TMP/contents" >"$RF_TMP/existing"
dpkg -i "$deb" >"$RF_TMP/dpkg-i.log" 2>&1 || die "dpkg -i failed: $(cat "$RF_TMP/dpkg-i.log")"
installed_by_us=1

[ "$(command -v rechenfrucht)" = "$launcher" ] || fail "rechenfrucht on PATH is $(command -v rechenfrucht), not $launcher"

# Versions given by hand in the changelog and the metainfo follow the package.
changelog_version=$(zcat /usr/share/doc/rechenfrucht/changelog.gz | sed -n '1s/^rechenfrucht (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] || fail "changelog's newest entry is $changelog_version, the package $version"
zcat /usr/share/man/man6/rechenfrucht.6.gz | head -n 1 | grep -qF "\"rechenfrucht $version\"" \
    || fail "manual page is not of version $version: $(zcat /usr/share/man/man6/rechenfrucht.6.gz | head -n 1)"

# --- Desktop entry and metainfo, as installed ---------------------------
desktop=/usr/share/applications/rechenfrucht.desktop
desktop-file-validate "$desktop" >"$RF_TMP/dfv.log" 2>&1 || fail "desktop-file-validate: $(cat "$RF_TMP/dfv.log")"
grep -v ': hint: ' "$RF_TMP/dfv.log" | grep -q . && fail "desktop-file-validate warns: $(cat "$RF_TMP/dfv.log")"
for key in Name 'Name\[de\]' Comment 'Comment\[de\]'; do
    grep -q "^$key=." "$desktop" || fail "desktop entry lacks $key"
done
categories=$(sed -n 's/^Categories=//p' "$desktop")
for c in Game Education; do
    [[ ";$categories" == *";$c;"* ]] || fail "desktop entry is not in category $c: $categories"
done
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ "$(command -v "$exec_cmd")" = "$launcher" ] || fail "desktop Exec '$exec_cmd' does not reach $launcher"

metainfo=$(grep -l '<launchable type="desktop-id">rechenfrucht.desktop<' /usr/share/metainfo/*.metainfo.xml 2>/dev/null | head -n 1)
if [ -z "$metainfo" ]; then
    fail "no metainfo in /usr/share/metainfo launches rechenfrucht.desktop"
else
    appstreamcli validate --no-net "$metainfo" >"$RF_TMP/as.log" 2>&1 || fail "appstreamcli validate: $(cat "$RF_TMP/as.log")"
    grep -q '<screenshot' "$metainfo" || fail "metainfo has no screenshot"
    grep -q '<description>' "$metainfo" || fail "metainfo has no description"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
fi
# The whole installed tree at once: the metainfo together with the desktop
# entry and the icons it points to.
mkdir "$RF_TMP/root"
dpkg-deb -x "$deb" "$RF_TMP/root"
appstreamcli validate-tree --no-net "$RF_TMP/root" >"$RF_TMP/astree.log" 2>&1 \
    || fail "appstreamcli validate-tree: $(cat "$RF_TMP/astree.log")"

# --- The launcher without a window --------------------------------------
# Cases: name | arguments | extra environment | expected status | expected
# standard output. A video driver that does not exist makes the game itself
# fail, so status 1 is the game's own, passed on.
nowin="$RF_TMP/nowin home"
mkdir -p "$nowin"
while IFS='|' read -r name args env_extra want_status want_out; do
    out=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$nowin" SDL_AUDIODRIVER=dummy $env_extra timeout -s KILL 30 rechenfrucht $args 2>"$RF_TMP/nowin.err")
    status=$?
    [ "$status" = "$want_status" ] || fail "$name: status $status, expected $want_status; $(cat "$RF_TMP/nowin.err")"
    [ -z "$want_out" ] || [ "$out" = "$want_out" ] || fail "$name: printed '$out', expected '$want_out'"
done <<EOF
version|--version|SDL_VIDEODRIVER=none|0|rechenfrucht $version
unknown argument|--fullscreen|SDL_VIDEODRIVER=none|2|
game fails|| SDL_VIDEODRIVER=no-such-driver XDG_DATA_HOME=relative/data|1|
EOF
# A relative XDG_DATA_HOME is ignored: the folder is made under HOME.
[ -d "$nowin/.local/share/rechenfrucht/score" ] || fail "relative XDG_DATA_HOME: no folder under HOME/.local/share"
[ -e /relative ] && fail "relative XDG_DATA_HOME was used relative to /"

# --- Playing through the launcher ---------------------------------------
start_display
chmod 0711 "$RF_TMP"  # the second user reaches its home below it

# play <way to end: escape|sigterm>: starts the launcher from / with the
# current HOME and XDG_DATA_HOME, waits for the window, ends the game and
# expects exit status 0.
play() {
    local way=$1 what=$2
    start_game /
    if ! wait_game_window; then
        fail "$what: no full-screen window titled Rechenfrucht; $(cat "$RF_TMP/stderr")"
        wait_game 1
        return
    fi
    # exec, not a child: signals and the exit status are the game's own.
    [ "$(readlink "/proc/$RF_GAME_PID/exe")" = "$program" ] \
        || fail "$what: the launcher did not exec the game (pid $RF_GAME_PID is $(readlink "/proc/$RF_GAME_PID/exe"))"
    case $way in
        escape) xdotool key Escape ;;
        sigterm) kill -TERM "$RF_GAME_PID" ;;
    esac
    wait_game 20
    [ "$RF_STATUS" = 0 ] || fail "$what: exit status $RF_STATUS, expected 0; $(cat "$RF_TMP/stderr")"
}

# check_folder <folder> <what>: the user's folder with its links and scores.
check_folder() {
    local dir=$1 what=$2
    local pair name target
    for pair in "ImgData:$data/ImgData" "Sound:$data/Sound" "fonts:$font_dir"; do
        name=${pair%%:*}
        target=${pair#*:}
        [ -L "$dir/$name" ] && [ "$(readlink "$dir/$name")" = "$target" ] \
            || fail "$what: $dir/$name is not a link to $target"
    done
    if [ -f "$dir/score/scores.db" ]; then
        sqlite3 "$dir/score/scores.db" 'SELECT count(*) FROM scores;' >/dev/null 2>&1 \
            || fail "$what: $dir/score/scores.db has no table scores"
    else
        fail "$what: no score database $dir/score/scores.db"
    fi
}

# First start, with a space in HOME and no XDG_DATA_HOME.
export HOME="$RF_TMP/home of one"
mkdir -p "$HOME"
one="$HOME/.local/share/rechenfrucht"
play escape "first start"
check_folder "$one" "first start"
[ -s "$RF_TMP/stdout" ] && fail "first start printed: $(cat "$RF_TMP/stdout")"
grep -q '^rechenfrucht:' "$RF_TMP/stderr" && fail "first start: launcher complained: $(cat "$RF_TMP/stderr")"

# Second start in the same folder after an upgrade left things behind: a
# link to a former install, a dangling link, and a real folder in the way.
sqlite3 "$one/score/scores.db" "INSERT INTO scores (name, score) VALUES ('Kept', 4242);" 2>"$RF_TMP/sql.err" \
    || fail "cannot add a row to the score table: $(cat "$RF_TMP/sql.err")"
ln -sfn /usr/local/share/games/rechenfrucht/ImgData "$one/ImgData"
ln -sfn "$RF_TMP/gone" "$one/fonts"
rm "$one/Sound" && mkdir "$one/Sound" && touch "$one/Sound/own.wav"
play sigterm "stale folder"
check_folder "$one" "stale folder"
ls "$one"/Sound.old.*/own.wav >/dev/null 2>&1 || fail "stale folder: the folder in the way was not kept aside"
[ "$(sqlite3 "$one/score/scores.db" "SELECT count(*) FROM scores WHERE score = 4242;" 2>/dev/null)" = 1 ] \
    || fail "stale folder: the scores of the first start are gone"

# XDG_DATA_HOME set (with a space): the folder goes there, not under HOME.
export XDG_DATA_HOME="$RF_TMP/xdg data"
play escape "XDG_DATA_HOME"
check_folder "$XDG_DATA_HOME/rechenfrucht" "XDG_DATA_HOME"
unset XDG_DATA_HOME

# A second user, without any write access outside their home, gets a score
# table of their own.
export HOME="$RF_TMP/home of two"
mkdir -p "$HOME"
chown nobody:nogroup "$HOME"
two="$HOME/.local/share/rechenfrucht"
RF_WRAP="setpriv --reuid=nobody --regid=nogroup --clear-groups" play escape "second user"
check_folder "$two" "second user"
[ "$(stat -c %U "$two/score/scores.db" 2>/dev/null)" = nobody ] || fail "second user: the score file is not theirs"
[ "$(sqlite3 "$two/score/scores.db" "SELECT count(*) FROM scores WHERE score = 4242;" 2>/dev/null)" = 0 ] \
    || fail "second user: sees the first user's scores"

# --- Remove -------------------------------------------------------------
remove_package
status=$(dpkg-query -W -f='${Status}' rechenfrucht 2>/dev/null)
[[ "$status" == *" installed" ]] && fail "still installed after dpkg -r: $status"
while read -r path; do
    grep -qxF "$path" "$RF_TMP/existing" && continue
    [ -e "$path" ] || [ -L "$path" ] && fail "dpkg -r left $path behind"
done <"$RF_TMP/contents"

finish
