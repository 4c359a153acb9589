#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those still missing.
set -euo pipefail

packages=(build-essential cmake ninja-build qt6-base-dev libgl-dev fonts-liberation2
          xvfb xauth xdotool imagemagick x11-utils python3 qtkeychain-qt6-dev
          openbox desktop-file-utils appstream-util librsvg2-bin tshark)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
# tshark's package asks whether non-root users may capture: answer no beforehand. The variable goes through
# env so that sudo does not drop it, and nothing can prompt.
echo "wireshark-common wireshark-common/install-setuid boolean false" | "${sudo_cmd[@]}" debconf-set-selections
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
