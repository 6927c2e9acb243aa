#!/usr/bin/env bash
# End-to-end cases of the settings program on Wayland: weston's headless backend (pixman
# renderer, so that it can take screenshots), the real QV-410SettingTool on Qt's wayland platform
# against the simulated printer. Keys come from a keyboard seat that virtual_keyboard.c adds to
# weston, so they reach the program as the compositor's own input events; the program's windows
# and focus are read from its accessibility tree on a private AT-SPI bus (a11y.py).
#
#   e2e-wayland.sh PROGRAM KEYBOARD_MODULE CASE      runs one case; exit 0 when it passed
#
# Every wait is bounded; every process the case starts is ended when it finishes.
set -uo pipefail

program=$1
keyboard_module=$2
case_name=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=settings_app/tests/x11_helpers.sh
source "$here/../x11_helpers.sh"  # within, pixels_differing

# python3-dbus is the system's: a python3 of its own earlier on PATH would not have it.
py=/usr/bin/python3
shots=${E2E_ARTIFACTS:-/tmp}/e2e-wayland-screenshots
mkdir -p "$shots"

# Linux key codes, as the keyboard module takes them.
KEY_ESC=1 KEY_ENTER=28 KEY_SPACE=57

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=wayland-qv410
unset DISPLAY  # nothing may fall back to X
app_pid="" weston_pid="" dbus_pid=""
bus_children=()

cleanup() {
    if [ -n "$app_pid" ]; then kill -KILL "$app_pid" 2>/dev/null; fi
    if [ -n "$weston_pid" ]; then kill -TERM "$weston_pid" 2>/dev/null; fi
    if [ -n "$dbus_pid" ]; then
        # What the bus started for us: the accessibility bus's launcher, its bus and registry.
        local p
        for p in $(pgrep -P "$dbus_pid"); do
            bus_children+=("$p" $(pgrep -P "$p"))
        done
        kill -TERM "$dbus_pid" 2>/dev/null
        for p in "${bus_children[@]}"; do kill -TERM "$p" 2>/dev/null; done
    fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL [$case_name]: $*" >&2
    if [ -n "$weston_pid" ] && shoot_to "$shots/failure-$case_name.png"; then
        echo "  screen saved to $shots/failure-$case_name.png" >&2
    fi
    if [ -n "$app_pid" ]; then
        echo "  active window's controls:" >&2
        "$py" "$here/a11y.py" dump >&2
        echo "  program's output: $(tail -n5 "$work/app.log")" >&2
    fi
    exit 1
}

a11y() {
    "$py" "$here/a11y.py" "$@"
}

# keyboard_on REGEX: within 10 s the compositor has given the keyboard's focus to the window
# whose title matches, so that the keys sent next go there.
keyboard_on() {
    local t title=""
    for ((t = 0; t < 100; t++)); do
        rm -f "$work/keyboard.focus"
        echo "focus 0" >"$work/keyboard"
        within 2 test -s "$work/keyboard.focus" || fail "the keyboard module does not answer"
        title=$(cat "$work/keyboard.focus")
        [[ $title =~ $1 ]] && return 0
        sleep 0.1
    done
    fail "the keyboard's focus is on \"$title\", not on $1"
}

key() {
    echo "key $1" >"$work/keyboard"
}

