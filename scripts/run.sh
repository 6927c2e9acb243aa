#!/usr/bin/env bash
# Installs what is missing, builds into build/, and starts QV-410SettingTool against the
# simulated printer. Without a display the program runs on a virtual display (Xvfb): the script
# saves a screenshot of the main dialog, says where, and closes the program again.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QV410_BUILD_DIR:-build}

bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target QV-410SettingTool

program="$build/bin/QV-410SettingTool"
export QV410_DEVICE=simulator

# The program ends with the id of the command that closed it: 1 or 2 is a normal close.
finish() {
    local status=$1
    if [ "$status" -eq 1 ] || [ "$status" -eq 2 ]; then
        return 0
    fi
    echo "QV-410SettingTool ended with exit code $status" >&2
    return "$status"
}

if [ -n "${DISPLAY:-}" ]; then
    status=0
    "$program" || status=$?
    finish "$status"
    exit
fi

# No display: a virtual one on the first free display number.
display=""
for n in $(seq 99 -1 50); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
        display=":${n}"
        break
    fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }

# Qt wants a private runtime folder; a bare session has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
fi

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
app_pid=""
cleanup() {
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill -TERM "$app_pid" 2>/dev/null || true; fi
    if [ -n "${wm_pid:-}" ]; then kill -TERM "$wm_pid" 2>/dev/null || true; fi
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    case "${XDG_RUNTIME_DIR:-}" in /tmp/tmp.*) rm -rf "$XDG_RUNTIME_DIR" ;; esac
}
trap cleanup EXIT

for _ in $(seq 1 100); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo -display "$display" >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; exit 1; }

# A window manager frames the dialogs as a desktop would.
wm_pid=""
if command -v openbox >/dev/null 2>&1; then
    DISPLAY="$display" openbox --sm-disable >/dev/null 2>&1 &
    wm_pid=$!
    sleep 0.5
fi

DISPLAY="$display" "$program" &
app_pid=$!

# The main dialog's caption ends with the version.
window=""
for _ in $(seq 1 100); do
    window=$(xwininfo -display "$display" -root -tree 2>/dev/null | awk '/v1\.16"/ && !found {print $1; found=1}')
    [ -n "$window" ] && break
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "the main dialog did not appear" >&2
    exit 1
fi
sleep 0.5  # let it paint

mkdir -p "$build/screenshots"
shot="$(cd "$build/screenshots" && pwd)/main-dialog.png"
import -display "$display" -window root "$shot"
echo "Screenshot of the main dialog: $shot"

# SIGTERM closes the main dialog as its close box does.
kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
app_pid=""
finish "$status"
