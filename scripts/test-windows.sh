#!/usr/bin/env bash
# The Windows program under Wine (64-bit only, on Xvfb), from this Debian machine:
#   1. the model, editor, platform and io tests built as Windows programs (io's
#      in a window, on the Xvfb display);
#   2. a session of vornsplineedit.exe driven with xdotool: it starts with the
#      example picture and track under non-ASCII names, a click adds a point,
#      Control+S saves, the picture dialog comes up, a track dropped from the
#      desktop opens; the saved file against what the Linux build writes after
#      the same click;
#   3. the editor at 144 DPI: laid out in proportion, the picture nearest
#      neighbour at 1.5 times, a click where it should land;
#   4. the installer installs and uninstalls silently and leaves nothing behind.
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

# The drop from the desktop, and the Linux build of the editor for what it
# writes after the same actions.
vse_install_packages python3-xlib "${VSE_BASE_PACKAGES[@]}"
vse_build --target vornsplineedit build

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
VSW_GTEST=$(vsw_gtest) vsw_build "$dir" -DVSE_BUILD_TESTS=ON -- test_model test_editor test_platform test_io
echo "tests built in $(vsw_since "$started") s"
started=$(date +%s)
vsw_wine_prefix "$scratch/wine"
echo "Wine prefix made in $(vsw_since "$started") s"
# No display for the windowless tests (CTest unsets DISPLAY for them), as on Linux.
(cd "$dir" && ctest --output-on-failure --timeout 900 -R '^(model|editor|platform|io)$') || fail "unit tests under Wine"

stage "a session of the editor"
# Names in other letters than ASCII: from the command line, in the title, saved
# to, and dropped from the desktop.
picture=地形.tga track=Fåglar.txt dropped=Ørken.txt
work=$scratch/session
mkdir -p "$work"
cp examples/terrain.tga "$work/$picture"
cp examples/track.txt "$work/$track"
head -4 examples/track.txt | sed '1s/.*/3/' >"$work/$dropped"  # its first three points
shot() { xwd -root -silent -out "$scratch/shot.xwd"; }
shown=""  # how much of the picture the canvas shows, as at start-up
check_shot() {  # track file, png name
    local out
    out=$(python3 tests/windows/screen_check.py check "$scratch/shot.xwd" "$work/$picture" "$1" "$dir/$2") ||
        { echo "$out"; return 1; }
    echo "$out"
    # Anything left over the canvas would cut short the picture it finds.
    local size
    size=$(echo "$out" | grep -o '[0-9]* x [0-9]* of it on screen')
    [ -n "$shown" ] || shown=$size
    [ "$size" = "$shown" ] || { echo "FAIL: $size, not $shown"; return 1; }
}
title_is() {  # window, the title it should come to within 10 s
    local i
    for i in $(seq 50); do
        [ "$(xdotool getwindowname "$1")" = "$2" ] && return 0
        sleep 0.2
    done
    fail "the title is '$(xdotool getwindowname "$1")', not '$2'"
}
(cd "$work" && exec wine "$dir/stage/vornsplineedit.exe" "$picture" "$track") &
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'VORN Spline Editor' | head -1)
[ -n "$window" ] || { fail "no editor window"; exit 1; }
sleep 3  # painted
eval "$(xdotool getwindowgeometry --shell "$window")"
width96=$WIDTH height96=$HEIGHT
title_is "$window" "VORN Spline Editor ($track)"
# Wine hands the frame's icons to X: the 32 x 32 loaded by name, and a small one
# from the group, which a single icon would not give.
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u | tr '\n' ' ')
echo "window icons: $icons"
case "$icons" in *"16 x 16"*"32 x 32"*) ;; *) fail "the window's icons: $icons" ;; esac
shot
check_shot "$work/$track" session-start.png || fail "the start-up screen"
read -r ox oy < <(python3 tests/windows/screen_check.py locate "$scratch/shot.xwd" "$work/$picture")

# Picture pixel (400, 80) is world (72, 88), far from the track: a click there
# adds a point at the end of the track, of the type the radio box shows (Straight).
xdotool mousemove $((ox + 400)) $((oy + 80)) click 1
sleep 1
xdotool key ctrl+s
sleep 2
[ -z "$(find "$work" -name '~*')" ] || fail "a temporary file was left beside the track: $(ls "$work")"
cp "$work/$track" "$scratch/windows-saved.txt"
shot
check_shot "$work/$track" session-after-click.png || fail "the screen after the click"

# The picture dialog offers its filters: in the session's folder it lists the
# picture and not the tracks (session-image-dialog.png). Escape leaves it.
xdotool key ctrl+a
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Load Image$' | head -1)
if [ -n "$dialog" ]; then
    sleep 2
    # Keys go to the window with X's focus, which no window manager moves here.
    xdotool windowfocus --sync "$dialog"
    xdotool type --delay 20 "Z:${work//\//\\}"
    xdotool key Return
    sleep 2
    shot
    python3 tests/windows/screen_check.py png "$scratch/shot.xwd" "$dir/session-image-dialog.png"
    # The first Escape may only close the list of names completing what was typed.
    for i in 1 2 3; do
        xdotool search --onlyvisible --name '^Load Image$' >/dev/null || break
        xdotool windowfocus --sync "$dialog" key Escape
        sleep 1
    done
    xdotool search --onlyvisible --name '^Load Image$' >/dev/null && fail "the picture dialog stayed open"
