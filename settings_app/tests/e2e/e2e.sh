#!/usr/bin/env bash
# End-to-end cases of the settings program on a real X server: Xvfb with the openbox window
# manager, the real QV-410SettingTool against the simulated printer, real input from xdotool,
# and the screen read back (window names, frame geometry, pixels).
#
#   e2e.sh PROGRAM CASE      runs one case; exit 0 when it passed
#
# Every wait is bounded; every process the case starts is ended when it finishes.
set -uo pipefail

program=$1
case_name=$2
# shellcheck source=settings_app/tests/x11_helpers.sh
source "$(dirname "$0")/../x11_helpers.sh"

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
app_pid=""

cleanup() {
    if [ -n "$app_pid" ]; then kill -KILL "$app_pid" 2>/dev/null; fi
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -TERM "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL [$case_name]: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        import -display "$DISPLAY" -window root "${E2E_ARTIFACTS:-/tmp}/e2e-$case_name.png" 2>/dev/null &&
            echo "  screen saved to ${E2E_ARTIFACTS:-/tmp}/e2e-$case_name.png" >&2
    fi
    exit 1
}

start_display() {
    exec 5>"$work/display"
    Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    within 10 test -s "$work/display" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$work/display")"
    within 10 xdpyinfo >/dev/null 2>&1 || fail "the X server does not answer"
    # openbox now and then fails to open a display that has just come up: try again.
    local ob
    for attempt in 1 2 3; do
        openbox --sm-disable >"$work/openbox.log" 2>&1 &
        ob=$!
        if within 5 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
            pids+=("$ob")
            return 0
        fi
        kill -TERM "$ob" 2>/dev/null
        wait "$ob" 2>/dev/null
    done
    fail "openbox did not start: $(cat "$work/openbox.log")"
}

# start_app [VAR=value ...]: the program against the simulated printer, in English unless told.
start_app() {
    env QV410_DEVICE=simulator LC_ALL=en_US.UTF-8 LANGUAGE= "$@" "$program" >"$work/app.log" 2>&1 &
    app_pid=$!
    main=$(window_named 'v1\.16$') || fail "the main dialog did not appear"
    # Shown and framed by the window manager.
    within 10 framed "$main" || fail "the main dialog was never framed"
    # The window manager has given it the focus: input goes there from now on.
    within 10 is_active "$main" || fail "the main dialog never became active"
}

# The centre of a frame, doubled so that it stays an integer.
centre2() {
    local x y w h
    read -r x y w h <<<"$(frame "$1")"
    echo $((2 * x + w)) $((2 * y + h))
}

# main_point X Y W H: the screen point at the centre of a control of the main dialog, given
# in the dialog units of its template (398 x 161), scaled by the dialog's real client size.
main_point() {
    local cx cy cw ch
    read -r cx cy cw ch <<<"$(client "$main")"
    echo $((cx + ($1 * 2 + $3) * cw / 796)) $((cy + ($2 * 2 + $4) * ch / 322))
}

press_main_button() {
    case $1 in
    connection) click_at $(main_point 293 85 80 14) ;;
    info) click_at $(main_point 293 104 80 14) ;;
    set_printer) click_at $(main_point 60 133 92 20) ;;
    download) click_at $(main_point 188 133 92 20) ;;
    esac
}

# The OK button of a message box: its only button, at the bottom right.
click_box_ok() {
    local x y w h
    read -r x y w h <<<"$(client "$1")"
    click_at $((x + w - 45)) $((y + h - 20))
}

# Luminance contrast of the darkest and lightest pixels of a window's client area, times 10.
contrast10() {
    local x y w h
    read -r x y w h <<<"$(client "$1")"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/crop.png" ||
        fail "no screenshot"
    convert "$work/crop.png" -colorspace LinearGray \
        -format '%[fx:int(10*(maxima+0.05)/(minima+0.05))]' info:
}

app_alive() {
    kill -0 "$app_pid" 2>/dev/null
}

