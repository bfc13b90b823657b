#!/usr/bin/env bash
# Runs the editor on a headless sway at a screen scale (a native Wayland client,
# no X11 to fall back to) and lets wayland_run.py check what the screen shows.
# Usage: run.sh SCALE EDITOR VIRTUAL_POINTER EXAMPLES_DIR SHOT_DIR [--keep]
set -u
scale=$1 editor=$2 pointer=$3 examples=$4 shots=$5 keep=${6:-}
here=$(dirname "$0")
for tool in sway swaymsg grim wtype python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (./test.sh installs it)"; exit 77; }
done

# sway refuses to run as root. The checkout may lie where that user cannot
# enter, so everything it needs is copied to a scratch folder it can read.
scratch=$(mktemp -d /tmp/vse-wayland.XXXXXX) || exit 1
mkdir -p "$scratch/home" "$scratch/run" "$scratch/shots"
cp "$editor" "$pointer" "$here"/*.py "$examples/terrain.tga" "$examples/track.txt" "$scratch/"
chmod -R a+rX "$scratch"
chmod a+w "$scratch/track.txt"  # saved when the editor closes
chmod 700 "$scratch/run"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$scratch/home" "$scratch/run" "$scratch/shots"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)  # execs in place: the ids are the programs' own
fi
# The logical screen is 1280 x 1024 at every scale.
printf 'output HEADLESS-1 resolution %dx%d scale %d\nxwayland disable\n' $((1280 * scale)) $((1024 * scale)) "$scale" \
    >"$scratch/sway.conf"

pids=()
stop() {
    kill "${pids[@]}" 2>/dev/null
    sleep 0.5
    kill -KILL "${pids[@]}" 2>/dev/null
    wait 2>/dev/null
    if compgen -G "$scratch/shots/*" >/dev/null; then
        mkdir -p "$shots" && cp "$scratch"/shots/* "$shots/" && echo "screenshots in $shots"
    fi
    rm -rf "$scratch"
}
trap stop EXIT
trap 'echo "FAIL: interrupted"; exit 1' INT TERM

cd "$scratch"
as=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run")
"${as[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c sway.conf >sway.log 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    display=$(ls run | grep -m1 -E '^wayland-[0-9]+$')
    swaysock=$(ls run/sway-ipc.*.sock 2>/dev/null | head -1)
    [ -n "$display" ] && [ -n "$swaysock" ] && break
    sleep 0.1
done
if [ -z "$display" ] || [ -z "$swaysock" ]; then
    echo "FAIL: sway made no Wayland display within 10 s:"
    tail -20 sway.log
    exit 1
fi
as+=(WAYLAND_DISPLAY="$display" SWAYSOCK="$scratch/$swaysock")
"${as[@]}" GDK_BACKEND=wayland ./vornsplineedit terrain.tga track.txt >editor.log 2>&1 &
pids+=($!)
timeout 240 "${as[@]}" python3 wayland_run.py "$scale" shots $keep
status=$?
[ $status -eq 124 ] && echo "FAIL: the run took longer than 240 s"
[ $status -ne 0 ] && { echo "The editor's output:"; tail -20 editor.log; }
exit $status
