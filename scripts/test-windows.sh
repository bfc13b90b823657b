#!/usr/bin/env bash
# The Windows program under Wine (64-bit only, on Xvfb), from this Debian machine:
#   1. the model, editor and platform tests built as Windows programs;
#   2. a session of vornsplineedit.exe driven with xdotool: it starts with the
#      example picture and track, a click adds a point, Control+S saves;
#   3. the installer installs and uninstalls silently and leaves nothing behind.
# Builds first with ./package-windows.sh. Screenshots go to build-windows/session-*.png.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
if [ -z "${VSW_PACKAGED:-}" ]; then
    ./package-windows.sh
    export VSW_PACKAGED=1
fi
. scripts/windows-setup.sh
if [ -z "${DISPLAY:-}" ]; then
    # Wine connects to the display many times: no reset between its clients.
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

dir=$root/build-windows
version=$(sed -n 's/^project(vornsplineedit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
installer=$root/vornsplineedit-$version-windows-x64-installer.exe
scratch=$(mktemp -d)
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
stage() { echo "== $* ($(date +%T))"; }

stage "unit tests built for Windows"
started=$(date +%s)
VSW_GTEST=$(vsw_gtest) vsw_build "$dir" -DVSE_BUILD_TESTS=ON -- test_model test_editor test_platform
echo "tests built in $(vsw_since "$started") s"
started=$(date +%s)
vsw_wine_prefix "$scratch/wine"
echo "Wine prefix made in $(vsw_since "$started") s"
# No display for the windowless tests (CTest unsets DISPLAY for them), as on Linux.
(cd "$dir" && ctest --output-on-failure --timeout 900 -R '^(model|editor|platform)$') || fail "unit tests under Wine"

stage "a session of the editor"
work=$scratch/session
mkdir -p "$work"
cp examples/terrain.tga examples/track.txt "$work/"
shot() { xwd -root -silent -out "$scratch/shot.xwd"; }
check_shot() {  # track file, png name
    python3 tests/windows/screen_check.py check "$scratch/shot.xwd" "$work/terrain.tga" "$1" "$dir/$2"
}
(cd "$work" && exec wine "$dir/stage/vornsplineedit.exe" terrain.tga track.txt) &
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'VORN Spline Editor' | head -1)
[ -n "$window" ] || { fail "no editor window"; exit 1; }
sleep 3  # painted
echo "window: $(xdotool getwindowname "$window")"
# Wine hands the frame's icons to X: the 32 x 32 loaded by name, and a small one
# from the group, which a single icon would not give.
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u | tr '\n' ' ')
echo "window icons: $icons"
case "$icons" in *"16 x 16"*"32 x 32"*) ;; *) fail "the window's icons: $icons" ;; esac
shot
check_shot "$work/track.txt" session-start.png || fail "the start-up screen"
read -r ox oy < <(python3 tests/windows/screen_check.py locate "$scratch/shot.xwd" "$work/terrain.tga")

# Picture pixel (400, 80) is world (72, 88), far from the track: a click there
# adds a point at the end of the track, of the type the radio box shows (Straight).
xdotool mousemove $((ox + 400)) $((oy + 80)) click 1
sleep 1
xdotool key ctrl+s
sleep 2
[ -z "$(find "$work" -name '~*')" ] || fail "a temporary file was left beside the track: $(ls "$work")"
# What the Linux build writes after the same click: every value as the float
# the editor holds (the example file has more digits than a float keeps), and
# the new point with the last point's half-width. Line endings aside.
expected=$(python3 - examples/track.txt <<'EOF'
import struct, sys
lines = open(sys.argv[1]).read().split()
f32 = lambda text: struct.unpack("f", struct.pack("f", float(text)))[0]
print(int(lines[0]) + 1)
for line in lines[1:]:
    x, y, w, kind = line.split(",")
    print("%.6f,%.6f,%.6f,%d" % (f32(x), f32(y), f32(w), int(kind)))
print("72.000000,88.000000,%.6f,0" % f32(lines[-1].split(",")[2]))
EOF
)
[ "$(tr -d '\r' <"$work/track.txt")" = "$expected" ] ||
    fail "the saved track: $(diff <(echo "$expected") <(tr -d '\r' <"$work/track.txt"))"
if grep -q $'\r$' "$work/track.txt"; then echo "saved with CRLF line endings"; else echo "saved with LF line endings"; fi
shot
check_shot "$work/track.txt" session-after-click.png || fail "the screen after the click"
wineserver -k
wineserver -w

stage "the installer"
reg_value() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
# BMP files open in Paint here, and Paint is under "Open with" for them: both stay.
wine reg add 'HKLM\Software\Classes\.bmp' /ve /d Paint.Picture /f >/dev/null
wine reg add 'HKLM\Software\Classes\.bmp\OpenWithList\mspaint.exe' /f >/dev/null
paint_kept() {
    [ "$(reg_value 'HKLM\Software\Classes\.bmp')" = Paint.Picture ] &&
        wine reg query 'HKLM\Software\Classes\.bmp\OpenWithList\mspaint.exe' >/dev/null 2>&1
}
wine "$installer" /S
wineserver -w
programs="$WINEPREFIX/drive_c/Program Files/VORN Spline Editor"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VORN Spline Editor.lnk"
for f in vornsplineedit.exe uninstall.exe README.txt LICENSE.txt; do
    [ -f "$programs/$f" ] || fail "not installed: $f"
done
[ -f "$menu" ] || fail "no Start menu entry"
command=$(reg_value 'HKLM\Software\Classes\Applications\vornsplineedit.exe\shell\open\command')
[ "$command" = '"C:\Program Files\VORN Spline Editor\vornsplineedit.exe" "%1"' ] || fail "open command: $command"
for ext in .tga .bmp; do
    wine reg query "HKLM\\Software\\Classes\\$ext\\OpenWithList\\vornsplineedit.exe" >/dev/null 2>&1 ||
        fail "not under Open with for $ext"
done
paint_kept || fail "the installer took .bmp from Paint"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vornsplineedit' >/dev/null 2>&1 ||
    fail "no entry in the list of installed programs"
# The installed program starts.
(cd "$work" && exec wine "C:\\Program Files\\VORN Spline Editor\\vornsplineedit.exe") &
timeout 60 xdotool search --sync --onlyvisible --name 'VORN Spline Editor' >/dev/null || fail "the installed program does not start"
wineserver -k
wineserver -w

# The uninstaller copies itself to %TEMP% and returns at once: wait for Wine to finish.
wine "C:\\Program Files\\VORN Spline Editor\\uninstall.exe" /S
wineserver -w
[ ! -e "$programs" ] || fail "left behind: $(ls -A "$programs")"
[ ! -e "$menu" ] || fail "the Start menu entry is left"
grep -i 'vornsplineedit' "$WINEPREFIX"/*.reg && fail "registry keys left (above)"
paint_kept || fail "the uninstaller took .bmp from Paint"
echo "installed, started and uninstalled; nothing left in Program Files, the Start menu or the registry"

[ $failed -eq 0 ] && echo "Windows tests under Wine: all passed"
exit $failed
