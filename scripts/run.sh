#!/usr/bin/env bash
# Installs what is missing, builds the program and the demo servers (build/release/tessaline and
# build/release/tessaline-demo-server), and starts the program on the built-in demo network.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/release/build.ninja ] || cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release --target tessaline tessaline-demo-server -j2
exec build/release/tessaline
