#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (warnings as errors, address and
# undefined-behaviour sanitizers) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/test/build.ninja ] || cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSALINE_TEST_BUILD=ON
cmake --build build/test -j2
ctest --test-dir build/test --output-on-failure -j2 "$@"
