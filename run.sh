#!/usr/bin/env bash
# Build the editor (Release, into build/) and start it with the given files.
set -eu
cd "$(dirname "$0")"
. scripts/setup.sh
vse_install_packages "${VSE_BASE_PACKAGES[@]}"
vse_build --target vornsplineedit build
exec build/vornsplineedit "$@"