# Ends the program with SIGTERM and checks its exit code.
terminate_expecting() {
    kill -TERM "$app_pid"
    local status=0
    for ((t = 0; t < 100; t++)); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$app_pid" 2>/dev/null; then fail "the program did not end on SIGTERM"; fi
    wait "$app_pid"
    status=$?
    app_pid=""
    [ "$status" -eq "$1" ] || fail "exit code $status, expected $1 ($(tail -n3 "$work/app.log"))"
}

near2() {  # near2 A B: |A - B| <= 4 in doubled pixels, i.e. 2 pixels
    local d=$(($1 - $2))
    [ "${d#-}" -le 4 ]
}

open_info() {
    press_main_button info
    info=$(window_named '^Printer Information$') || fail "the information dialog did not open"
    within 10 framed "$info" || fail "the information dialog was never framed"
    sleep 0.3  # painted
}

open_connection_box() {
    press_main_button connection
    box=$(window_named '^INFO$') || fail "the Connection Test box did not appear"
    within 10 framed "$box" || true
    sleep 0.2
}

open_set_printer() {
    press_main_button set_printer
    setp=$(window_named '^Set Printer$') || fail "the Set Printer dialog did not open"
    within 10 framed "$setp" || fail "the Set Printer dialog was never framed"
    within 10 is_active "$setp" || fail "the Set Printer dialog never became active"
    sleep 0.3
}

# A button of a Set Printer page (template 203, tab control at 17, 14), then its box closed
# with Enter while the dialog stays open.
press_page_button_expecting_box() {
    click_at $(page_point "$setp" 401 270 17 14 "$@")
    local b
    b=$(window_named '^(INFO|ERROR)$') || fail "no box from the page button at $*"
    within 10 framed "$b" || true
    sleep 0.2
    xdotool key Return
    within 5 no_window_named '^(INFO|ERROR)$' || fail "Enter did not close the page's box"
    sleep 0.2
    no_window_named '^Set Printer$' && fail "the Set Printer dialog closed with the box"
    return 0
}

# The visible page of the Set Printer dialog as a picture.
shoot_page() {
    local cw ch
    read -r _ _ cw ch <<<"$(client "$setp")"
    crop_client "$setp" $((20 * cw / 401)) $((14 * ch / 270 + 24)) $((360 * cw / 401)) \
        $((200 * ch / 270)) "$1"
}

box_then_enter() {
    local b
    b=$(window_named '^(INFO|ERROR)$') || fail "no box after $1"
    within 10 framed "$b" || true
    sleep 0.2
    box_caption=$(xdotool getwindowname "$b")
    xdotool key Return
    within 5 no_window_named '^(INFO|ERROR)$' || fail "Enter did not close the box after $1"
    sleep 0.2
}

start_display

case $case_name in
caption_english)
    start_app
    [ "$(xdotool getwindowname "$main")" = "QV-410 Setting Tool  v1.16" ] ||
        fail "caption: $(xdotool getwindowname "$main")"
    terminate_expecting 2
    ;;
caption_chinese)
    start_app LC_ALL=zh_CN.UTF-8
    [ "$(xdotool getwindowname "$main")" = "QV-410 设置工具  v1.16" ] ||
        fail "caption: $(xdotool getwindowname "$main")"
    terminate_expecting 2
    ;;
info_dialog_enabled_and_closing)
    start_app
    open_info
    c=$(contrast10 "$info")
    [ "$c" -ge 70 ] || fail "the dialog's text contrast is $((c / 10)).$((c % 10)):1, under 7:1"
    xdotool key Return
    within 5 no_window_named '^Printer Information$' || fail "Enter did not close the dialog"
    open_info
    xdotool key Escape
    within 5 no_window_named '^Printer Information$' || fail "Escape did not close the dialog"
    open_info
    click_close_box "$info"
    within 5 no_window_named '^Printer Information$' || fail "the close box did not close it"
    app_alive || fail "the program ended"
    terminate_expecting 2
    ;;
