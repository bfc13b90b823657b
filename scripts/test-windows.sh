#!/usr/bin/env bash
# The Windows program under Wine (64-bit only, on Xvfb), from this Debian machine:
#   1. the model, editor, platform and io tests built as Windows programs (io's in a window, on the Xvfb
#      display);
#   2. a session of vornsplineedit.exe driven with xdotool: it starts with the example picture and track
#      under non-ASCII names, a click adds a point, Control+S saves, the picture dialog comes up, tracks
#      dropped from the desktop open; the saved file against what the Linux build writes after the same click;
#   3. the editor at 144 DPI: laid out in proportion, the picture nearest neighbour at 1.5 times, a click
#      where it should land;
#   4. the installer installs and uninstalls silently and leaves nothing behind.
# Builds first with ./package-windows.sh. Screenshots go to build-windows/session-*.png.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
[ -n "${VSW_PACKAGED:-}" ] || { ./package-windows.sh && export VSW_PACKAGED=1; }
. scripts/windows-setup.sh
# Wine connects to the display many times: no reset between its clients.
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
# The screen and the drop through Debian's Python, which has the X library; the Linux build of the editor
# for what it writes after the same actions.
vse_install_packages python3-xlib imagemagick "${VSE_BASE_PACKAGES[@]}"
vse_build --target vornsplineedit build

dir=$root/build-windows
scratch=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
stage() { echo "== $* ($(date +%T))"; }
session() { /usr/bin/python3 tests/windows/session.py "$@"; }
within() {  # SECONDS COMMAND...: the command, polled until it succeeds, for at most that long
    local end=$((SECONDS + $1)); shift
    until "$@"; do [ $SECONDS -lt $end ] || return 1; sleep 0.2; done
}
start() {  # FOLDER COMMAND...: started there, its window in $window, painted, its place and size in $X $Y $WIDTH $HEIGHT
    (cd "$1" && shift && exec "$@") &
    pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name 'VORN Spline Editor' | head -1)
    [ -n "$window" ] || { fail "no window of $*"; return 1; }
    sleep 3
    eval "$(xdotool getwindowgeometry --shell "$window")"
}
titled() { [ "$(xdotool getwindowname "$window")" = "VORN Spline Editor ($1)" ]; }
gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null; }
answer() {  # NAME PNG [TEXT]: a window of that name comes up, TEXT and Return typed into it, shown in PNG, then closed
    local found key=${3:+Escape}  # a dialog's first Escape may only close the list of names completing the text
    # Polled: a search fails when a window it lists goes away before it is read, as Wine's do as they come up.
    found=$(within 20 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$found" ] || { fail "no window $1"; return 0; }
    [ -z "${3:-}" ] || xdotool sleep 2 windowfocus --sync "$found" type --delay 20 "$3"
    [ -z "${3:-}" ] || xdotool key Return
    sleep 2
    session png "$dir/$2"
    for i in 1 2 3; do gone "$1" || xdotool windowfocus --sync "$found" key "${key:-Return}" sleep 1 || true; done
    gone "$1" || fail "the window $1 stayed open"
}
shown=""  # how much of the picture the canvas shows, as at start-up: anything left over it cuts that short
check_shot() {  # PICTURE TRACK PNG [ZOOM]: the screen against the files; the picture's corner in $ox $oy
    session check "$1" "$2" "$dir/$3" "${4:-1}" >"$scratch/check" || fail "the screen in $3"
    cat "$scratch/check"
    read -r ox oy size <"$scratch/check" || true
    [ "${shown:=${size%%:*}}" = "${size%%:*}" ] || fail "${size%%:*} of the picture shown in $3, not $shown"
}
# A click at picture pixel (400, 80), far from the track, adds a point at its end, of the type the radio
# box shows (Straight), at the world position of the pixel's corner: the world is -128 to 128 across the picture.
read -r pw ph < <(od -An -tu2 -j12 -N4 examples/terrain.tga)
world=$(awk -v w="$pw" -v h="$ph" 'BEGIN { printf "%.6f,%.6f,", 400 * 256 / w - 128, 128 - 80 * 256 / h }')
saved() { [[ "$(tail -1 "$1")" == "$world"* ]]; }
click_save() {  # X Y TRACK: a click there, then Control+S; the new point saved, no temporary file left
    xdotool mousemove "$1" "$2" click 1 sleep 1 key ctrl+s
    within 10 saved "$3" || fail "the click saved $(tail -1 "$3"), not $world..."
    [ -z "$(find "$(dirname "$3")" -name '~*')" ] || fail "a temporary file was left beside the track: $(ls "$(dirname "$3")")"
}

stage "unit tests built for Windows"
VSW_GTEST=$(vsw_gtest) vsw_build "$dir" -DVSE_BUILD_TESTS=ON -- test_model test_editor test_platform test_io
vsw_wine_prefix "$scratch/wine"
# No display for the windowless tests (CTest unsets DISPLAY for them), as on Linux.
(cd "$dir" && ctest --output-on-failure --timeout 900 --no-tests=error -R '^(model|editor|platform|io)$') ||
    fail "unit tests under Wine"

stage "a session of the editor"
# Names in other letters than ASCII: from the command line, in the title, saved to, and dropped from the desktop.
picture=地形.tga track=Fåglar.txt dropped=Ørken.txt work=$scratch/session linux=$scratch/linux hidpi=$scratch/hidpi
mkdir -p "$work" "$linux" "$hidpi"
for copy in "$linux" "$hidpi"; do cp examples/terrain.tga examples/track.txt "$copy/"; done
cp examples/terrain.tga "$work/$picture"
cp examples/track.txt "$work/$track"
head -4 examples/track.txt | sed '1s/.*/3/' >"$work/$dropped"  # its first three points
echo GIF89a >"$work/anim.gif"
start "$work" wine "$dir/stage/vornsplineedit.exe" "$picture" "$track"
width96=$WIDTH height96=$HEIGHT
within 10 titled "$track" || fail "the title is '$(xdotool getwindowname "$window")', not for $track"
# Wine hands the frame's icons to X: the 32 x 32 loaded by name, and a small one from the group, which a
# single icon would not give.
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u | tr '\n' ' ')
[[ "$icons" == *"16 x 16"*"32 x 32"* ]] || fail "the window's icons: $icons"
check_shot "$work/$picture" "$work/$track" session-start.png
click_save $((ox + 400)) $((oy + 80)) "$work/$track"
check_shot "$work/$picture" "$work/$track" session-after-click.png

