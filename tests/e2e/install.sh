#!/usr/bin/env bash
# Installs the built program into a scratch prefix with `cmake --install` and checks the tree file by file:
# the executable, the .desktop file, the icon (SVG and PNG sizes), the AppStream entry and the manual page;
# the desktop file and the AppStream entry must pass their validators.
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
    share/applications/$id.desktop
    share/icons/hicolor/scalable/apps/$id.svg
    share/metainfo/$id.metainfo.xml
    share/man/man1/tessaline.1
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$id.png")
done
if grep -q '^tessaline-demo-server:' "$build/build.ninja" 2>/dev/null || [ -x "$build/tessaline-demo-server" ]; then
    expected+=(bin/tessaline-demo-server)
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

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate refuses the .desktop file"
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
echo "PASS: install"