boxes_close_and_program_runs_on)
    start_app
    open_connection_box
    xdotool key Return
    within 5 no_window_named '^INFO$' || fail "Enter did not close the box"
    open_connection_box
    xdotool key Escape
    within 5 no_window_named '^INFO$' || fail "Escape did not close the box"
    open_connection_box
    click_box_ok "$box"
    within 5 no_window_named '^INFO$' || fail "a click on OK did not close the box"
    sleep 0.3
    app_alive || fail "the program ended after closing its boxes"
    # Still working: the information dialog opens.
    open_info
    xdotool key Escape
    terminate_expecting 2
    ;;
info_without_printer)
    mkdir -p "$work/no-printer"
    start_app QV410_DEVICE= QV410_ROOT="$work/no-printer"
    # The information dialog's failure box and the Connection Test's, each closed each way.
    for button in info connection; do
        for how in Return Escape click; do
            press_main_button "$button"
            box=$(window_named '^ERROR$') || fail "no error box from $button"
            no_window_named '^Printer Information$' || fail "the information dialog was shown"
            within 10 framed "$box" || true
            sleep 0.2
            if [ "$how" = click ]; then click_box_ok "$box"; else xdotool key "$how"; fi
            within 5 no_window_named '^ERROR$' || fail "$how did not close the $button error box"
            sleep 0.2
            no_window_named '^Printer Information$' ||
                fail "the information dialog appeared after the box"
            app_alive || fail "the program ended"
        done
    done
    terminate_expecting 2
    ;;
sigterm_with_dialog_open)
    start_app
    open_info
    terminate_expecting 2
    ;;
sigterm_with_box_open)
    start_app
    open_connection_box
    terminate_expecting 2
    ;;
sigterm_with_box_over_dialog)
    mkdir -p "$work/no-printer"
    start_app QV410_DEVICE= QV410_ROOT="$work/no-printer"
    press_main_button info
    window_named '^ERROR$' >/dev/null || fail "no error box"
    terminate_expecting 2
    ;;
centring)
    start_app
    read -r mx my <<<"$(centre2 "$main")"
    near2 "$mx" 1280 && near2 "$my" 800 || fail "main dialog centred at ($mx, $my)/2"
    open_info
    read -r ix iy <<<"$(centre2 "$info")"
    near2 "$ix" "$mx" && near2 "$iy" "$my" ||
        fail "information dialog centred at ($ix, $iy)/2, its owner at ($mx, $my)/2"
    xdotool key Escape
    terminate_expecting 2
    ;;
set_printer_tabs_and_keys)
    start_app
    open_set_printer
    xdotool key Escape
    within 5 no_window_named '^Set Printer$' || fail "Escape did not end the Set Printer dialog"
    app_alive || fail "the program ended"
    open_set_printer
    shoot_page "$work/page0.png"
    xdotool key ctrl+Tab
    sleep 0.3
    shoot_page "$work/page1.png"
    [ "$(pixels_differing "$work/page0.png" "$work/page1.png")" -gt 100 ] ||
        fail "Ctrl+Tab did not show another page"
    # A click on the first tab's header brings the print settings page back. The focus starts
    # in that page's first field and has moved since (a focused field is drawn highlighted), so
    # the page shown is the one whose picture it is far closer to.
    read -r cx cy _ _ <<<"$(client "$setp")"
    read -r _ _ cw ch <<<"$(client "$setp")"
    click_at $((cx + 17 * cw / 401 + 14)) $((cy + 14 * ch / 270 + 10))
    sleep 0.3
    shoot_page "$work/page0again.png"
    seen=$(closer_to "$work/page0again.png" "$work/page0.png" "$work/page1.png") ||
        fail "a click on the first tab did not bring its page back ($seen)"
    xdotool key ctrl+Tab ctrl+Tab ctrl+shift+Tab
    sleep 0.3
    shoot_page "$work/page1again.png"
    seen=$(closer_to "$work/page1again.png" "$work/page1.png" "$work/page0.png") ||
        fail "Ctrl+Tab twice and Ctrl+Shift+Tab once did not end on the second page ($seen)"
    xdotool key Escape
    within 5 no_window_named '^Set Printer$' || fail "Escape did not end the dialog"
    terminate_expecting 2
    ;;
