#!/usr/bin/env bash
# Takes the README's pictures from the real program under a virtual X server, on a fresh demo network:
# docs/connections.png, docs/extensions.png and docs/server-screen.png, each cropped to the window.
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

readonly PAGE_TOP=23
readonly TAB_EXTENSIONS="125 12"
readonly TAB_SERVER_SCREEN="211 12"
readonly INPUT_TOP=$((E2E_WINDOW_HEIGHT - 76))
readonly EDIT_KEY="126 $((INPUT_TOP + 18))"
readonly BUTTON_CR="108 $((INPUT_TOP + 52))"
readonly PAGE_AREA="${E2E_WINDOW_WIDTH}x$((E2E_WINDOW_HEIGHT - PAGE_TOP))+0+$PAGE_TOP"
readonly CONSOLE_AREA="$((E2E_WINDOW_WIDTH - 207))x$((E2E_WINDOW_HEIGHT - PAGE_TOP - 6))+204+$((PAGE_TOP + 3))"

# Keeps the pointer off the window, so that no control shows its hover look in a picture.
park_pointer() {
    xdotool mousemove --sync 1010 760
}

# Waits until the region differs from the last picture and has settled, then keeps it as docs/<name>.png.
keep_after_change() {
    local reference=$1 name=$2 region=$3
    park_pointer
    e2e_wait_for_change "$reference" "$E2E_SHOTS/$name.png" "$region" 1000 15 >/dev/null ||
        fail "the window did not change for $name"
    cp "$E2E_SHOTS/$name.png" "docs/$name.png"
    note "docs/$name.png"
}

mkdir -p docs
e2e_start_program "$program"
park_pointer
sleep 1
e2e_shot "$E2E_SHOTS/connections.png"
cp "$E2E_SHOTS/connections.png" docs/connections.png
note "docs/connections.png"

# shellcheck disable=SC2086
e2e_click $TAB_EXTENSIONS
keep_after_change "$E2E_SHOTS/connections.png" extensions "$PAGE_AREA"

# shellcheck disable=SC2086
e2e_click $TAB_SERVER_SCREEN
park_pointer
e2e_wait_for_change "$E2E_SHOTS/extensions.png" "$E2E_SHOTS/opened.png" "$CONSOLE_AREA" 1000 15 >/dev/null ||
    fail "the Server Screen page did not open"
# shellcheck disable=SC2086
e2e_click $EDIT_KEY
xdotool type --delay 20 "${TESSALINE_SCREENSHOT_COMMAND:-MODULES}"
# shellcheck disable=SC2086
e2e_click $BUTTON_CR
keep_after_change "$E2E_SHOTS/opened.png" server-screen "$CONSOLE_AREA"

e2e_close_program
[ "$E2E_EXIT" -eq 0 ] || fail "the program ended with status $E2E_EXIT"
