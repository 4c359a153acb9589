# shellcheck shell=bash disable=SC2034
# Shared steps of the real-window checks: a private home for the program's files, a virtual X server,
# finding windows, clicking at window positions, screenshots and closing the program as a user would.
# Sourced by tests/e2e/*.sh and scripts/screenshots.sh; not a test itself.

E2E_SUPPORT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The window's outer size (its frame included) and the virtual screen it is shown on.
readonly E2E_WINDOW_WIDTH=683
readonly E2E_WINDOW_HEIGHT=462
readonly E2E_SCREEN_WIDTH=1024
readonly E2E_SCREEN_HEIGHT=768
readonly E2E_SCREEN="-screen 0 ${E2E_SCREEN_WIDTH}x${E2E_SCREEN_HEIGHT}x24"

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${E2E_PROGRAM_LOG:-}" ] && [ -s "$E2E_PROGRAM_LOG" ]; then
        echo "--- the program's output ---" >&2
        cat "$E2E_PROGRAM_LOG" >&2
    fi
    exit 1
}

note() {
    echo "[$(date +%T)] $*"
}

# Runs the calling script again inside its own virtual X server, unless it already has one, with a window
# manager (openbox), so that frames, placement and activation are those of a desktop.
# E2E_WINDOW_MANAGER=none runs without one. Usage: e2e_run_under_xvfb "$0" "$@"
e2e_run_under_xvfb() {
    if [ -n "${E2E_INSIDE_XVFB:-}" ]; then
        e2e_start_window_manager
        return 0
    fi
    local tool
    for tool in xvfb-run xauth xdotool xwininfo xprop import compare convert python3; do
        command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
    done
    local script=$1
    shift
    E2E_INSIDE_XVFB=1 exec xvfb-run -a -s "$E2E_SCREEN" "$script" "$@"
}

# Starts openbox on the virtual X server and waits until it manages windows; sets E2E_WM_PID.
e2e_start_window_manager() {
    [ "${E2E_WINDOW_MANAGER:-openbox}" = none ] && return 0
    command -v openbox >/dev/null || fail "openbox is not installed (scripts/install-deps.sh installs it)"
    openbox --sm-disable >/dev/null 2>&1 &
    E2E_WM_PID=$!
    local deadline=$((SECONDS + 15))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        kill -0 "$E2E_WM_PID" 2>/dev/null || fail "openbox ended before it managed the screen"
        [ $SECONDS -lt $deadline ] || fail "openbox did not manage the screen within 15 s"
        sleep 0.1
    done
}

# The frame the window manager has put around the main window, as "left right top bottom" (all 0 without
# a window manager).
e2e_frame_extents() {
    local extents
    extents=$(xprop -id "$E2E_WINDOW" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ',')
    echo "${extents:-0 0 0 0}"
}

# The main window's outer place and size, its frame included: sets E2E_OX, E2E_OY, E2E_OW, E2E_OH.
e2e_outer_geometry() {
    local left right top bottom
    read -r left right top bottom <<<"$(e2e_frame_extents)"
    e2e_window_position
    E2E_OX=$((E2E_WX - left))
    E2E_OY=$((E2E_WY - top))
    E2E_OW=$((E2E_WW + left + right))
    E2E_OH=$((E2E_WH + top + bottom))
}

# Gives the program a fresh, private set of the directories it writes to, below the scratch directory:
# settings in $XDG_CONFIG_HOME/Tessaline, emulated volumes in $XDG_DATA_HOME/Tessaline/volumes.
e2e_fresh_home() {
    local scratch=$1
    [ -n "$scratch" ] || fail "no scratch directory given"
    rm -rf "$scratch"
    mkdir -p "$scratch/config" "$scratch/data" "$scratch/runtime" "$scratch/shots"
    chmod 700 "$scratch/runtime"
    export XDG_CONFIG_HOME="$scratch/config"
    export XDG_DATA_HOME="$scratch/data"
    export XDG_RUNTIME_DIR="$scratch/runtime"
    export E2E_SHOTS="$scratch/shots"
    export E2E_PROGRAM_LOG="$scratch/program.log"
    E2E_SETTINGS_FILE="$XDG_CONFIG_HOME/Tessaline/QVEXT.INI"
    E2E_VOLUMES="$XDG_DATA_HOME/Tessaline/volumes"
}

# Starts the program in the background; sets E2E_PID and E2E_WINDOW (its main window's id) and
# E2E_WX/E2E_WY (the window's position on the screen).
e2e_start_program() {
    local program=$1
    [ -x "$program" ] || fail "no program at $program"
    "$program" >"$E2E_PROGRAM_LOG" 2>&1 &
    E2E_PID=$!
    local deadline=$((SECONDS + 30))
    E2E_WINDOW=""
    while [ -z "$E2E_WINDOW" ]; do
        kill -0 "$E2E_PID" 2>/dev/null || fail "the program ended before it showed its window"
        [ $SECONDS -lt $deadline ] || fail "no window of the program appeared within 30 s"
        E2E_WINDOW=""
        # The start-up window, shown while slow servers attach, goes away before the main window comes.
        for window in $(xdotool search --onlyvisible --pid "$E2E_PID" 2>/dev/null || true); do
            [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "Tessaline: attaching servers" ] && continue
            E2E_WINDOW=$window
            break
        done
        [ -n "$E2E_WINDOW" ] || sleep 0.1
    done
    e2e_window_position
}

