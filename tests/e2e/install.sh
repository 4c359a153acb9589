#!/usr/bin/env bash
# Installs the built program into a scratch prefix with `cmake --install` and checks the tree file by file:
# the executables, the command-line tool's manual page and bash completion, the .desktop file, the icon (SVG and PNG sizes), the AppStream entry, the manual pages and
# the console module in share/tessaline; the desktop file (without hints) and the AppStream entry must pass
# their validators. Then the installed program walks the README's walk in a real window, its transfer taking
# QVEXT.NLM from share/tessaline.
# Usage: install.sh <path-to-tessaline> <scratch-dir>   (the build directory is the program's directory)
set -euo pipefail
source "$(dirname "$0")/support/common.sh"
[ $# -eq 2 ] || fail "usage: $0 <path-to-tessaline> <scratch-dir>"
build=$(dirname "$(realpath "$1")")
scratch=$2
for tool in desktop-file-validate appstream-util man; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done
rm -rf "$scratch"
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >"$scratch.log" 2>&1 || fail "cmake --install failed: $(cat "$scratch.log")"

id=org.tessaline.Tessaline
expected=(
    bin/tessaline
    bin/tessaline-cli
    share/bash-completion/completions/tessaline-cli
    share/man/man1/tessaline-cli.1
    share/applications/$id.desktop
    share/icons/hicolor/scalable/apps/$id.svg
    share/metainfo/$id.metainfo.xml
    share/man/man1/tessaline.1
    share/tessaline/QVEXT.NLM
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$id.png")
done
if grep -q '^tessaline-demo-server:' "$build/build.ninja" 2>/dev/null || [ -x "$build/tessaline-demo-server" ]; then
    expected+=(bin/tessaline-demo-server share/man/man1/tessaline-demo-server.1)
fi

for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "the install tree lacks $file"
done
[ -x "$prefix/bin/tessaline" ] || fail "bin/tessaline is not executable"
for size in 16 22 24 32 48 64 128 256; do
    actual=$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png")
    [ "$actual" = "${size}x$size" ] || fail "the ${size}x$size icon is $actual"
done
# Nothing else: every installed file is one of the list.
unexpected=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"
note "installed ${#expected[@]} files under $prefix"

hints=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) ||
    fail "desktop-file-validate refuses the .desktop file: $hints"
[ -z "$hints" ] || fail "desktop-file-validate has remarks on the .desktop file: $hints"
grep -qx "Exec=tessaline" "$prefix/share/applications/$id.desktop" || fail "the .desktop file does not start tessaline"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "the .desktop file names another icon"
appstream-util validate-relax --nonet "$prefix/share/metainfo/$id.metainfo.xml" >"$scratch/appstream.log" 2>&1 ||
    fail "appstream-util refuses the metainfo file: $(cat "$scratch/appstream.log")"
note "desktop-file-validate and appstream-util validate-relax pass"

manual=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/tessaline.1" 2>"$scratch/man.log") ||
    fail "man cannot format tessaline.1: $(cat "$scratch/man.log")"
[ ! -s "$scratch/man.log" ] || fail "man warns about tessaline.1: $(cat "$scratch/man.log")"
for word in --help --version --demo --attachments --capture QVEXT.INI attachments.ini "EXIT STATUS"; do
    grep -qF -- "$word" <<<"$manual" || fail "the manual page does not mention $word"
done
note "the manual page formats without warnings and names every option, both files and the exit status"
if [ -f "$prefix/share/man/man1/tessaline-demo-server.1" ]; then
    manual=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/tessaline-demo-server.1" 2>"$scratch/man.log") ||
        fail "man cannot format tessaline-demo-server.1: $(cat "$scratch/man.log")"
    [ ! -s "$scratch/man.log" ] || fail "man warns about tessaline-demo-server.1: $(cat "$scratch/man.log")"
    for word in --address --port-base --volumes --idle-timeout --capture --help ADMIN JDOE SUPERVISOR "EXIT STATUS"; do
        grep -qF -- "$word" <<<"$manual" || fail "the demo server's manual page does not mention $word"
    done
    note "the demo server's manual page formats without warnings and names every option and demo user"
fi
cmp -s "$prefix/share/tessaline/QVEXT.NLM" "$build/QVEXT.NLM" || fail "share/tessaline/QVEXT.NLM is not the built one"

# The installed program on its own: its directory holds no QVEXT.NLM, so the transfer's source path is
# share/tessaline, and the README's walk transfers, loads and opens the console from there.
[ ! -e "$prefix/bin/QVEXT.NLM" ] || fail "bin/ holds QVEXT.NLM, so the fallback goes untested"
"$(dirname "$0")/walkthrough.sh" "$prefix/bin/tessaline" "$scratch/walk" ||
    fail "the installed program does not pass the README's walk (see $scratch/walk)"
note "the installed program passes the README's walk with share/tessaline as its source path"

manual=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/tessaline-cli.1" 2>"$scratch/man.log") ||
    fail "man cannot format tessaline-cli.1: $(cat "$scratch/man.log")"
[ ! -s "$scratch/man.log" ] || fail "man warns about tessaline-cli.1: $(cat "$scratch/man.log")"
for word in servers info extensions load unload copy screens show send run watch --json --all --demo \
    --password-file --password-stdin --timeout --settle --capture "EXIT STATUS"; do
    grep -qF -- "$word" <<<"$manual" || fail "the manual page of tessaline-cli does not mention $word"
done
bash -c "source /usr/share/bash-completion/bash_completion 2>/dev/null; source '$prefix/share/bash-completion/completions/tessaline-cli'; complete -p tessaline-cli" >/dev/null ||
    fail "the bash completion of tessaline-cli does not load"
note "tessaline-cli's manual page formats without warnings; its bash completion loads"
echo "PASS: install"
