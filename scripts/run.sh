#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on the built-in demo network.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/release/build.ninja ] || cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release --target tessaline -j2
exec build/release/tessaline
