#!/usr/bin/env bash
# Build and run the benchmarks (build-bench/), ending with a summary of ratios.
set -eu
cd "$(dirname "$0")"
. scripts/setup.sh
vse_install_packages "${VSE_BASE_PACKAGES[@]}" libbenchmark-dev xvfb xauth
vse_build build-bench -DVSE_BUILD_BENCH=ON
vse_with_display build-bench/bench/vsebench "$@"
