# shellcheck shell=bash
# What the end-to-end suites of both programs (Linux and, under Wine, Windows) drive windows with
# on an X display: bounded waits, windows found by name, their geometry, points given in a
# template's dialog units, pictures of the screen, and clicks.

# Runs "$@" every 0.1 s until it succeeds, for at most $1 seconds.
within() {
    local seconds=$1 t
    shift
    local tries=$((seconds * 10))
    for ((t = 0; t < tries; t++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# --- windows ------------------------------------------------------------------------------------

# The id of the visible window whose name matches the extended regular expression, within 20 s,
# while the process $app_pid (if set) lives.
window_named() {
    local id="" t
    for ((t = 0; t < 200; t++)); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | sed -n 1p)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        if [ -n "${app_pid:-}" ]; then kill -0 "$app_pid" 2>/dev/null || return 1; fi
        sleep 0.1
    done
    return 1
}

no_window_named() {
    [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]
}

is_active() {
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]
}

framed() {
    xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep >/dev/null '='
}

# client WINDOW: x y width height of the client area on the screen.
client() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /^  Width/ {w=$2} /^  Height/ {h=$2} END {print x, y, w, h}'
}

# frame WINDOW: x y width height of the window with the window manager's frame.
frame() {
    local x y w h l r t b
    read -r x y w h <<<"$(client "$1")"
    read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
    echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}

# --- dialog units ---------------------------------------------------------------------------
# A dialog's client area is its template's size mapped by the base units of the dialog font:
# width = cx * baseX / 4 and height = cy * baseY / 8 pixels (no menu, no scroll bars). So the
# base units follow from the client size that X reports, and a control's rectangle (x, y, w, h)
# in dialog units lies at x * cw / cx, y * ch / cy, ... pixels, whatever font the prefix gives
# "MS Shell Dlg". Points are doubled inside so that a control's centre stays an integer.

# dialog_point WINDOW TW TH X Y W H: the screen point at the centre of control (X, Y, W, H) of a
# dialog whose template is TW x TH dialog units.
dialog_point() {
    local cx cy cw ch
    read -r cx cy cw ch <<<"$(client "$1")"
    echo $((cx + ($4 * 2 + $6) * cw / ($2 * 2))) $((cy + ($5 * 2 + $7) * ch / ($3 * 2)))
}

# page_point WINDOW TW TH TABX TABY X Y W H: the centre of control (X, Y, W, H) of a page that a
# dialog of TW x TH units hosts in its tab control at (TABX, TABY). The dialog puts every page at
# its tab control's client rectangle less the 20-pixel strip of the tab headers at the top.
page_point() {
    local cx cy cw ch
    read -r cx cy cw ch <<<"$(client "$1")"
    local ox=$((cx + $4 * cw / $2)) oy=$((cy + $5 * ch / $3 + 20))
    echo $((ox + ($6 * 2 + $8) * cw / ($2 * 2))) $((oy + ($7 * 2 + $9) * ch / ($3 * 2)))
}

# tab_point WINDOW TW TH TABX TABY: a point inside the first tab's header (in the 20-pixel strip,
# a few pixels in from the tab control's left edge, where the first header always begins).
tab_point() {
    local cx cy cw ch
    read -r cx cy cw ch <<<"$(client "$1")"
    echo $((cx + $4 * cw / $2 + 14)) $((cy + $5 * ch / $3 + 10))
}

# crop_client WINDOW X Y W H FILE: a part of a window's client area, in pixels, as a picture.
crop_client() {
    local cx cy cw ch
    read -r cx cy cw ch <<<"$(client "$1")"
    import -window root -crop "$4x$5+$((cx + $2))+$((cy + $3))" +repage "$6"
}

# Pixels that differ between two pictures of the same size.
pixels_differing() {
    compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1
}

# closer_to SHOT OWN OTHER: true when SHOT is at least ten times closer to the picture OWN than to
# OTHER, for a state shown again whose focus may have moved (a focused field is drawn
# highlighted); prints both counts.
closer_to() {
    local same other
    same=$(pixels_differing "$2" "$1")
    other=$(pixels_differing "$3" "$1")
    echo "$same vs. $other pixels"
    [ $((same * 10)) -lt "$other" ]
}

# click_at "X Y" or click_at X Y
click_at() {
    local x y
    read -r x y <<<"$*"
    [ -n "$x" ] && [ -n "$y" ] && xdotool mousemove "$x" "$y" click 1
}

# The close box of the window manager's frame (openbox: the rightmost title-bar button).
click_close_box() {
    local x y w h
    read -r x y w h <<<"$(frame "$1")"
    click_at $((x + w - 11)) $((y + 10))
}
