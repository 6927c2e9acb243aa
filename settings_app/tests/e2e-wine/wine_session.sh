# shellcheck shell=bash
# A Wine session for driving the Windows settings program on a real X display, sourced by the
# end-to-end suite, the screenshot script and the figures: its own Xvfb with openbox, a fresh
# 64-bit Wine prefix created once per run (it takes about 20 s) with the fonts a Windows of each
# language gives the dialogs, and the helpers that find windows by name and read their geometry
# and pixels back.
#
#   session_start DIR     display, window manager and prefix under DIR (which the caller owns)
#   session_stop          ends the prefix's processes, the window manager and the display
#
# Every wait is bounded. Only processes started here are ended here.

# shellcheck source=settings_app/tests/x11_helpers.sh
source "$(dirname "${BASH_SOURCE[0]}")/../x11_helpers.sh"
# shellcheck source=scripts/wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine.sh"

session_pids=()

session_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

session_start() {
    session_dir=$1
    export XDG_RUNTIME_DIR=$session_dir/runtime
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    exec 5>"$session_dir/display"
    Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp >"$session_dir/xvfb.log" 2>&1 &
    session_pids+=($!)
    within 10 test -s "$session_dir/display" || session_fail "Xvfb did not start"
    DISPLAY=":$(head -n1 "$session_dir/display")"
    export DISPLAY
    within 10 xdpyinfo >/dev/null 2>&1 || session_fail "the X server does not answer"
    # openbox now and then fails to open a display that has just come up: try again.
    local ob started=""
    for _ in 1 2 3; do
        openbox --sm-disable >"$session_dir/openbox.log" 2>&1 &
        ob=$!
        if within 5 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep >/dev/null "window id"'; then
            session_pids+=("$ob")
            started=1
            break
        fi
        kill -TERM "$ob" 2>/dev/null
        wait "$ob" 2>/dev/null
    done
    [ -n "$started" ] || session_fail "openbox did not start: $(cat "$session_dir/openbox.log")"

    export WINEPREFIX=$session_dir/prefix WINEARCH=win64 WINEDEBUG=-all
    # No prompts for Mono or Gecko in a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Unix locale variables reach the Windows environment and decide Wine's code pages: each
    # program start names its own; nothing is inherited from the caller.
    unset LANG LANGUAGE LC_ALL LC_MESSAGES LC_CTYPE
    export LC_ALL=en_US.UTF-8
    timeout 300 wineboot -i >"$session_dir/wineboot.log" 2>&1 ||
        session_fail "the Wine prefix was not created: $(tail -n3 "$session_dir/wineboot.log")"
    # One server for the whole run, kept until session_stop.
    wineserver -p
    # Fonts as the operator's Windows has them, read by a server started afresh.
    wine_prefix_fonts "$(session_cjk_family)" || session_fail "the dialog fonts were not set up"
    wineserver -k
    wineserver -w
    wineserver -p
    # The locale of the first start of a program in a language is set up in the prefix then;
    # done here, the cases do not pay for it.
    local loc
    for loc in en_US.UTF-8 zh_CN.UTF-8; do
        LC_ALL=$loc timeout 120 wine cmd /c exit >/dev/null 2>&1 || true
    done
}

# The family name of the installed CJK sans-serif font.
session_cjk_family() {
    local family
    for family in "Noto Sans CJK SC" "WenQuanYi Micro Hei"; do
        if fc-list : family | tr ',' '\n' | grep >/dev/null -x "$family"; then
            echo "$family"
            return 0
        fi
    done
    session_fail "no CJK font installed (fonts-noto-cjk or fonts-wqy-microhei)"
}

session_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then timeout 30 wineserver -k 2>/dev/null; fi
    for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${session_pids[i]}" 2>/dev/null
        wait "${session_pids[i]}" 2>/dev/null
    done
    session_pids=()
}

# A Unix path as the Windows path Wine gives it (Z:\...).
windows_path() {
    winepath -w "$1" 2>/dev/null
}

# --- pixels -------------------------------------------------------------------------------------

# crop_dialog_units WINDOW TW TH X Y W H FILE: the rectangle of a control of a dialog of TW x TH
# dialog units as a picture.
crop_dialog_units() {
    local cw ch
    read -r _ _ cw ch <<<"$(client "$1")"
    crop_client "$1" $(($4 * cw / $2)) $(($5 * ch / $3)) $(($6 * cw / $2)) $(($7 * ch / $3)) "$8"
}

# shoot_frame WINDOW FILE: the window with its frame, as the operator sees it.
shoot_frame() {
    local x y w h
    read -r x y w h <<<"$(frame "$1")"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$2"
}

# Luminance contrast of the darkest and lightest pixels of a window's client area, times 10.
contrast10() {
    local x y w h
    read -r x y w h <<<"$(client "$1")"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$2" || return 1
    convert "$2" -colorspace LinearGray \
        -format '%[fx:int(10*(maxima+0.05)/(minima+0.05))]' info:
}

# lowest_object WINDOW FILE: x y of the centre of the lowest thing drawn in a window's client
# area (for a message box: its button row), found from the pixels: the rows that differ from
# the background colour, taken from the bottom up to the first background row above them.
lowest_object() {
    local cx cy cw ch
    read -r cx cy cw ch <<<"$(client "$1")"
    import -window root -crop "${cw}x${ch}+${cx}+${cy}" +repage "$2" || return 1
    local background
    background=$(convert "$2" -format '%[pixel:p{0,0}]' info:)
    # One column per row: 1 where the row holds any pixel other than the background.
    local rows
    rows=$(convert "$2" -fill black -opaque "$background" -fill white +opaque black \
        -colorspace Gray -scale "1x${ch}!" -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 {print $2, ($3 > 0 ? 1 : 0)}')
    local bottom top
    read -r top bottom <<<"$(awk '{ink[$1] = $2} END {
        b = -1; for (y = NR - 2; y > 0; y--) if (ink[y]) { b = y; break }
        if (b < 0) exit 1
        t = b; while (t > 0 && ink[t - 1]) t--
        print t, b }' <<<"$rows")" || return 1
    local left right
    read -r left right <<<"$(convert "$2" -crop "${cw}x$((bottom - top + 1))+0+$top" +repage \
        -fill black -opaque "$background" -fill white +opaque black -colorspace Gray \
        -scale "${cw}x1!" -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 && $3 > 0 {if (l == "") l = $1; r = $1} END {
            if (l == "") exit 1; print l, r }')" || return 1
    echo $((cx + (left + right) / 2)) $((cy + (top + bottom) / 2))
}