# shoot_to FILE: the whole output as a PNG, through weston's screenshooter.
shoot_to() {
    local dir=$work/shot
    rm -rf "$dir" && mkdir "$dir" || return 1
    (cd "$dir" && timeout 10 weston-screenshooter >/dev/null 2>&1) || return 1
    local png
    png=$(ls "$dir"/*.png 2>/dev/null | sed -n 1p)
    [ -n "$png" ] && mv "$png" "$1"
}

# shoot NAME: the screen once it differs from the previous shot by a whole window (the new
# state painted) and has then settled (the focus change repaints the frames), saved as
# $shots/CASE-NAME.png.
last_shot=""
shoot() {
    local file=$shots/$case_name-$1.png t diff=0 settled=""
    for ((t = 0; t < 20; t++)); do
        shoot_to "$file" || fail "no screenshot"
        diff=$(differing "$last_shot" "$file")
        [ "$diff" -gt 20000 ] && break
        sleep 0.25
    done
    [ "$diff" -gt 20000 ] || fail "the screen did not change for $1 ($diff pixels)"
    # Settled: nothing changes between two shots but the caret of a focused field, which blinks
    # (a line a pixel or two wide; a repaint of anything else is far larger).
    for ((t = 0; t < 10; t++)); do
        sleep 0.2
        cp "$file" "$work/previous.png"
        shoot_to "$file" || fail "no screenshot"
        if [ "$(differing "$work/previous.png" "$file")" -le 100 ]; then
            settled=1
            break
        fi
    done
    [ -n "$settled" ] || fail "the screen kept changing for $1"
    cp "$file" "$work/last.png"
    last_shot=$work/last.png
}

# Pixels that differ between two shots (ImageMagick writes large counts in floating point).
# Anything else than a count prints nothing, which no comparison above takes for a match.
differing() {
    local n
    n=$(pixels_differing "$1" "$2")
    [[ $n =~ ^[0-9.e+]+$ ]] && printf '%.0f' "$n"
}

start_session() {
    [ -n "$keyboard_module" ] && [ -f "$keyboard_module" ] ||
        fail "the keyboard module was not built (libweston-10-dev missing?)"
    dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/bus" \
        >"$work/dbus.log" 2>&1 &
    dbus_pid=$!
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
    within 10 test -S "$XDG_RUNTIME_DIR/bus" || fail "the session bus did not start"

    mkfifo "$work/keyboard"
    cat >"$work/weston.ini" <<EOF
[core]
idle-time=0
[shell]
panel-position=none
background-color=0xff404850
EOF
    QV410_KEYBOARD_FIFO=$work/keyboard weston --backend=headless-backend.so --use-pixman \
        --width=1280 --height=800 --socket="$WAYLAND_DISPLAY" --config="$work/weston.ini" \
        --debug --modules="$keyboard_module" --log="$work/weston.log" >/dev/null 2>&1 &
    weston_pid=$!
    within 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start"
    within 10 grep -q "virtual keyboard: reading" "$work/weston.log" ||
        fail "weston has no keyboard: $(grep -i keyboard "$work/weston.log")"
    # The empty desktop, the first state each later shot must differ from.
    within 10 shoot_to "$work/last.png" || fail "weston takes no screenshots"
    last_shot=$work/last.png
}

# start_app: the program against the simulated printer, in English, its accessibility bridge on.
start_app() {
    env QV410_DEVICE=simulator LC_ALL=en_US.UTF-8 LANGUAGE= QT_QPA_PLATFORM=wayland \
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" >"$work/app.log" 2>&1 &
    app_pid=$!
    main_title=$(a11y wait-active 'v1\.16$' 20) || fail "the main dialog did not become active"
    keyboard_on 'v1\.16$'
    shoot main-dialog
}

app_alive() {
    kill -0 "$app_pid" 2>/dev/null
}

# exit_expecting CODE: the program ends by itself within 10 s, with CODE.
exit_expecting() {
    local t status
    for ((t = 0; t < 100; t++)); do
        app_alive || break
        sleep 0.1
    done
    app_alive && fail "the program did not end"
    wait "$app_pid"
    status=$?
    app_pid=""
    [ "$status" -eq "$1" ] || fail "exit code $status, expected $1 ($(tail -n3 "$work/app.log"))"
}

terminate_expecting() {
    kill -TERM "$app_pid"
    exit_expecting "$1"
}

# press BUTTON: Tab to the main dialog's button of that name, then Space, as a keyboard user does.
press() {
    a11y focus-to "$1" "$work/keyboard" 15 || fail "could not Tab to \"$1\""
    key $KEY_SPACE
}

open_info() {
    press "Printer Info"
    a11y wait-active '^Printer Information$' 10 >/dev/null ||
        fail "the information dialog did not open"
    keyboard_on '^Printer Information$'
}

open_set_printer() {
    press "Set Printer"
    a11y wait-active '^Set Printer$' 10 >/dev/null || fail "the Set Printer dialog did not open"
    keyboard_on '^Set Printer$'
}

# closed_back_to_main TITLE: the dialog has gone, the program runs on, its main dialog has the
# keyboard again.
closed_back_to_main() {
    a11y wait-no-window "^$1\$" 5 || fail "the $1 dialog did not close"
    app_alive || fail "the program ended with the $1 dialog"
    a11y wait-active 'v1\.16$' 10 >/dev/null || fail "the main dialog did not get the focus back"
    keyboard_on 'v1\.16$'
}

start_session

case $case_name in
main_dialog_escape)
    start_app
    [ "$main_title" = "QV-410 Setting Tool  v1.16" ] || fail "caption: $main_title"
    key $KEY_ESC
    exit_expecting 2
    ;;
main_dialog_sigterm)
    start_app
    terminate_expecting 2
    ;;
info_dialog_opens_and_closes)
    start_app
    open_info
    shoot printer-information
    key $KEY_ESC
    closed_back_to_main "Printer Information"
    open_info
    key $KEY_ENTER
    closed_back_to_main "Printer Information"
    key $KEY_ESC
    exit_expecting 2
    ;;
set_printer_opens_and_closes)
    start_app
    open_set_printer
    shoot set-printer
    key $KEY_ESC
    closed_back_to_main "Set Printer"
    terminate_expecting 2
    ;;
sigterm_with_info_open)
    start_app
    open_info
    terminate_expecting 2
    ;;
sigterm_with_set_printer_open)
    start_app
    open_set_printer
    terminate_expecting 2
    ;;
*)
    fail "no such case"
    ;;
esac
echo "PASS [$case_name]"
