#!/usr/bin/env bash
# End-to-end cases of the Windows settings program under Wine: the real QV-410SettingTool.exe in
# a fresh 64-bit prefix on its own Xvfb with openbox, against the simulated printer, driven by
# real input from xdotool, and read back from the screen (window names, geometry, pixels) and
# from its exit codes. What the simulated printer received shows in the program's own boxes:
# "INFO" when the printer acknowledged, "ERROR" otherwise.
#
#   e2e-wine.sh EXE [CASE...]    runs the cases (all by default); exit 0 when all passed
#
# The prefix and the display are made once for the run; each case starts the program afresh
# and leaves no window behind. A failing case saves the screen to $E2E_ARTIFACTS (or /tmp).
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
# shellcheck source=settings_app/tests/e2e-wine/wine_session.sh
source "$here/wine_session.sh"

all_cases=(
    caption_english_escape_gives_2 caption_chinese_enter_gives_1
    connection_box_closing info_dialog set_printer_tabs print_settings_set
    text_test_typed_and_printed download_with_real_file_dialog
)
cases=("$@")
[ "${#cases[@]}" -gt 0 ] || cases=("${all_cases[@]}")
artifacts=${E2E_ARTIFACTS:-/tmp}

work=$(mktemp -d)
app_pid=""
trap 'session_stop; rm -rf "$work"' EXIT

fail() {
    echo "FAIL [$case_name]: $*" >&2
    import -window root "$artifacts/e2e-wine-$case_name.png" 2>/dev/null &&
        echo "  screen saved to $artifacts/e2e-wine-$case_name.png" >&2
    exit 1
}

# start_app [VAR=value ...]: the program against the simulated printer, in English unless told.
start_app() {
    # The pointer out of the way: resting on the printer list, whose hover selection (track
    # select) takes the focus, it would decide where Enter goes.
    xdotool mousemove 0 0
    env QV410_DEVICE=simulator LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 LANGUAGE= "$@" \
        wine "$exe" >"$work/app.log" 2>&1 &
    app_pid=$!
    main=$(window_named 'v1\.16$') || fail "the main dialog did not appear"
    within 20 framed "$main" || fail "the main dialog was never framed"
    within 20 is_active "$main" || fail "the main dialog never became active"
    sleep 0.3  # painted
}

app_alive() {
    kill -0 "$app_pid" 2>/dev/null
}

# Waits for the program to end by itself and checks its exit code.
exit_code_is() {
    local status
    within 20 sh -c "! kill -0 $app_pid 2>/dev/null" || fail "the program did not end"
    wait "$app_pid"
    status=$?
    app_pid=""
    [ "$status" -eq "$1" ] || fail "exit code $status, expected $1 ($(tail -n3 "$work/app.log"))"
}

# Ends the program through its main dialog's Escape (exit code 2), as a user would.
close_main() {
    within 10 is_active "$main" || xdotool windowactivate "$main" 2>/dev/null
    xdotool key Escape
    exit_code_is 2
}

# Template 129, 398 x 161 dialog units.
press_main_button() {
    case $1 in
    connection) click_at "$(dialog_point "$main" 398 161 293 85 80 14)" ;;
    info) click_at "$(dialog_point "$main" 398 161 293 104 80 14)" ;;
    set_printer) click_at "$(dialog_point "$main" 398 161 60 133 92 20)" ;;
    download) click_at "$(dialog_point "$main" 398 161 188 133 92 20)" ;;
    esac
}

# The box that appears next (caption INFO or ERROR): its id in $box, its caption in $box_caption.
await_box() {
    box=$(window_named '^(INFO|ERROR)$') || fail "no box after $1"
    within 10 framed "$box" || true
    within 10 is_active "$box" || fail "the box after $1 never became active"
    sleep 0.3
    box_caption=$(xdotool getwindowname "$box")
}

# Closes the box with KEY (Return, Escape) or "click" (on its OK button, found in its pixels).
close_box() {
    if [ "$1" = click ]; then
        click_at "$(lowest_object "$box" "$work/box.png")" || fail "no button seen in the box"
    else
        xdotool key "$1"
    fi
    within 10 no_window_named '^(INFO|ERROR)$' || fail "$1 did not close the box"
    sleep 0.2
}

