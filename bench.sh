#!/usr/bin/env bash
# Build and run the benchmarks (build-bench/), ending with a summary of ratios.
set -eu
cd "$(dirname "$0")"
. scripts/setup.sh
vse_install_packages "${VSE_BASE_PACKAGES[@]}" libbenchmark-dev xvfb xauth
vse_build build-bench -DVSE_BUILD_BENCH=ON
# Room for the window at the screen scale of 2, where one figure is taken.
VSE_SCREEN=2560x2048x24 vse_with_display build-bench/bench/vsebench "$@"
