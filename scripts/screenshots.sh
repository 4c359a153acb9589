#!/usr/bin/env bash
# Takes the README's pictures from the real program under a virtual X server with a window manager, on a
# fresh demo network: docs/connections.png, docs/extensions.png, docs/server-screen.png and
# docs/error-box.png, each cropped to the window with its frame.
# Usage: scripts/screenshots.sh [path-to-tessaline]   (without one, builds the release program first)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
source tests/e2e/support/common.sh

if [ -z "${E2E_INSIDE_XVFB:-}" ]; then
    if [ $# -ge 1 ]; then
        program=$(realpath "$1")
    else
        scripts/install-deps.sh
        [ -f build/release/build.ninja ] || cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
        cmake --build build/release --target tessaline -j2
        program=$repo/build/release/tessaline
    fi
    e2e_run_under_xvfb "$repo/scripts/screenshots.sh" "$program"
fi

program=$1
scratch=$(mktemp -d)
e2e_fresh_home "$scratch/home"
trap 'e2e_cleanup; rm -rf "$scratch"' EXIT
e2e_start_window_manager

readonly PAGE_TOP=23
readonly TAB_CONNECTIONS="40 12"
readonly TAB_EXTENSIONS="125 12"
readonly TAB_SERVER_SCREEN="211 12"
readonly SERVER_BOREAS="55 90"

# Keeps the pointer off the window, so that no control shows its hover look in a picture.
park_pointer() {
    xdotool mousemove --sync 1010 760
}

# Waits until the region differs from the reference picture and has settled.
wait_for_change() {
    local reference=$1 name=$2 region=$3
    e2e_wait_for_change "$reference" "$E2E_SHOTS/$name.png" "$region" 1000 15 >/dev/null ||
        fail "the window did not change for $name"
}

# Keeps the window as the user sees it, frame and title bar included, as docs/<name>.png.
keep() {
    e2e_shot_with_frame "docs/$1.png"
    note "docs/$1.png"
}

mkdir -p docs
e2e_start_program "$program"
# The window takes the window manager's frame from its 683x462 outer size once it has been decorated.
deadline=$((SECONDS + 10))
until e2e_outer_geometry && [ "$E2E_OW" -eq "$E2E_WINDOW_WIDTH" ] && [ "$E2E_OH" -eq "$E2E_WINDOW_HEIGHT" ]; do
    [ $SECONDS -lt $deadline ] || fail "the window did not settle at ${E2E_WINDOW_WIDTH}x$E2E_WINDOW_HEIGHT"
    sleep 0.1
done
input_top=$((E2E_WH - 76))
edit_key="126 $((input_top + 18))"
button_transfer="$((E2E_WW - 185 + 45)) $((PAGE_TOP + 264 + 12))"
button_load="$((E2E_WW - 185 + 45)) $((PAGE_TOP + 64 + 12))"
page_area="${E2E_WW}x$((E2E_WH - PAGE_TOP))+0+$PAGE_TOP"
console_area="$((E2E_WW - 207))x$((E2E_WH - PAGE_TOP - 6))+204+$((PAGE_TOP + 3))"
park_pointer
sleep 1
e2e_shot "$E2E_SHOTS/connections.png"
keep connections

# Extensions of ATLAS, and the tip a successful transfer shows at its button.
# shellcheck disable=SC2086
e2e_click $TAB_EXTENSIONS
park_pointer
wait_for_change "$E2E_SHOTS/connections.png" extensions "$page_area"
# The tip stays while the pointer rests on the button, as after a user's click.
# shellcheck disable=SC2086
e2e_click $button_transfer
sleep 1
keep extensions

# The System Console of ATLAS after MODULES and Enter.
# shellcheck disable=SC2086
e2e_click $TAB_SERVER_SCREEN
park_pointer
wait_for_change "$E2E_SHOTS/extensions.png" opened "$console_area"
# shellcheck disable=SC2086
e2e_click $edit_key
xdotool type --delay 20 "${TESSALINE_SCREENSHOT_COMMAND:-MODULES}"
xdotool key Return
park_pointer
wait_for_change "$E2E_SHOTS/opened.png" server-screen "$console_area"
sleep 0.5
keep server-screen

# An error box with its words: loading QVEXT.NLM on BOREAS, which does not hold the file yet.
# shellcheck disable=SC2086
e2e_click $TAB_CONNECTIONS
# shellcheck disable=SC2086
e2e_click $SERVER_BOREAS
# shellcheck disable=SC2086
e2e_click $TAB_EXTENSIONS
# shellcheck disable=SC2086
e2e_click $button_load
park_pointer
box=$(e2e_wait_for_titled_window Fehler 15) || fail "loading on BOREAS showed no error box"
sleep 0.5
main_window=$E2E_WINDOW
E2E_WINDOW=$box
keep error-box
E2E_WINDOW=$main_window
xdotool windowfocus --sync "$box" key Escape

e2e_close_program
[ "$E2E_EXIT" -eq 0 ] || fail "the program ended with status $E2E_EXIT"
