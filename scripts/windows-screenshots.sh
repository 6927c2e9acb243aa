#!/usr/bin/env bash
# Renders every dialog of the Windows settings program, and the boxes its buttons bring, under
# Wine in English and in Chinese, as the operator sees them (with the window manager's frame):
#
#   scripts/windows-screenshots.sh [BUILD_DIR]     (default build-windows-x86_64)
#
# writes BUILD_DIR/screenshots/<language>/*.png. The real program runs against the simulated
# printer (and once without any printer for the error paths), driven by xdotool as a user would:
# clicks at the controls' places from the dialog templates, keys to close.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
top=$PWD
build=${1:-build-windows-x86_64}
exe=$(cd "$build" && pwd)/bin/QV-410SettingTool.exe
[ -f "$exe" ] || { echo "no $exe: build it first (scripts/build-windows.sh)" >&2; exit 1; }
out=$(cd "$build" && pwd)/screenshots

# Our own `wine`, which starts the loader that runs here (Debian's cannot start at all where
# 32-bit programs are refused).
# shellcheck source=scripts/wine.sh
source "$top/scripts/wine.sh"
use_wine "$top/build-windows-deps/wine-bin"
# shellcheck source=settings_app/tests/e2e-wine/wine_session.sh
source "$top/settings_app/tests/e2e-wine/wine_session.sh"

work=$(mktemp -d)
app_pid=""
trap '[ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null; session_stop; rm -rf "$work"' EXIT

failures=0
say_failed() {
    echo "FAILED $*" >&2
    failures=$((failures + 1))
}

# The catalog text of a message id in a language, from the catalog's source.
po_text() {
    awk -v id="$2" '$1 == "msgid" && $0 == "msgid \"" id "\"" {found = 1; next}
        found && $1 == "msgstr" {sub(/^msgstr "/, ""); sub(/"$/, ""); print; exit}' \
        "$top/settings_app/lang/$1.po"
}

# shoot WINDOW NAME: the window with its frame as $dir/NAME.png.
shoot() {
    sleep 0.4  # painted
    if shoot_frame "$1" "$dir/$2.png"; then echo "wrote $dir/$2.png"; else say_failed "$2"; fi
}

start_app() {  # start_app LANGUAGE [VAR=value ...]
    local locale=$1.UTF-8
    [ "$1" = en ] && locale=en_US.UTF-8
    shift
    env QV410_DEVICE=simulator LC_ALL="$locale" LANG="$locale" LANGUAGE= "$@" \
        wine "$exe" >"$work/app.log" 2>&1 &
    app_pid=$!
    main=$(window_named 'v1\.16$') && within 20 framed "$main" && within 20 is_active "$main"
}

end_app() {
    if [ -n "$app_pid" ]; then
        xdotool windowactivate "$main" 2>/dev/null
        xdotool key Escape
        within 20 sh -c "! kill -0 $app_pid 2>/dev/null" || kill -KILL "$app_pid" 2>/dev/null
        wait "$app_pid" 2>/dev/null
        app_pid=""
    fi
}

# box_shot NAME [WINDOW]: the next box, shot as NAME and closed with Enter (then WINDOW active).
box_shot() {
    local box
    if ! box=$(window_named '^(INFO|ERROR)$'); then
        say_failed "$1 (no box)"
        return 1
    fi
    within 10 framed "$box"
    within 10 is_active "$box"
    shoot "$box" "$1"
    xdotool key Return
    within 10 no_window_named '^(INFO|ERROR)$'
    # Input goes on to the window under the box only once it has the focus again.
    if [ -n "${2:-}" ]; then within 10 is_active "$2"; fi
    sleep 0.2
}

# open_from_main X Y W H NAME: the dialog that the main dialog's button opens, by caption.
open_from_main() {
    click_at "$(dialog_point "$main" 398 161 "$1" "$2" "$3" "$4")"
    dlg=$(window_named "^$5\$") && within 10 framed "$dlg" && within 10 is_active "$dlg"
}

# A new active window other than $1 (the open-file dialog, whatever its caption).
other_active() {
    local w
    w=$(xdotool getactivewindow 2>/dev/null) && [ "$w" != "$1" ] && echo "$w"
}

