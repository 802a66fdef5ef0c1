#!/usr/bin/env bash
# The news wait box is painted while the news request runs: resting on News
# starts a request the service holds back for six seconds, and the box
# ("Loading News... Please Wait...") must show its text meanwhile, not a blank
# strip (the request blocked before the window manager's map and expose of
# the box were handled).
#
#   t_news_wait_box.sh BIN_DIR OUT_DIR [WM]
# window managers: openbox none
# (Not xfwm4 or icewm yet: they pull the parked level onto the
# screen as a one-pixel dot; the fault is open.)
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_x
start_wm openbox
start_service --delay /Vantrix/internal/getNewsHeadlines.asp=6000
start_tarvel
login_demo

# News is the row after My Tarvel, below the separator: the third row from
# the bottom of the rows, above the search strip.
news_row=$(news_row_index)
move_to_row "$menu" "$news_row"
sleep 0.2
geom "$menu"
move "$((X + WIDTH / 2 + 5))" "$((Y + news_row * 20 + 12))" # a second move: the highlight follows moves
wait_for 'test "$(request_count getNewsHeadlines)" -ge 1' 5 || fail "resting on News asked for no news"
sleep 1.2 # well inside the six seconds the service holds the reply (a loaded machine
# takes seconds for the checks below)
box=$(wait_box_window)
[ -n "$box" ] || fail "no wait box was shown during the news request"
shot waiting-for-news
# The News level waits, parked, for its rows: nothing of it shows on the
# screen meanwhile (openbox keeps a strip of every window on the screen, so
# the park left a white band at the top left for the whole request).
# (The work area's top left: a panel at the top has its own pixels there.)
read -r wx wy <<<"$(workarea_origin)"
import -window root -crop "16x40+$wx+$wy" +repage "$X11_WORK/corner.png" 2>/dev/null
corner=$(convert "$X11_WORK/corner.png" -format '%[fx:maxima.r*255] %[fx:maxima.g*255] %[fx:maxima.b*255]' info: 2>/dev/null)
[ "$corner" = "0 0 0" ] || fail "the parked level shows at the screen's top left ($corner)"
colours=$(window_colours "$box")
read -r r g b <<<"$(window_main_colour "$box")"
# Painted, the box is pale yellow (the tooltip colour) with dark text; not
# painted, it shows the white menu rows beneath it, or nothing.
[ "${r:-0}" -ge 230 ] && [ "${g:-0}" -ge 230 ] && [ "${b:-255}" -le 235 ] ||
    fail "the wait box is not painted during the request (mostly $r $g $b in $(geometry "$box"))"
[ "${colours:-0}" -gt 8 ] || fail "the wait box shows no text during the request ($colours colours)"
wait_for 'test -z "$(wait_box_window)"' 10 || fail "the wait box stayed after the news came"
tarvel_alive || fail "Tarvel ended"
pass "the news wait box shows its text while the news request runs"