# The client area's place and size on the screen. (Under a reparenting window manager xdotool's
# getwindowgeometry adds the client's offset inside the frame once more; xwininfo's absolute corner is right.)
e2e_window_position() {
    local info
    info=$(xwininfo -id "$E2E_WINDOW") || fail "xwininfo cannot read window $E2E_WINDOW"
    E2E_WX=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    E2E_WY=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    E2E_WW=$(sed -n 's/^ *Width: *//p' <<<"$info")
    E2E_WH=$(sed -n 's/^ *Height: *//p' <<<"$info")
}

e2e_window_title() {
    xdotool getwindowname "$E2E_WINDOW"
}

# Waits until a visible window with exactly this title exists and prints its id; returns 1 on timeout.
e2e_wait_for_titled_window() {
    local title=$1 seconds=$2
    local deadline=$((SECONDS + seconds)) found
    while [ $SECONDS -lt "$deadline" ]; do
        found=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$found" ]; then
            echo "$found"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# True when a visible window with exactly this title exists now.
e2e_titled_window_exists() {
    [ -n "$(xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null | head -n 1 || true)" ]
}

# Moves the mouse to a point given relative to the main window's top-left corner and clicks there.
e2e_click() {
    local x=$1 y=$2
    xdotool mousemove --sync $((E2E_WX + x)) $((E2E_WY + y)) click 1
}

# Moves the mouse over a point of the window (without a window manager the keyboard follows the pointer).
e2e_point_at() {
    xdotool mousemove --sync $((E2E_WX + $1)) $((E2E_WY + $2))
}

# Saves the main window's current picture as a PNG of the window's own size (its client area).
e2e_shot() {
    local file=$1
    import -window root -crop "${E2E_WW}x${E2E_WH}+${E2E_WX}+${E2E_WY}" +repage "$file" 2>/dev/null ||
        fail "could not take a screenshot into $file"
}

# Saves the main window as the user sees it, with the window manager's frame and title bar.
e2e_shot_with_frame() {
    local file=$1
    e2e_outer_geometry
    import -window root -crop "${E2E_OW}x${E2E_OH}+${E2E_OX}+${E2E_OY}" +repage "$file" 2>/dev/null ||
        fail "could not take a screenshot into $file"
}

# Prints how many pixels differ between two same-sized pictures inside a region WxH+X+Y of the window.
e2e_pixels_differing() {
    local first=$1 second=$2 region=$3
    local count
    count=$(compare -metric AE "${first}[${region}]" "${second}[${region}]" null: 2>&1 || true)
    # compare prints the count, in floating-point form for large counts
    count=${count%% *}
    if ! printf '%.0f\n' "$count" 2>/dev/null; then
        echo "compare gave no pixel count for $first and $second: $count" >&2
        echo 0
    fi
}

# Takes screenshots into $file until the region differs from the reference picture by more than
# min_pixels and has stopped changing (two pictures in a row alike but for a text cursor's blink), or the
# time runs out (returns 1). Prints the last count.
e2e_wait_for_change() {
    local reference=$1 file=$2 region=$3 min_pixels=$4 seconds=$5
    local deadline=$((SECONDS + seconds)) count=0 previous="$file.previous.png"
    rm -f "$previous"
    while :; do
        e2e_shot "$file"
        count=$(e2e_pixels_differing "$reference" "$file" "$region")
        if [ "$count" -gt "$min_pixels" ] && [ -f "$previous" ] &&
            [ "$(e2e_pixels_differing "$previous" "$file" "$region")" -le 20 ]; then
            rm -f "$previous"
            echo "$count"
            return 0
        fi
        [ $SECONDS -lt "$deadline" ] || break
        cp "$file" "$previous"
        sleep 0.15
    done
    rm -f "$previous"
    echo "$count"
    return 1
}

# Sends the main window the close request a window manager's close button sends, then waits for the program
# to end; sets E2E_EXIT to its exit status.
e2e_close_program() {
    python3 "$E2E_SUPPORT_DIR/close_window.py" "$E2E_WINDOW" || fail "could not send the close request"
    local deadline=$((SECONDS + 30))
    while kill -0 "$E2E_PID" 2>/dev/null; do
        if [ $SECONDS -ge $deadline ]; then
            kill "$E2E_PID" 2>/dev/null || true
            fail "the program did not end within 30 s of the close request"
        fi
        sleep 0.1
    done
    E2E_EXIT=0
    wait "$E2E_PID" || E2E_EXIT=$?
}

# Ends a program left running by a failed check, and the window manager, so that the virtual X server can
# stop.
e2e_cleanup() {
    if [ -n "${E2E_PID:-}" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill "$E2E_PID" 2>/dev/null || true
    fi
    if [ -n "${E2E_WM_PID:-}" ] && kill -0 "$E2E_WM_PID" 2>/dev/null; then
        kill "$E2E_WM_PID" 2>/dev/null || true
    fi
}