render_language() {
    local lang=$1
    dir=$out/$lang
    mkdir -p "$dir"
    local info set text download
    info=$(po_text "$lang" PO_DLG_SHOW_PRINTER_INFOMATION)
    set=$(po_text "$lang" PO_PRINTER_SET_DLG_CAPTION)
    text=$(po_text "$lang" PO_GSTR_TEXT_TEST_DLG_CAPTION)
    download=$(po_text "$lang" PO_DOWNLOAD_DLG_CAPTION)

    start_app "$lang" || { say_failed "$lang: no main dialog"; return; }
    shoot "$main" main_129
    click_at "$(dialog_point "$main" 398 161 293 85 80 14)"
    box_shot main_connection_test_info "$main"

    if open_from_main 293 104 80 14 "$info"; then
        shoot "$dlg" printer_info_209
        xdotool key Escape
        within 10 no_window_named "^$info\$"
    else
        say_failed "$lang: printer information dialog"
    fi

    if open_from_main 60 133 92 20 "$set"; then
        # Each page, paged through with Ctrl+Tab.
        shoot "$dlg" printer_set_203_print_settings
        local name
        for name in user location test; do
            xdotool key ctrl+Tab
            shoot "$dlg" "printer_set_203_$name"
        done
        # The pages' buttons (templates 204 to 207 in the tab control at 17, 14 of 401 x 270).
        click_at "$(tab_point "$dlg" 401 270 17 14)"  # back to the print settings page
        sleep 0.3
        click_at "$(page_point "$dlg" 401 270 17 14 14 213 250 14)"
        box_shot printer_set_setting_success "$dlg"
        xdotool key ctrl+Tab
        sleep 0.3
        click_at "$(page_point "$dlg" 401 270 17 14 21 39 214 14)"
        box_shot printer_set_restore_info "$dlg"
        xdotool key ctrl+Tab
        sleep 0.3
        click_at "$(page_point "$dlg" 401 270 17 14 140 61 97 14)"
        box_shot printer_set_learn_info "$dlg"
        xdotool key ctrl+Tab
        sleep 0.3
        click_at "$(page_point "$dlg" 401 270 17 14 224 21 50 14)"
        box_shot test_page_dump_mode_info "$dlg"
        click_at "$(page_point "$dlg" 401 270 17 14 172 78 103 14)"
        local tt
        if tt=$(window_named "^$text\$") && within 10 is_active "$tt"; then
            shoot "$tt" text_test_208
            # Template 208 (414 x 138): text 1048, width 1052, height 1053, Print 1056.
            click_at "$(dialog_point "$tt" 414 138 17 28 381 62)"
            xdotool key ctrl+a
            xdotool type --delay 30 "QV-410"
            xdotool key Return
            xdotool type --delay 30 "Line two"
            click_at "$(dialog_point "$tt" 414 138 85 104 28 14)"
            xdotool key ctrl+a
            xdotool type --delay 30 "60"
            shoot "$tt" text_test_208_typed
            click_at "$(dialog_point "$tt" 414 138 276 100 52 17)"
            box_shot text_test_print_info "$tt"
            click_at "$(dialog_point "$tt" 414 138 207 104 28 14)"
            xdotool key ctrl+a
            xdotool type --delay 30 "3x"
            click_at "$(dialog_point "$tt" 414 138 276 100 52 17)"
            box_shot text_test_refused_error "$tt"
            xdotool key Escape
            within 10 no_window_named "^$text\$"
        else
            say_failed "$lang: text test dialog"
        fi
        within 10 is_active "$dlg"
        xdotool key Escape
        within 10 no_window_named "^$set\$"
    else
        say_failed "$lang: Set Printer dialog"
    fi

    if open_from_main 188 133 92 20 "$download"; then
        shoot "$dlg" download_201
        # Firmware page (template 202) in the tab control at 19, 14 of 434 x 191.
        click_at "$(page_point "$dlg" 434 191 19 14 303 30 71 14)"
        local open
        if open=$(within 10 other_active "$dlg" && other_active "$dlg"); then
            sleep 0.5
            shoot "$open" download_open_file
            xdotool type --delay 30 "$(windows_path "$work/QV-410_V1.06_2026-01-15.bin")"
            xdotool key Return
            within 10 is_active "$dlg"
            shoot "$dlg" download_201_chosen
            click_at "$(page_point "$dlg" 434 191 19 14 12 49 363 14)"
            box_shot download_update_info "$dlg"
        else
            say_failed "$lang: open-file dialog"
        fi
        xdotool key Escape
        within 10 no_window_named "^$download\$"
    else
        say_failed "$lang: download dialog"
    fi
    end_app

    # Without a printer: the information dialog shows only its error box; Set Printer shows the
    # page's error box first, then the dialog with its defaults.
    start_app "$lang" QV410_DEVICE= || { say_failed "$lang: no main dialog"; return; }
    click_at "$(dialog_point "$main" 398 161 293 104 80 14)"
    box_shot printer_info_error "$main"
    click_at "$(dialog_point "$main" 398 161 60 133 92 20)"
    box_shot printer_set_read_error
    if dlg=$(window_named "^$set\$") && within 10 is_active "$dlg"; then
        shoot "$dlg" printer_set_203_defaults
        xdotool key Escape
        within 10 no_window_named "^$set\$"
    else
        say_failed "$lang: Set Printer dialog without a printer"
    fi
    end_app
}

session_start "$work"
head -c 4096 /dev/zero | tr '\0' 'Z' >"$work/QV-410_V1.06_2026-01-15.bin"
for lang in en zh_CN; do
    render_language "$lang"
done
if [ "$failures" -gt 0 ]; then
    echo "$failures pictures missing" >&2
    exit 1
fi
echo "Screenshots in $out"
