#!/usr/bin/env bash
# Runs the editor on a headless sway (a native Wayland client, no X11 to fall
# back to) and lets wayland_run check what the screen shows.
# Usage: run.sh EDITOR WAYLAND_RUN VIRTUAL_POINTER EXAMPLES_DIR SHOT_DIR [--keep]
set -u
editor=$1 driver=$2 pointer=$3 examples=$4 shots=$5
keep=${6:-}

for tool in sway swaymsg grim wtype; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (./test.sh installs it)"
        exit 77
    fi
done

# sway refuses to run as root. The checkout may lie where that user cannot
# enter, so everything it needs is copied to a scratch folder it can read.
scratch=$(mktemp -d /tmp/vse-wayland.XXXXXX) || exit 1
chmod 755 "$scratch"
mkdir -p "$scratch/home" "$scratch/run" "$scratch/shots"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$scratch/home" "$scratch/run" "$scratch/shots"
    # setpriv execs in place, so the ids below are the programs' own.
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
cp "$editor" "$driver" "$pointer" "$examples/terrain.tga" "$examples/track.txt" "$scratch/"
chmod -R a+rX "$scratch"
chmod a+w "$scratch/track.txt"  # saved when the editor closes
chmod 700 "$scratch/run"
cat >"$scratch/sway.conf" <<'EOF'
output HEADLESS-1 resolution 1280x1024
xwayland disable
EOF

sway_pid= editor_pid= driver_pid=
stop() {
    local pid
    for pid in $driver_pid $editor_pid $sway_pid; do
        kill "$pid" 2>/dev/null
    done
    for pid in $driver_pid $editor_pid $sway_pid; do
        for _ in $(seq 20); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    if compgen -G "$scratch/shots/*.png" >/dev/null; then
        mkdir -p "$shots"
        cp "$scratch"/shots/*.png "$shots/"
        echo "screenshots in $shots"
    fi
    rm -rf "$scratch"
}
trap stop EXIT
trap 'echo "FAIL: interrupted"; exit 1' INT TERM

user_env=(env -i PATH=/usr/bin:/bin HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run")
cd "$scratch"
"${as_user[@]}" "${user_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c sway.conf >sway.log 2>&1 &
sway_pid=$!
for _ in $(seq 100); do
    display=$(ls run | grep -m1 -E '^wayland-[0-9]+$')
    swaysock=$(ls run/sway-ipc.*.sock 2>/dev/null | head -1)
    [ -n "$display" ] && [ -n "$swaysock" ] && break
    if ! kill -0 "$sway_pid" 2>/dev/null; then
        echo "FAIL: sway exited at start:"
        tail -20 sway.log
        exit 1
    fi
    sleep 0.1
done
if [ -z "$display" ] || [ -z "$swaysock" ]; then
    echo "FAIL: sway made no Wayland display within 10 s:"
    tail -20 sway.log
    exit 1
fi
user_env+=(WAYLAND_DISPLAY="$display" SWAYSOCK="$scratch/$swaysock")

"${as_user[@]}" "${user_env[@]}" GDK_BACKEND=wayland ./vornsplineedit terrain.tga track.txt >editor.log 2>&1 &
editor_pid=$!

timeout 240 "${as_user[@]}" "${user_env[@]}" ./wayland_run shots $keep &
driver_pid=$!
wait "$driver_pid"
status=$?
driver_pid=
if [ $status -eq 124 ]; then
    echo "FAIL: the run took longer than 240 s"
fi
if [ $status -ne 0 ] && ! kill -0 "$editor_pid" 2>/dev/null; then
    echo "The editor had exited; its output:"
    tail -20 editor.log
fi
exit $status
