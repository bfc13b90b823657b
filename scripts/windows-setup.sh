# Shared by package-windows.sh and scripts/test-windows.sh: the packages, the
# toolkit and GoogleTest for Windows, the cross build, and a Wine to run it in.
# Usage: . scripts/windows-setup.sh; vsw_build DIR [cmake options...]
. "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
VSE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

VSW_HOST=x86_64-w64-mingw32
VSW_CACHE=${VSE_WINDOWS_CACHE:-/var/cache/vornsplineedit}
VSW_PACKAGES=(cmake make dpkg-dev g++-mingw-w64-x86-64-posix nsis wine wine64 zip icoutils
              librsvg2-bin libgtest-dev xvfb xauth xdotool x11-apps x11-utils python3)

# Seconds since the given start, for the timings the scripts print.
vsw_since() { echo $(( $(date +%s) - $1 )); }

# The toolkit's prefix; builds it the first time (about 11 minutes on two cores).
vsw_toolkit() {
    "$(dirname "${BASH_SOURCE[0]}")/windows-toolkit.sh"
}

# GoogleTest from the source Debian's libgtest-dev ships, built for Windows
# once into the cache; prints its prefix.
vsw_gtest() {
    local version prefix work
    version=$(dpkg-query -W -f='${Version}' libgtest-dev)
    prefix=$VSW_CACHE/gtest-mingw-$version
    if [ ! -f "$prefix/.complete" ]; then
        work=$(mktemp -d)
        cmake -S /usr/src/googletest -B "$work" -G "Unix Makefiles" \
            -DCMAKE_TOOLCHAIN_FILE="$VSE_ROOT/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" >"$work.log" 2>&1 &&
            cmake --build "$work" -j"$(nproc)" >>"$work.log" 2>&1 &&
            cmake --install "$work" >>"$work.log" 2>&1 ||
            { tail -30 "$work.log" >&2; rm -rf "$work" "$work.log"; return 1; }
        rm -rf "$work" "$work.log"
        touch "$prefix/.complete"
    fi
    echo "$prefix"
}

# Configures and builds the Windows program into DIR (targets after --).
#   vsw_build DIR [cmake options...] [-- target...]
vsw_build() {
    local dir=$1 wx
    shift
    local opts=() targets=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do opts+=("$1"); shift; done
    [ "${1:-}" = "--" ] && { shift; targets=("$@"); }
    wx=$(vsw_toolkit)
    mkdir -p "$dir"
    cmake -S "$VSE_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$VSE_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DwxWidgets_CONFIG_EXECUTABLE="$wx/bin/wx-config" \
        -DCMAKE_FIND_ROOT_PATH="$wx;${VSW_GTEST:-$wx}" \
        -DCMAKE_CROSSCOMPILING_EMULATOR=wine "${opts[@]}" >"$dir/configure.log" 2>&1 ||
        { cat "$dir/configure.log" >&2; return 1; }
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
    else
        cmake --build "$dir" -j"$(nproc)"
    fi
}

# The DLLs a Windows program imports, one a line, in lower case.
vsw_imports() {
    "$VSW_HOST-objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u
}

# Fails when the program imports a DLL that not every Windows has.
vsw_check_imports() {
    local dll bad=0
    for dll in $(vsw_imports "$1"); do
        case "$dll" in
            kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|comdlg32.dll|shell32.dll|ole32.dll|\
            oleaut32.dll|advapi32.dll|winspool.drv|shlwapi.dll|version.dll|uxtheme.dll|oleacc.dll|\
            ws2_32.dll|rpcrt4.dll|msvcrt.dll|ucrtbase.dll|imm32.dll|winmm.dll|uuid.dll) ;;
            api-ms-win-crt-*) ;;  # the universal C runtime's forwarders, part of every Windows 10
            *) echo "$1 imports $dll, which is not part of Windows" >&2; bad=1 ;;
        esac
    done
    return $bad
}

# A Wine of our own in a scratch folder, 64-bit only, on the display in
# DISPLAY (start one with vse_with_display or Xvfb first).
vsw_wine_prefix() {
    export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all LC_ALL=C.UTF-8
    # No Mono or Gecko download prompts (nothing here needs them), and no menu
    # entries or file associations of the host made for what the installer adds.
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    wineboot -i >/dev/null 2>&1
    wineserver -w
}