set_printer_page_buttons)
    start_app
    open_set_printer
    press_page_button_expecting_box 14 213 250 14    # print settings: Set
    xdotool key ctrl+Tab
    sleep 0.3
    press_page_button_expecting_box 186 20 50 14     # user settings: beeper Set
    press_page_button_expecting_box 21 39 214 14     # user settings: factory restore
    xdotool key ctrl+Tab
    sleep 0.3
    press_page_button_expecting_box 139 20 97 14     # location: label auto learn
    press_page_button_expecting_box 140 61 97 14     # location: lack-paper learn
    xdotool key Escape
    within 5 no_window_named '^Set Printer$' || fail "Escape did not end the dialog"
    terminate_expecting 2
    ;;
test_page_and_text_test)
    start_app
    open_set_printer
    xdotool key ctrl+Tab ctrl+Tab ctrl+Tab
    sleep 0.3
    click_at $(page_point "$setp" 401 270 17 14 224 21 50 14)   # dump mode: Set
    box_then_enter "dump mode Set"
    click_at $(page_point "$setp" 401 270 17 14 224 42 50 14)   # bad-point check: no box
    sleep 1
    no_window_named '^(INFO|ERROR)$' || fail "the bad-point check showed a box"
    click_at $(page_point "$setp" 401 270 17 14 29 78 103 14)   # self test: pause, then a box
    box_then_enter "Self Test"
    [ "$box_caption" = INFO ] || fail "the self test failed"
    click_at $(page_point "$setp" 401 270 17 14 172 78 103 14)  # opens the text test dialog
    textdlg=$(window_named '^Print Text Test$') || fail "the text test dialog did not open"
    within 10 framed "$textdlg" || true
    within 10 is_active "$textdlg" || fail "the text test dialog never became active"
    click_at $(dialog_point "$textdlg" 414 138 17 28 381 62)
    xdotool key ctrl+a
    xdotool type --delay 20 "First line"
    xdotool key Return
    xdotool type --delay 20 "Second line"
    click_at $(dialog_point "$textdlg" 414 138 276 100 52 17)  # Print
    box_then_enter "Print"
    [ "$box_caption" = INFO ] || fail "printing the text test failed"
    no_window_named '^Print Text Test$' && fail "the text test dialog closed after printing"
    click_at $(dialog_point "$textdlg" 414 138 339 100 52 17)  # Cancel
    within 5 no_window_named '^Print Text Test$' || fail "Cancel did not close the dialog"
    no_window_named '^Set Printer$' && fail "the Set Printer dialog closed with it"
    xdotool key Escape
    within 5 no_window_named '^Set Printer$' || fail "Escape did not end the Set Printer dialog"
    terminate_expecting 2
    ;;
download_with_real_file_dialog)
    head -c 4096 /dev/urandom >"$work/firmware.bin"
    start_app
    press_main_button download
    dl=$(window_named '^Download$') || fail "the download dialog did not open"
    within 10 framed "$dl" || true
    within 10 is_active "$dl" || fail "the download dialog never became active"
    sleep 0.3
    click_at $(page_point "$dl" 434 191 19 14 303 30 71 14)    # Select Firmware
    within 10 sh -c "[ \"\$(xdotool getactivewindow)\" != $dl ]" ||
        fail "the open-file dialog did not appear"
    sleep 0.5
    xdotool type --delay 20 "$work/firmware.bin"
    xdotool key Return
    within 10 is_active "$dl" || fail "the open-file dialog did not close on the chosen file"
    sleep 0.3
    click_at $(page_point "$dl" 434 191 19 14 12 49 363 14)    # Update
    box_then_enter "Update"
    [ "$box_caption" = INFO ] || fail "the firmware download failed"
    xdotool key Escape
    within 5 no_window_named '^Download$' || fail "Escape did not end the download dialog"
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