else
    fail "no picture dialog after Control+A"
fi

# Files dropped from the desktop open in their order, each by its ending: the
# saved track, then the short one, whose name the title shows and whose
# markers show; a file of another kind is reported in a box.
echo GIF89a >"$work/anim.gif"
xdotool windowfocus --sync "$window"
# Debian's Python, which has the X library.
/usr/bin/python3 tests/windows/xdnd_drop.py "$window" $((ox + 200)) $((oy + 200)) \
    "$work/$track" "$work/$dropped" "$work/anim.gif" || fail "the drop"
title_is "$window" "VORN Spline Editor ($dropped)"
box=$(timeout 20 xdotool search --sync --onlyvisible --name 'Error' | head -1)
if [ -n "$box" ]; then
    sleep 1
    shot
    python3 tests/windows/screen_check.py png "$scratch/shot.xwd" "$dir/session-drop-error.png"
    xdotool windowfocus --sync "$box" key Return
    for i in $(seq 50); do
        xdotool search --onlyvisible --name 'Error' >/dev/null || break
        sleep 0.2
    done
    xdotool search --onlyvisible --name 'Error' >/dev/null && fail "the box stayed after Return"
    sleep 2  # what it covered, painted again
else
    fail "no box for the dropped anim.gif"
fi
shot
check_shot "$work/$dropped" session-after-drop.png || fail "the screen after the drop"
wineserver -k
wineserver -w

stage "the same actions in the Linux build"
linux=$scratch/linux
mkdir -p "$linux"
cp examples/terrain.tga examples/track.txt "$linux/"
(cd "$linux" && exec "$root/build/vornsplineedit" terrain.tga track.txt) &
editor=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'VORN Spline Editor' | head -1)
if [ -n "$window" ]; then
    sleep 2
    xdotool windowfocus --sync "$window"
    shot
    read -r lx ly < <(python3 tests/windows/screen_check.py locate "$scratch/shot.xwd" "$linux/terrain.tga")
    xdotool mousemove $((lx + 400)) $((ly + 80)) click 1
    sleep 1
    xdotool key ctrl+s
    sleep 2
else
    fail "no window of the Linux build"
fi
kill "$editor" 2>/dev/null || true
wait "$editor" 2>/dev/null || true
# Lines end in CR LF on Windows, in LF on Linux, and are otherwise the same bytes.
if ! cmp -s <(sed 's/\r$//' "$scratch/windows-saved.txt") "$linux/track.txt"; then
    fail "the saved tracks differ: $(diff <(sed 's/\r$//' "$scratch/windows-saved.txt") "$linux/track.txt" | head)"
fi
lines=$(wc -l <"$scratch/windows-saved.txt")
[ "$(grep -c $'\r$' "$scratch/windows-saved.txt")" = "$lines" ] || fail "not every saved line ends in CR LF"
grep -q $'\r' "$linux/track.txt" && fail "the Linux build wrote a CR"
[ "$lines" = "$(($(head -1 examples/track.txt) + 2))" ] || fail "the saved track has $lines lines"
echo "saved $lines lines, with CR LF on Windows, the same as the Linux build's otherwise"

stage "the editor at 150 % (144 DPI)"
# Declared aware of each screen's resolution, the program lays itself out in
# proportion and shows each picture pixel 1.5 times as wide, nearest neighbour,
# instead of being stretched as a blurred bitmap.
wrestool -x --raw --type=24 "$dir/stage/vornsplineedit.exe" | grep -q PerMonitorV2 || fail "no PerMonitorV2 in the manifest"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
hidpi=$scratch/hidpi
mkdir -p "$hidpi"
cp examples/terrain.tga examples/track.txt "$hidpi/"
(cd "$hidpi" && exec wine "$dir/stage/vornsplineedit.exe" terrain.tga track.txt) &
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'VORN Spline Editor' | head -1)
sleep 3
# 900 x 900 with the frame Windows draws, which the X window leaves out: 1.5 times the size at 96 DPI.
eval "$(xdotool getwindowgeometry --shell "$window")"
for ratio in $((200 * WIDTH / width96)) $((200 * HEIGHT / height96)); do
    [ "$ratio" -ge 295 ] && [ "$ratio" -le 305 ] ||
        fail "the window is $WIDTH x $HEIGHT, at 96 DPI $width96 x $height96: not 1.5 times as large"
done
shot
python3 tests/windows/screen_check.py check "$scratch/shot.xwd" "$hidpi/terrain.tga" "$hidpi/track.txt" \
    "$dir/session-144dpi.png" 1.5 || fail "the screen at 144 DPI"
read -r ox oy < <(python3 tests/windows/screen_check.py locate "$scratch/shot.xwd" "$hidpi/terrain.tga" 1.5)
# The radio box is 150 pixels wide, and its labels are not cut off by the canvas.
[ $((ox - X)) -ge 157 ] || fail "the canvas begins $((ox - X)) pixels into the window, over the radio box"
xdotool mousemove $((ox + 600)) $((oy + 120)) click 1  # picture pixel (400, 80): world (72, 88)
sleep 1
xdotool key ctrl+s
sleep 2
tail -1 "$hidpi/track.txt" | grep -q '^72.000000,88.000000,' || fail "the click at 144 DPI saved $(tail -1 "$hidpi/track.txt")"
wineserver -k
wineserver -w
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null

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
