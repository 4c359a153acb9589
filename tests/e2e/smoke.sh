#!/usr/bin/env bash
# Starts the real program under a virtual X server with a window manager, checks its main window's outer
# size and place, takes a screenshot and closes it as a user would; the program must end with status 0
# having written its settings file.
# Usage: smoke.sh <path-to-tessaline> <scratch-dir>
set -euo pipefail
source "$(dirname "$0")/support/common.sh"
[ $# -eq 2 ] || fail "usage: $0 <path-to-tessaline> <scratch-dir>"
e2e_run_under_xvfb "$0" "$@"

program=$(realpath "$1")
e2e_fresh_home "$2"
trap e2e_cleanup EXIT

# The demo network's first server is ATLAS (version 5), where the workstation is logged in as the
# directory user CN=Admin.O=ACME; choosing a server titles the window "<server>: <user>".
expected_title="ATLAS: CN=Admin.O=ACME"

note "starting $program"
e2e_start_program "$program"
title=$(e2e_window_title)
[ "$title" = "$expected_title" ] || fail "window title is \"$title\", expected \"$expected_title\""

# The outer size, frame included, is the window's size, and the frame is centred on the screen. The window
# manager decorates the window after it is shown, so the window settles within a moment.
deadline=$((SECONDS + 10))
while :; do
    e2e_outer_geometry
    offset_x=$((2 * E2E_OX + E2E_OW - E2E_SCREEN_WIDTH))
    offset_y=$((2 * E2E_OY + E2E_OH - E2E_SCREEN_HEIGHT))
    if [ "$E2E_OW" -eq "$E2E_WINDOW_WIDTH" ] && [ "$E2E_OH" -eq "$E2E_WINDOW_HEIGHT" ] &&
        [ "${offset_x#-}" -le 1 ] && [ "${offset_y#-}" -le 1 ]; then
        break
    fi
    [ $SECONDS -lt $deadline ] ||
        fail "outer window ${E2E_OW}x$E2E_OH at $E2E_OX,$E2E_OY (frame $(e2e_frame_extents)); expected" \
            "${E2E_WINDOW_WIDTH}x$E2E_WINDOW_HEIGHT centred on ${E2E_SCREEN_WIDTH}x$E2E_SCREEN_HEIGHT"
    sleep 0.1
done
note "window $E2E_WINDOW \"$title\": outer ${E2E_OW}x$E2E_OH at $E2E_OX,$E2E_OY (frame $(e2e_frame_extents))," \
    "client ${E2E_WW}x$E2E_WH at $E2E_WX,$E2E_WY"

# The window must have painted something: a blank or single-colour picture means it did not.
shot="$E2E_SHOTS/connections.png"
framed="$E2E_SHOTS/connections-framed.png"
deadline=$((SECONDS + 15))
while :; do
    e2e_shot "$shot"
    colours=$(identify -format '%k' "$shot")
    [ "$colours" -ge 8 ] && break
    [ $SECONDS -lt $deadline ] || fail "the window's picture has only $colours colours: nothing was drawn"
    sleep 0.2
done
e2e_shot_with_frame "$framed"
note "screenshots $shot ($colours colours) and $framed"

[ ! -e "$E2E_SETTINGS_FILE" ] || fail "the settings file exists before the window was closed"
e2e_close_program
[ "$E2E_EXIT" -eq 0 ] || fail "the program ended with status $E2E_EXIT after the close request"
note "the program ended with status 0"

# Closing writes the transfer source path, which starts as the program's own directory.
[ -f "$E2E_SETTINGS_FILE" ] || fail "closing did not write the settings file $E2E_SETTINGS_FILE"
expected_line="Transfer Path=$(dirname "$program")/"
grep -qx '\[Paths\]' "$E2E_SETTINGS_FILE" || fail "no [Paths] section in $E2E_SETTINGS_FILE: $(cat "$E2E_SETTINGS_FILE")"
grep -qxF "$expected_line" "$E2E_SETTINGS_FILE" ||
    fail "no line \"$expected_line\" in $E2E_SETTINGS_FILE: $(cat "$E2E_SETTINGS_FILE")"
if grep -q 'Sanitizer\|runtime error' "$E2E_PROGRAM_LOG"; then
    fail "the sanitizers reported a fault"
fi
note "settings file written: $expected_line"
echo "PASS: smoke"
