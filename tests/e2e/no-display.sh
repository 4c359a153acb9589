#!/usr/bin/env bash
# Starts the program where no window can be opened: without any display, and with a display nobody answers
# at. Each time it must say so in one line on stderr and end with status 1, not abort.
# Usage: no-display.sh <path-to-tessaline> <scratch-dir>
set -euo pipefail
source "$(dirname "$0")/support/common.sh"
[ $# -eq 2 ] || fail "usage: $0 <path-to-tessaline> <scratch-dir>"
program=$(realpath "$1")
e2e_fresh_home "$2"

# A display number no X server uses here: the first free one from :90 on.
unused=90
while [ -e "/tmp/.X11-unix/X$unused" ] || [ -e "/tmp/.X$unused-lock" ]; do
    unused=$((unused + 1))
done

check() {
    local what=$1
    shift
    local status=0
    timeout 60 env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$program" >"$E2E_SHOTS/out" 2>"$E2E_SHOTS/err" ||
        status=$?
    local lines
    lines=$(wc -l <"$E2E_SHOTS/err")
    [ "$status" -eq 1 ] || fail "$what: exit status $status, expected 1; stderr: $(cat "$E2E_SHOTS/err")"
    [ "$lines" -eq 1 ] || fail "$what: $lines lines on stderr, expected one: $(cat "$E2E_SHOTS/err")"
    grep -q '^tessaline: .*display' "$E2E_SHOTS/err" || fail "$what: the line does not name the display: $(cat "$E2E_SHOTS/err")"
    [ ! -s "$E2E_SHOTS/out" ] || fail "$what: wrote to stdout: $(cat "$E2E_SHOTS/out")"
    note "$what: status 1, \"$(cat "$E2E_SHOTS/err")\""
}

check "no DISPLAY" -u DISPLAY
check "DISPLAY=:$unused, where nothing answers" DISPLAY=":$unused"
echo "PASS: no-display"
