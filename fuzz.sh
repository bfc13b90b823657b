#!/usr/bin/env bash
# Build the fuzz targets (build-fuzz/, clang) when needed and run each of them for
# SECONDS (default 60) over its corpus; one line per target measured in this run.
# A finding makes the script exit non-zero and is kept in build-fuzz/findings/.
set -eu
cd "$(dirname "$0")"
seconds=${1:-60}
. scripts/setup.sh
# The targets share the tests' harness, which includes GoogleTest's header.
vse_install_packages "${VSE_BASE_PACKAGES[@]}" clang-14 libclang-rt-14-dev libgtest-dev xvfb xauth
CC=clang-14 CXX=clang++-14 vse_build build-fuzz -DVSE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
findings=$PWD/build-fuzz/findings  # absolute: the targets work in a directory of their own
mkdir -p "$findings"
failed=0
for target in path_reader tga_reader open_name bmp_reader; do
    corpus=$(mktemp -d)
    cp tests/corpus/"${target//_/-}"/* "$corpus"/
    log=build-fuzz/fuzz-$target.log
    rc=0
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1 vse_with_display \
        build-fuzz/tests/fuzz/fuzz_$target -max_total_time="$seconds" -artifact_prefix="$findings/$target-" \
        "$corpus" >"$log" 2>&1 || rc=$?
    execs=$(grep -o 'Done [0-9]* runs' "$log" | grep -o '[0-9]*' || true)
    found=$(ls "$findings" | grep -c "^$target-" || true)
    echo "fuzz-${target//_/-}-execs: ${execs:-0} (${seconds} s, $found findings)"
    [ "$rc" -eq 0 ] && [ "$found" -eq 0 ] || failed=1
    rm -rf "$corpus"
done
exit $failed
