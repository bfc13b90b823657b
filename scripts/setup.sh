# Shared by run.sh, test.sh and bench.sh: install missing Debian packages, then configure and build.
# Usage: . scripts/setup.sh; vse_install_packages pkg...; vse_build [--target NAME] DIR [cmake options...]

vse_install_packages() {
    local missing=()
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    # Another install may hold the package lock for a while: wait for it.
    local wait=(-o DPkg::Lock::Timeout=900)
    $sudo apt-get "${wait[@]}" update -qq </dev/null
    DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait[@]}" install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}

VSE_BASE_PACKAGES=(cmake g++ make pkg-config libwxgtk3.2-dev libcairo2-dev)

# With --target only that target is built: options cached by an earlier
# configure (the tests, the benchmarks) then cost nothing.
vse_build() {
    local target=()
    if [ "${1:-}" = "--target" ]; then
        target=(--target "$2")
        shift 2
    fi
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null || return 1
    cmake --build "$dir" -j"$(nproc)" "${target[@]}" || return 1
}

vse_with_display() {
    if [ -n "${DISPLAY:-}" ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 ${VSE_SCREEN:-1280x1024x24}" "$@"
    fi
}

# The validators of the desktop entry, the AppStream file and the manual page,
# and the renderer of the icon sizes (test.sh and package.sh).
VSE_DESKTOP_CHECK_PACKAGES=(desktop-file-utils appstream groff-base librsvg2-bin)

# The Wayland run of the test suite: a headless compositor, its screenshot and
# key tools.
VSE_WAYLAND_RUN_PACKAGES=(sway grim wtype python3)