open_dialog() {  # open_dialog BUTTON NAME: its id in $dlg
    press_main_button "$1"
    dlg=$(window_named "$2") || fail "the dialog $2 did not open"
    within 10 framed "$dlg" || fail "the dialog $2 was never framed"
    within 10 is_active "$dlg" || fail "the dialog $2 never became active"
    sleep 0.3
}

# The area of the Set Printer dialog (template 203, 401 x 270) where its pages show.
shoot_page() {
    local cw ch
    read -r _ _ cw ch <<<"$(client "$dlg")"
    crop_client "$dlg" $((20 * cw / 401)) $((14 * ch / 270 + 24)) $((360 * cw / 401)) \
        $((200 * ch / 270)) "$1" || fail "no screenshot"
}

# frame_contains OUTER INNER: the centre of INNER's frame lies inside OUTER's frame.
frame_contains() {
    local ox oy ow oh ix iy iw ih
    read -r ox oy ow oh <<<"$(frame "$1")"
    read -r ix iy iw ih <<<"$(frame "$2")"
    local mx=$((ix + iw / 2)) my=$((iy + ih / 2))
    [ "$mx" -ge "$ox" ] && [ "$mx" -lt $((ox + ow)) ] && [ "$my" -ge "$oy" ] &&
        [ "$my" -lt $((oy + oh)) ]
}

# --- cases --------------------------------------------------------------------------------------

caption_english_escape_gives_2() {
    start_app
    [ "$(xdotool getwindowname "$main")" = "QV-410 Setting Tool  v1.16" ] ||
        fail "caption: $(xdotool getwindowname "$main")"
    xdotool key Escape
    exit_code_is 2
}

caption_chinese_enter_gives_1() {
    start_app LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
    [ "$(xdotool getwindowname "$main")" = "QV-410 设置工具  v1.16" ] ||
        fail "caption: $(xdotool getwindowname "$main")"
    # The focus starts on the first enabled tab stop, Connection Test: Enter presses it.
    xdotool key Return
    await_box "Enter on the fresh main dialog"
    [ "$box_caption" = INFO ] || fail "Enter gave $box_caption, not the connection test's INFO"
    close_box Return
    within 10 is_active "$main" || fail "the main dialog was not active again"
    # With the focus on the printer list, no button takes Enter: command 1 ends the program.
    click_at "$(dialog_point "$main" 398 161 19 16 260 104)"
    sleep 0.3
    xdotool key Return
    exit_code_is 1
}

connection_box_closing() {
    start_app
    local how
    for how in Return Escape click; do
        press_main_button connection
        await_box "Connection Test"
        [ "$box_caption" = INFO ] || fail "the connection test failed: $box_caption"
        close_box "$how"
        app_alive || fail "the program ended after $how closed its box"
        within 10 is_active "$main" || fail "the main dialog was not active again after $how"
    done
    # Still working: the information dialog opens and closes.
    open_dialog info '^Printer Information$'
    xdotool key Escape
    within 10 no_window_named '^Printer Information$' || fail "Escape did not close the dialog"
    close_main
}

info_dialog() {
    start_app
    open_dialog info '^Printer Information$'
    # Drawn enabled: the labels are dark on light, not greyed.
    local c
    c=$(contrast10 "$dlg" "$work/info.png") || fail "no screenshot"
    [ "$c" -ge 70 ] || fail "the dialog's text contrast is $((c / 10)).$((c % 10)):1, under 7:1"
    # The values came from the printer: every value of the identity box (template 209, 307 x
    # 281: values at x 152 in rows 13 units apart) holds drawn text, not a blank.
    local y empty=0
    for y in 15 28 41 54 67; do
        crop_dialog_units "$dlg" 307 281 152 "$y" 120 8 "$work/value.png" || fail "no screenshot"
        [ "$(convert "$work/value.png" -format '%[fx:standard_deviation > 0.02]' info:)" = 1 ] ||
            empty=$((empty + 1))
    done
    [ "$empty" -eq 0 ] || fail "$empty identity values are blank"
    xdotool key Escape
    within 10 no_window_named '^Printer Information$' || fail "Escape did not close the dialog"
    open_dialog info '^Printer Information$'
    xdotool key Return
    within 10 no_window_named '^Printer Information$' || fail "Enter did not close the dialog"
    open_dialog info '^Printer Information$'
    click_close_box "$dlg"
    within 10 no_window_named '^Printer Information$' || fail "the close box did not close it"
    app_alive || fail "the program ended"
    # The close box of the main dialog ends the program as Escape does.
    within 10 is_active "$main" || fail "the main dialog was not active again"
    click_close_box "$main"
    exit_code_is 2
}

