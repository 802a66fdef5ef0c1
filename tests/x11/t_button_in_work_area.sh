#!/usr/bin/env bash
# The button lies wholly inside the work area of the monitor it is on, on
# the bottom the desktop leaves to windows (not on the panel, not floating
# above it), and the home menu opens from that same bottom: its lower edge on
# the button's top edge, the whole button still showing. On two monitors
# (one screen split by RandR) the panels are known only from the window
# manager's work area and the docks' struts, not from Qt's available
# geometry. Leaves the shot "button-and-home-menu".
#
#   t_button_in_work_area.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops openbox2mon none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox

# The bottom of the work area on the button's monitor: the window
# manager's _NET_WORKAREA, lowered by any dock strut along the bottom edge
# of that monitor; the screen's bottom without a window manager.
work_bottom() {
    local area bottom s
    area=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/^.*= //p' | tr -d ' ')
    if [ -n "$area" ]; then
        bottom=$(($(cut -d, -f2 <<<"$area") + $(cut -d, -f4 <<<"$area")))
    else
        bottom=$(screen_height)
    fi
    local id
    for id in $(xwininfo -root -children 2>/dev/null | awk '$1 ~ /^0x/ { print $1 }') \
        $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed -n 's/^.*# //p' | tr ',' ' '); do
        s=$(xprop -id "$id" _NET_WM_STRUT_PARTIAL 2>/dev/null | sed -n 's/^.*= //p' | tr -d ' ')
        [ -n "$s" ] || continue
        # bottom strut, its x range: fields 4, 11, 12
        local b x0 x1
        b=$(cut -d, -f4 <<<"$s") x0=$(cut -d, -f11 <<<"$s") x1=$(cut -d, -f12 <<<"$s")
        [ "$b" -gt 0 ] && [ "$x0" -le "$((bx + bw - 1))" ] && [ "$x1" -ge "$bx" ] &&
            [ "$(($(screen_height) - b))" -lt "$bottom" ] && bottom=$(($(screen_height) - b))
    done
    echo "$bottom"
}

# The panels come with the desktop; the button is placed from them (and
# placed again when they change): judged once it stands still.
settled "$button"
geom "$button"
bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
bottom=$(work_bottom)
shot button
[ "$((by + bh))" -le "$bottom" ] ||
    fail "the button ($bx,$by ${bw}x$bh) reaches $((by + bh - bottom)) px below the work area's bottom ($bottom): onto the panel"
[ "$((by + bh))" -ge "$((bottom - 2))" ] ||
    fail "the button ($bx,$by ${bw}x$bh) floats $((bottom - by - bh)) px above the work area's bottom ($bottom)"

login_demo
geom "$menu"
mx=$X my=$Y mw=$WIDTH mh=$HEIGHT
shot button-and-home-menu
[ "$((my + mh))" -le "$by" ] ||
    fail "the home menu ($mx,$my ${mw}x$mh) ends at $((my + mh)), over the button (top $by): $((my + mh - by)) px of it hidden"
[ "$((my + mh))" -ge "$((by - 2))" ] ||
    fail "the home menu ($mx,$my ${mw}x$mh) ends at $((my + mh)), $((by - my - mh)) px above the button (top $by)"
[ "$mx" -eq "$bx" ] || fail "the home menu's left ($mx) is not the button's ($bx)"

pass "button at $bx,$by ${bw}x$bh on a work area ending at $bottom; home menu $mx,$my ${mw}x$mh ends on it"