# The picture dialog offers its filters: in the session's folder it lists the picture and not the tracks
# (session-image-dialog.png). Keys go to the window with X's focus, which no window manager moves here.
xdotool key ctrl+a
answer '^Load Image$' session-image-dialog.png "Z:${work//\//\\}"

# Files dropped from the desktop open in their order, each by its ending: the saved track, then the short
# one, whose name the title shows and whose markers show; a file of another kind is reported in a box.
xdotool windowfocus --sync "$window"
session drop "$window" $((ox + 200)) $((oy + 200)) "$work/$track" "$work/$dropped" "$work/anim.gif" || fail "the drop"
within 10 titled "$dropped" || fail "the title is '$(xdotool getwindowname "$window")', not for $dropped"
answer Error session-drop-error.png
sleep 1  # what the box covered, painted again
check_shot "$work/$picture" "$work/$dropped" session-after-drop.png
wineserver -k; wineserver -w

stage "the same actions in the Linux build"
start "$linux" "$root/build/vornsplineedit" terrain.tga track.txt
xdotool windowfocus --sync "$window"
read -r lx ly < <(session locate "$linux/terrain.tga")
click_save $((lx + 400)) $((ly + 80)) "$linux/track.txt"
kill "$pid" && wait "$pid" || true
# Lines end in CR LF on Windows, in LF on Linux, and are otherwise the same bytes.
differ=$(diff <(sed 's/$/\r/' "$linux/track.txt") "$work/$track") || fail "the saved tracks differ in more than CR LF: ${differ:0:500}"
grep -q $'\r' "$linux/track.txt" && fail "the Linux build wrote a CR"
lines=$(wc -l <"$work/$track")
[ "$lines" = "$(($(head -1 examples/track.txt) + 2))" ] || fail "the saved track has $lines lines"