set_printer_tabs() {
    start_app
    open_dialog set_printer '^Set Printer$'
    shoot_page "$work/page0.png"
    xdotool key ctrl+Tab
    sleep 0.5
    shoot_page "$work/page1.png"
    [ "$(pixels_differing "$work/page0.png" "$work/page1.png")" -gt 100 ] ||
        fail "Ctrl+Tab did not show another page"
    # A click on the first tab's header brings the print settings page back.
    # The focus may have moved (a focused field is drawn highlighted), so the page shown is the
    # one whose picture it is far closer to.
    click_at "$(tab_point "$dlg" 401 270 17 14)"
    sleep 0.5
    shoot_page "$work/page0again.png"
    local seen
    seen=$(closer_to "$work/page0again.png" "$work/page0.png" "$work/page1.png") ||
        fail "a click on the first tab did not bring its page back ($seen)"
    xdotool key ctrl+Tab ctrl+Tab ctrl+shift+Tab
    sleep 0.5
    shoot_page "$work/page1again.png"
    seen=$(closer_to "$work/page1again.png" "$work/page1.png" "$work/page0.png") ||
        fail "Ctrl+Tab twice and Ctrl+Shift+Tab once did not end on the second page ($seen)"
    xdotool key Escape
    within 10 no_window_named '^Set Printer$' || fail "Escape did not end the dialog"
    close_main
}

print_settings_set() {
    start_app
    open_dialog set_printer '^Set Printer$'
    # Set on the print settings page (template 204): the settings read at opening, sent back.
    click_at "$(page_point "$dlg" 401 270 17 14 14 213 250 14)"
    await_box "Set"
    [ "$box_caption" = INFO ] || fail "the printer did not acknowledge the settings"
    no_window_named '^Set Printer$' && fail "the Set Printer dialog closed under its box"
    frame_contains "$dlg" "$box" || fail "the box is not over the Set Printer dialog"
    close_box Return
    within 10 is_active "$dlg" || fail "the Set Printer dialog was not active after the box"
    # A refused value: the label height (field 1029 at 157, 41) emptied, then Set.
    click_at "$(page_point "$dlg" 401 270 17 14 157 41 47 14)"
    xdotool key ctrl+a BackSpace
    click_at "$(page_point "$dlg" 401 270 17 14 14 213 250 14)"
    await_box "Set with an empty label height"
    [ "$box_caption" = ERROR ] || fail "an empty label height was sent"
    close_box Escape
    within 10 is_active "$dlg" || fail "the Set Printer dialog was not active after the box"
    xdotool key Escape
    within 10 no_window_named '^Set Printer$' || fail "Escape did not end the dialog"
    close_main
}

