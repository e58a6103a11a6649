#!/bin/bash
# Each missing start-up file shows its error box, which the test dismisses;
# the exact text goes to standard error and the exit status is 1.
# Usage: missing_file_test.sh <program> <build dir> <relative path> <expected stderr file> [box title]
. "$(dirname "$0")/lib.sh"
missing=$3
expected=$4
export RF_BOX_TITLE=${5:-Fehlermeldung}

start_display
work=$(make_workdir "$missing")
start_game "$work"

# The box gets the focus and blocks until dismissed.
if wait_for 30 sh -c 'wmctrl -l | grep -q " $RF_BOX_TITLE\$"'; then
    sleep 0.3
    xdotool key Return
else
    fail "no error box titled $RF_BOX_TITLE for missing $missing: $(wmctrl -l)"
fi
wait_game 20; status=$RF_STATUS
[ "$status" = 1 ] || fail "missing $missing: exit status $status, expected 1"

if ! diff <(grep -v '^ALSA' "$RF_TMP/stderr") "$expected" >"$RF_TMP/diff"; then
    fail "standard error differs for missing $missing:$(echo; cat "$RF_TMP/diff")"
fi
finish