stage "the editor at 150 % (144 DPI)"
# Declared aware of each screen's resolution, the program lays itself out in proportion and shows each
# picture pixel 1.5 times as wide, nearest neighbour, instead of being stretched as a blurred bitmap.
wrestool -x --raw --type=24 "$dir/stage/vornsplineedit.exe" | grep -q PerMonitorV2 || fail "no PerMonitorV2 in the manifest"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
start "$hidpi" wine "$dir/stage/vornsplineedit.exe" terrain.tga track.txt
# 900 x 900 with the frame Windows draws, which the X window leaves out: 1.5 times the size at 96 DPI.
for ratio in $((200 * WIDTH / width96)) $((200 * HEIGHT / height96)); do
    ((ratio >= 295 && ratio <= 305)) || fail "the window is $WIDTH x $HEIGHT, at 96 DPI $width96 x $height96: not 1.5 times as large"
done
shown=""
check_shot "$hidpi/terrain.tga" "$hidpi/track.txt" session-144dpi.png 1.5
# The radio box is 150 pixels wide, and its labels are not cut off by the canvas.
[ $((ox - X)) -ge 157 ] || fail "the canvas begins $((ox - X)) pixels into the window, over the radio box"
click_save $((ox + 600)) $((oy + 120)) "$hidpi/track.txt"  # picture pixel (400, 80)
wineserver -k; wineserver -w
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null

stage "the installer"
classes='HKLM\Software\Classes' programs="$WINEPREFIX/drive_c/Program Files/VORN Spline Editor"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VORN Spline Editor.lnk"
reg_value() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }
# BMP files open in Paint here, and Paint is under "Open with" for them: both stay.
wine reg add "$classes\\.bmp" /ve /d Paint.Picture /f >/dev/null
wine reg add "$classes\\.bmp\\OpenWithList\\mspaint.exe" /f >/dev/null
paint_kept() { [ "$(reg_value "$classes\\.bmp")" = Paint.Picture ] && has_key "$classes\\.bmp\\OpenWithList\\mspaint.exe"; }
wine "$root/vornsplineedit-$(sed -n 's/^project(vornsplineedit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-windows-x64-installer.exe" /S
wineserver -w
for f in "$programs"/{vornsplineedit.exe,uninstall.exe,README.txt,LICENSE.txt} "$menu"; do [ -f "$f" ] || fail "not installed: $f"; done
command=$(reg_value "$classes\\Applications\\vornsplineedit.exe\\shell\\open\\command")
[ "$command" = '"C:\Program Files\VORN Spline Editor\vornsplineedit.exe" "%1"' ] || fail "open command: $command"
for ext in .tga .bmp; do has_key "$classes\\$ext\\OpenWithList\\vornsplineedit.exe" || fail "not under Open with for $ext"; done
paint_kept || fail "the installer took .bmp from Paint"
has_key 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vornsplineedit' || fail "not in the list of installed programs"
start "$work" wine 'C:\Program Files\VORN Spline Editor\vornsplineedit.exe' || true  # the installed program starts
wineserver -k; wineserver -w
# The uninstaller copies itself to %TEMP% and returns at once: wait for Wine to finish.
wine 'C:\Program Files\VORN Spline Editor\uninstall.exe' /S
wineserver -w
for f in "$programs" "$menu"; do [ ! -e "$f" ] || fail "left behind: $f $(ls -A "$f")"; done
grep -i 'vornsplineedit' "$WINEPREFIX"/*.reg && fail "registry keys left (above)"
paint_kept || fail "the uninstaller took .bmp from Paint"

[ $failed -eq 0 ] && echo "Windows tests under Wine: all passed"
exit $failed
