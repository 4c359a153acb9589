#!/usr/bin/env bash
# Fuzzes one target with libFuzzer for a while:
#
#     scripts/fuzz.sh TARGET SECONDS [LIBFUZZER OPTIONS]   e.g. scripts/fuzz.sh NcpSession 120
#
# Installs clang and its runtime (clang, libclang-rt-14-dev) when missing, builds fuzz/TARGETFuzz.cpp with
# clang and TESSALINE_FUZZ=ON in build/fuzz, and runs it for SECONDS on a working corpus build/fuzz/corpus/TARGET
# that starts from the seeds in fuzz/corpus/TARGET. Findings (crashes, violated properties, leaks, time-outs)
# go to build/fuzz/findings/TARGET/; replay one with  build/fuzz/fuzz/TARGETFuzz FILE. Ends with
# libFuzzer's statistics (stat::number_of_executed_units is the number of executions). JOBS (default 1) is
# the build's parallelism. Further options go to libFuzzer, e.g. -fork=1 -ignore_crashes=1 to go on after a
# finding.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:-}
seconds=${2:-}
if [ -z "$target" ] || [ -z "$seconds" ] || [ ! -d "fuzz/corpus/$target" ]; then
    echo "usage: scripts/fuzz.sh TARGET SECONDS" >&2
    echo "targets: $(ls fuzz/corpus | tr '\n' ' ')" >&2
    exit 2
fi

scripts/install-deps.sh
missing=()
for package in clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f build/fuzz/build.ninja ]; then
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_FUZZ=ON
fi
cmake --build build/fuzz --target "${target}Fuzz" -j"${JOBS:-1}"

corpus=build/fuzz/corpus/$target
findings=build/fuzz/findings/$target
mkdir -p "$corpus" "$findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "build/fuzz/fuzz/${target}Fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "${@:3}" "$corpus" "fuzz/corpus/$target"