text_test_typed_and_printed() {
    start_app
    open_dialog set_printer '^Set Printer$'
    xdotool key ctrl+Tab ctrl+Tab ctrl+Tab
    sleep 0.5
    # Test page (template 207): Print Text Test at 172, 78.
    click_at "$(page_point "$dlg" 401 270 17 14 172 78 103 14)"
    local text
    text=$(window_named '^Print Text Test$') || fail "the text test dialog did not open"
    within 10 framed "$text" || true
    within 10 is_active "$text" || fail "the text test dialog never became active"
    sleep 0.3
    # Template 208 (414 x 138): text field 1048, width 1052, Print 1056, Cancel 2.
    click_at "$(dialog_point "$text" 414 138 17 28 381 62)"
    xdotool key ctrl+a
    xdotool type --delay 30 "First line"
    xdotool key Return
    xdotool type --delay 30 "Second line"
    sleep 0.3
    no_window_named '^Print Text Test$' && fail "Enter in the text field closed the dialog"
    click_at "$(dialog_point "$text" 414 138 276 100 52 17)"
    await_box "Print"
    [ "$box_caption" = INFO ] || fail "printing the text test failed"
    close_box click
    no_window_named '^Print Text Test$' && fail "the text test dialog closed after printing"
    # A width that is not a number is refused before anything is sent.
    click_at "$(dialog_point "$text" 414 138 85 104 28 14)"
    xdotool key ctrl+a
    xdotool type --delay 30 "5x"
    click_at "$(dialog_point "$text" 414 138 276 100 52 17)"
    await_box "Print with the width 5x"
    [ "$box_caption" = ERROR ] || fail "the width 5x was accepted"
    close_box Return
    click_at "$(dialog_point "$text" 414 138 339 100 52 17)"
    within 10 no_window_named '^Print Text Test$' || fail "Cancel did not close the dialog"
    no_window_named '^Set Printer$' && fail "the Set Printer dialog closed with it"
    within 10 is_active "$dlg" || fail "the Set Printer dialog was not active again"
    xdotool key Escape
    within 10 no_window_named '^Set Printer$' || fail "Escape did not end the Set Printer dialog"
    close_main
}

download_with_real_file_dialog() {
    head -c 4096 /dev/urandom >"$work/firmware.bin"
    start_app
    open_dialog download '^Download$'
    # Firmware page (template 202) in the tab control at 19, 14 of template 201 (434 x 191).
    # Update is disabled until a file is chosen: a click on it brings nothing.
    click_at "$(page_point "$dlg" 434 191 19 14 12 49 363 14)"
    sleep 1
    no_window_named '^(INFO|ERROR)$' || fail "Update worked before a file was chosen"
    click_at "$(page_point "$dlg" 434 191 19 14 303 30 71 14)"  # Select Firmware
    local open
    open=$(window_named '^Open$') || fail "the open-file dialog did not appear"
    within 10 is_active "$open" || fail "the open-file dialog never became active"
    sleep 0.5
    xdotool type --delay 30 "$(windows_path "$work/firmware.bin")"
    xdotool key Return
    within 10 no_window_named '^Open$' || fail "the open-file dialog did not close on the file"
    within 10 is_active "$dlg" || fail "the download dialog was not active again"
    sleep 0.3
    click_at "$(page_point "$dlg" 434 191 19 14 12 49 363 14)"  # Update
    await_box "Update"
    [ "$box_caption" = INFO ] || fail "the firmware download failed"
    close_box Return
    xdotool key Escape
    within 10 no_window_named '^Download$' || fail "Escape did not end the download dialog"
    close_main
}

# --- run ----------------------------------------------------------------------------------------

for c in "${cases[@]}"; do
    declare -F "$c" >/dev/null || { echo "no such case: $c" >&2; exit 2; }
done
started=$(date +%s)
session_start "$work"
echo "Wine session ready in $(($(date +%s) - started)) s"
failed=()
for case_name in "${cases[@]}"; do
    t0=$(date +%s)
    (
        trap '[ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null' EXIT
        "$case_name"
    )
    status=$?
    # Nothing of the case may stay on the screen for the next one.
    within 20 no_window_named . ||
        echo "  (windows left behind after $case_name)" >&2
    if [ "$status" -eq 0 ]; then
        echo "PASS [$case_name] ($(($(date +%s) - t0)) s)"
    else
        failed+=("$case_name")
    fi
done
echo "$((${#cases[@]} - ${#failed[@]})) of ${#cases[@]} cases passed in $(($(date +%s) - started)) s"
[ "${#failed[@]}" -eq 0 ] || { echo "FAILED: ${failed[*]}" >&2; exit 1; }
