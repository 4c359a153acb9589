#!/usr/bin/env bash
# tessaline-cli as an administrator meets it: it links no widget or GUI library and runs without a display,
# and the cron line of the README runs as written, in cron's bare environment, on the demo network (no
# attachments file), leaving the MODULES output of every server and a log line for those that failed.
# Usage: cli.sh <path-to-tessaline> <scratch-dir>   (tessaline-cli is beside the program)
set -euo pipefail
source "$(dirname "$0")/support/common.sh"
[ $# -eq 2 ] || fail "usage: $0 <path-to-tessaline> <scratch-dir>"
build=$(dirname "$(realpath "$1")")
readme="$(dirname "$0")/../../README.md"
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/bin" "$scratch/home"
ln -s "$build/tessaline-cli" "$scratch/bin/tessaline-cli"

! ldd "$build/tessaline-cli" | grep -E 'libQt6(Widgets|Gui)' || fail "tessaline-cli links a GUI library"
note "tessaline-cli links no widget or GUI library"

# The crontab lines of the README's block, the schedule cut off; the PATH line points at this build.
block=$(sed -n '/^```crontab$/,/^```$/p' "$readme" | sed '1d;$d')
command=$(grep -E '^[*0-9/]' <<<"$block" | sed -E 's/^([^ ]+ +){5}//')
[ -n "$command" ] || fail "the README has no cron line"
grep -q '^PATH=' <<<"$block" || fail "the README's crontab sets no PATH"
status=0
timeout 120 env -i HOME="$scratch/home" LOGNAME=cron SHELL=/bin/sh PATH="$scratch/bin:/usr/bin:/bin" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    /bin/sh -c "$command" || status=$?
[ "$status" -eq 0 ] || fail "the cron line ended with status $status"
json="$scratch/home/netware-modules.json"
log="$scratch/home/netware-health.log"
[ -s "$json" ] || fail "the cron line wrote no $json"
grep -q '"QVEXT.NLM      Tessaline Remote Console Extension"' "$json" || fail "ATLAS's modules are not in $json: $(cat "$json")"
grep -q 'BOREAS: Error 89FE' "$log" || fail "the log does not name BOREAS, which has no console module: $(cat "$log")"
grep -q 'tessaline-cli failed with exit status 1' "$log" || fail "the log has no line for the failure: $(cat "$log")"
note "the README's cron line wrote the modules of ATLAS and logged the servers without a console"
echo "PASS: cli"
