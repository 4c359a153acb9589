#!/usr/bin/env bash
# Drives the real program under a window manager with real mouse and keyboard input through the walk that
# touches every page: choose the version-4 server BOREAS, be refused the Server Screen and close the box with
# Escape, turn to Extensions and transfer QVEXT.NLM by their accelerator keys, load it, see the QV_EXT
# extension, open the Server Screen, type a console command and run it with Enter, recall it with the
# cursor button, empty the line with Escape, clear the screen, close.
# Usage: walkthrough.sh <path-to-tessaline> <scratch-dir>
set -euo pipefail
source "$(dirname "$0")/support/common.sh"
[ $# -eq 2 ] || fail "usage: $0 <path-to-tessaline> <scratch-dir>"
e2e_run_under_xvfb "$0" "$@"

program=$(realpath "$1")
e2e_fresh_home "$2"
trap e2e_cleanup EXIT
shots=$E2E_SHOTS

# Positions inside the window's client area, from app/MainFormLayout.cpp; those that hang on the right or
# bottom edge follow the client size, which the window manager's frame takes from the 683x462 outer size.
# The tab row is 23 pixels high with the tabs' captions in Liberation Sans 11 px; each page fills the
# window below it.
readonly PAGE_TOP=23
readonly TAB_SERVER_SCREEN="211 12"
# Connections page: the server list's second entry (the radio buttons run down the 233-pixel left panel).
readonly SERVER_BOREAS="55 90"
# Pixel counts: seven characters of console text change well over 60 pixels, a command's output of several
# rows or a cleared screen well over 1500, a change of page tens of thousands.
readonly A_WORD=60
readonly SOME_ROWS=1500

# Sets the positions that depend on the client size, once the window has settled.
place_controls() {
    # Extensions page: the 185-pixel right panel holds Load at (8,64), 75x25.
    EXT_PANEL_X=$((E2E_WW - 185))
    BUTTON_LOAD="$((EXT_PANEL_X + 8 + 37)) $((PAGE_TOP + 64 + 12))"
    # Server Screen page: the 76-pixel input panel at the foot of the 201-pixel left column holds the key
    # field at (56,8) 140x21 and the buttons CLS (8,40) and cursor up (165,40), 25 pixels high.
    INPUT_TOP=$((E2E_WH - 76))
    EDIT_KEY="$((56 + 70)) $((INPUT_TOP + 8 + 10))"
    BUTTON_CLS="$((8 + 16)) $((INPUT_TOP + 40 + 12))"
    BUTTON_CURSOR_UP="$((165 + 16)) $((INPUT_TOP + 40 + 12))"
    CONSOLE_AREA="$((E2E_WW - 201 - 6))x$((E2E_WH - PAGE_TOP - 6))+204+$((PAGE_TOP + 3))"
    PAGE_AREA="${E2E_WW}x$((E2E_WH - PAGE_TOP))+0+$PAGE_TOP"
    # The extension list's second row, where the newly loaded extension appears (18-pixel heading,
    # 14-pixel rows).
    SECOND_EXTENSION="$((EXT_PANEL_X - 12))x16+4+$((PAGE_TOP + 18 + 15))"
}

click() {
    # shellcheck disable=SC2086
    e2e_click $1
}

# Waits until the region of the window differs from the reference shot and has settled; fails with a message
# naming the step otherwise.
expect_change() {
    local reference=$1 shot=$2 region=$3 min_pixels=$4 what=$5 count
    count=$(e2e_wait_for_change "$shots/$reference.png" "$shots/$shot.png" "$region" "$min_pixels" 15) ||
        fail "$what: only $count pixels changed in $region (more than $min_pixels expected); see $shots/$shot.png"
    note "  $count pixels changed"
}

expect_no_error_box() {
    ! e2e_titled_window_exists Fehler || fail "$1 showed an error box"
}

boreas_system="$E2E_VOLUMES/BOREAS/SYS/SYSTEM"
# Beside the program in the build tree; an installed program takes it from its share/tessaline.
nlm_source="$(dirname "$program")/QVEXT.NLM"
[ -f "$nlm_source" ] || nlm_source="$(realpath -m "$(dirname "$program")/../share/tessaline/QVEXT.NLM")"
[ -f "$nlm_source" ] || fail "no QVEXT.NLM beside the program or in its share/tessaline to transfer"

# The program under a name that adds --capture (exec keeps the process, which the window search goes by).
capture="$(realpath "$2")/session.pcap"
capturing="$(realpath "$2")/tessaline-capturing"
printf '#!/bin/sh\nexec "%s" --capture "%s" "$@"\n' "$program" "$capture" >"$capturing"
chmod +x "$capturing"

note "starting $program --capture $capture"
started=$SECONDS
e2e_start_program "$capturing"
[ "$(e2e_window_title)" = "ATLAS: CN=Admin.O=ACME" ] || fail "unexpected first title \"$(e2e_window_title)\""
# The window manager's frame arrives after the window is shown; the window then takes it from its size.
deadline=$((SECONDS + 10))
until e2e_outer_geometry && [ "$E2E_OW" -eq "$E2E_WINDOW_WIDTH" ] && [ "$E2E_OH" -eq "$E2E_WINDOW_HEIGHT" ]; do
    [ $SECONDS -lt $deadline ] || fail "the window did not settle at ${E2E_WINDOW_WIDTH}x$E2E_WINDOW_HEIGHT: outer ${E2E_OW}x$E2E_OH at $E2E_OX,$E2E_OY, frame $(e2e_frame_extents)"
    sleep 0.1
done
place_controls

note "choosing BOREAS"
click "$SERVER_BOREAS"
deadline=$((SECONDS + 15))
until [ "$(e2e_window_title)" = "BOREAS: CN=jdoe.OU=Sales.O=ACME" ]; do
    [ $SECONDS -lt $deadline ] || fail "choosing BOREAS did not retitle the window: \"$(e2e_window_title)\""
    sleep 0.1
done
[ -d "$boreas_system" ] || fail "no emulated directory $boreas_system"
[ ! -e "$boreas_system/QVEXT.NLM" ] || fail "BOREAS already holds QVEXT.NLM before the transfer"
e2e_shot "$shots/01-boreas.png"

note "Server Screen without the console module: refused, the box closed with Escape"
click "$TAB_SERVER_SCREEN"
box=$(e2e_wait_for_titled_window Fehler 15) || fail "no \"Fehler\" box refused the Server Screen page"
xdotool windowfocus --sync "$box" key Escape
deadline=$((SECONDS + 15))
while e2e_titled_window_exists Fehler; do
    [ $SECONDS -lt $deadline ] || fail "Escape did not close the \"Fehler\" box"
    sleep 0.1
done
e2e_shot "$shots/02-refused.png"
changed=$(e2e_pixels_differing "$shots/01-boreas.png" "$shots/02-refused.png" "$PAGE_AREA")
[ "$changed" -lt "$SOME_ROWS" ] || fail "the page changed ($changed pixels) although the Server Screen was refused"

# After the box the window has the keyboard again: its accelerators work without a click into it.
note "Alt+X: the Extensions page, by keyboard"
xdotool key alt+x
expect_change 02-refused 03-extensions "$PAGE_AREA" "$SOME_ROWS" "Alt+X after the box (the Extensions page)"

note "Alt+T: Transfer of $nlm_source, by keyboard"
xdotool key alt+t
deadline=$((SECONDS + 15))
until [ -f "$boreas_system/QVEXT.NLM" ] && cmp -s "$nlm_source" "$boreas_system/QVEXT.NLM"; do
    expect_no_error_box "the transfer"
    [ $SECONDS -lt $deadline ] || fail "Alt+T did not copy QVEXT.NLM into $boreas_system"
    sleep 0.1
done
expect_no_error_box "the transfer"

note "Load QVEXT.NLM"
e2e_shot "$shots/04-transferred.png"
click "$BUTTON_LOAD"
expect_change 04-transferred 05-loaded "$SECOND_EXTENSION" "$A_WORD" "loading QVEXT.NLM (a second extension, QV_EXT)"
expect_no_error_box "loading QVEXT.NLM"

note "Server Screen, now accepted"
click "$TAB_SERVER_SCREEN"
expect_change 05-loaded 06-server-screen "$CONSOLE_AREA" "$SOME_ROWS" "opening the Server Screen after loading QVEXT.NLM"
expect_no_error_box "opening the Server Screen after loading QVEXT.NLM"

note "typing MODULES"
click "$EDIT_KEY"
xdotool type --delay 20 MODULES
expect_change 06-server-screen 07-typed "$CONSOLE_AREA" "$A_WORD" "typing MODULES into the Input field"

note "Enter runs the command"
xdotool key Return
expect_change 07-typed 08-modules "$CONSOLE_AREA" "$SOME_ROWS" "Enter after MODULES (the module list)"

note "the cursor-up button recalls the command"
click "$BUTTON_CURSOR_UP"
expect_change 08-modules 09-recalled "$CONSOLE_AREA" "$A_WORD" "cursor up (the recalled command)"

note "Escape, typed without a click into the field, empties the line"
xdotool key Escape
expect_change 09-recalled 10-escaped "$CONSOLE_AREA" "$A_WORD" "Escape (the recalled command cleared)"

note "CLS clears the console"
click "$BUTTON_CLS"
expect_change 10-escaped 11-cleared "$CONSOLE_AREA" "$SOME_ROWS" "CLS"
e2e_shot_with_frame "$shots/12-framed.png"

note "closing"
e2e_close_program
[ "$E2E_EXIT" -eq 0 ] || fail "the program ended with status $E2E_EXIT after the close request"
# The source directory the walk transferred from: the program's own, or an installed program's share/tessaline.
expected_line="Transfer Path=$(dirname "$nlm_source")/"
grep -qxF "$expected_line" "$E2E_SETTINGS_FILE" 2>/dev/null ||
    fail "the settings file $E2E_SETTINGS_FILE lacks \"$expected_line\""
if grep -q 'Sanitizer\|runtime error' "$E2E_PROGRAM_LOG"; then
    fail "the sanitizers reported a fault"
fi

note "decoding the capture"
[ -s "$capture" ] || fail "the program wrote no capture to $capture"
if [ -n "${E2E_CAPTURE_CHECK:-}" ]; then
    "$E2E_CAPTURE_CHECK" "$capture" || fail "tshark does not accept the capture $capture"
else
    note "  E2E_CAPTURE_CHECK not set: the capture is not decoded"
fi
note "walk finished in $((SECONDS - started)) s"
echo "PASS: walkthrough"
