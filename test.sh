#!/usr/bin/env bash
# Build and run every test through CTest, under Xvfb when there is no display.
#   ./test.sh             the normal suite (build/)
#   ./test.sh --sanitize  the suite built with AddressSanitizer and UBSan (build-asan/)
set -eu
cd "$(dirname "$0")"
. scripts/setup.sh
vse_install_packages "${VSE_BASE_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev \
    xvfb xauth xdotool imagemagick acl attr "${VSE_DESKTOP_CHECK_PACKAGES[@]}" "${VSE_WAYLAND_RUN_PACKAGES[@]}"

dir=build
opts=(-DVSE_BUILD_TESTS=ON)
if [ "${1:-}" = "--sanitize" ]; then
    dir=build-asan
    opts+=(-DVSE_SANITIZE=ON)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
vse_build "$dir" "${opts[@]}"
cd "$dir"
status=0
vse_with_display ctest --output-on-failure --timeout 600 || status=$?
# CTest counts a skipped GoogleTest as passed and shows no output of a test
# that passed: each skip is printed here with its reason.
awk '/: Skipped$/ { shown = 1; print "SKIPPED:" } shown { print "  " $0 } /^\[  SKIPPED \]/ { shown = 0 }' \
    Testing/Temporary/LastTest.log
exit $status
