#!/usr/bin/env bash
# On every desktop, with its panel, Tarvel's own windows stay out of the task
# list, the pager and Alt-Tab, as a desktop launcher's pop-ups do: the
# button, the login window, the home menu, a submenu and the form panel each
# carry _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER, and none of
# them is among the windows the panel lists. The Options dialog keeps its
# entry: in the end it is the one Tarvel window listed. (The tooltip is an
# unmanaged window, which no panel lists.)
#
#   t_popups_off_taskbar.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox

# The Tarvel windows the panel lists: managed (in _NET_CLIENT_LIST) and not
# asking to be skipped, one id a line.
tarvel_tasks() {
    local hex id
    for hex in $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed -n 's/^.*# //p' | tr ',' ' '); do
        id=$((hex))
        xprop -id "$id" _NET_WM_PID 2>/dev/null | grep -q "= $tarvel_pid\$" || continue
        has_state "$id" _NET_WM_STATE_SKIP_TASKBAR || echo "$id"
    done
}
# off_the_list ID WHAT: the window asks to be left out of the task list and
# the pager, and the panel lists no Tarvel window.
off_the_list() {
    has_state "$1" _NET_WM_STATE_SKIP_TASKBAR && has_state "$1" _NET_WM_STATE_SKIP_PAGER ||
        fail "$2 is listed in the task list and the pager (_NET_WM_STATE: $(net_wm_state "$1" | tr '\n' ' '))"
    local listed
    listed=$(tarvel_tasks)
    [ -z "$listed" ] || fail "with $2 shown the panel lists Tarvel windows: $listed"
}

off_the_list "$button" "the button"

click_button
wait_for 'test -n "$(window_named "Tarvel Login")"' || fail "the login window did not open"
sleep 0.5 # its slide
off_the_list "$(window_named 'Tarvel Login')" "the login window"
shot login
xdotool key Escape
wait_for 'test -z "$(window_named "Tarvel Login")"' || fail "Esc left the login window open"

login_demo
off_the_list "$menu" "the home menu"

# A submenu: rest on the first category (coming from the second: a first
# move straight onto a row may go to the capture's hand-over).
move_to_row "$menu" 1
sleep 0.3
move_to_row "$menu" 0
wait_for 'test -n "$(menu_levels)"' || fail "no submenu opened on the first category"
sleep 0.5
submenu=$(menu_levels | head -n 1 | cut -d' ' -f1)
off_the_list "$submenu" "a submenu"
shot submenu

# The form panel: rest on "Package Tracking" (row 13), a form category.
move_to_row "$menu" 12
wait_for '! menu_levels | grep -q "^$submenu "' || fail "the submenu stayed over the form category"
wait_for 'test -n "$(menu_levels)"' || fail "no form panel opened on Package Tracking"
sleep 0.5
panel=$(menu_levels | head -n 1 | cut -d' ' -f1)
off_the_list "$panel" "the form panel"
shot form-panel

# The Options dialog, from the button's menu (its first entry once logged in).
click 900 100 # the menus close first
wait_for 'test -z "$(menu_window)"' || fail "a click on the desktop left the home menu open"
right_click "$((bx + bw / 2))" "$((by + bh / 2))"
sleep 0.5
press_keys Down Return
wait_for 'test -n "$(window_named Options)"' || fail "the Options dialog did not open"
options=$(window_named Options)
wait_for 'test "$(tarvel_tasks)" = "$options"' 5 ||
    fail "the panel should list the Options dialog alone, it lists: $(tarvel_tasks | tr '\n' ' ')"
shot options-listed

pass "button, login window, home menu, submenu and form panel stay off the task list; Options is listed"
