#!/usr/bin/env bash
# A drop-down list of the form panel opens on the first click, every time:
# after the pointer has moved about over the list, after it has come from
# the panel's background, when the panel was opened from the keyboard, and
# right after typing in a field of the panel. Sample data: Package Tracking
# on the home menu (a field and a list).
#
#   t_form_lists.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
login_demo

# Package Tracking opened from the keyboard: Up from the search box walks
# the rows upwards (Favorites, News, My Tarvel, Hot Buys, Package Tracking).
press_keys Up Up Up Up Up Right
wait_for 'test -n "$(new_level)"' 5 || fail "Up and Right opened no form panel"
sleep 0.6 # the slide
panel=$(new_level)
geom "$panel"
px=$X py=$Y
list_x=$((px + 119)) list_y=$((py + 80))   # "Carrier:" list
field_x=$((px + 165)) field_y=$((py + 57)) # "Tracking number:" field

opens=0 tries=0
first_click() { # first_click WHAT: one click on the list must open it
    tries=$((tries + 1))
    xdotool click 1
    if wait_for 'test -n "$(popup_menu_window)"' 2; then
        opens=$((opens + 1))
        shot "list-open-$tries"
        xdotool key Escape
        wait_for 'test -z "$(popup_menu_window)"' 2 || fail "Esc left the list open"
    else
        echo "the first click on the list after $1 did not open it"
    fi
    mapped "$panel" || fail "the panel closed after a click on its list ($1)"
}
glide "$list_x" "$list_y" 4
first_click "the panel was opened from the keyboard"
glide "$((px + 60))" "$((py + 110))" 4 # the panel's background
sleep 0.3
for round in 1 2 3 4; do
    glide "$list_x" "$list_y" 4
    for wiggle in 1 2 3; do
        move "$((list_x + wiggle * 3))" "$list_y"
        sleep 0.05
    done
    first_click "moves over it (round $round)"
    glide "$((px + 60))" "$((py + 110))" 4
    sleep 0.2
    glide "$list_x" "$list_y" 4
    first_click "coming from the background (round $round)"
done

click "$field_x" "$field_y"
sleep 0.2
type_text 1Z999
glide "$list_x" "$list_y" 4
first_click "typing in the field"
[ "$opens" -eq "$tries" ] || fail "only $opens of $tries first clicks opened the list"
# What was typed reached the field: Enter submits it.
xdotool key Return
wait_for 'opened | grep -q "number=1Z999"' 3 || fail "the typed tracking number was not submitted: $(opened)"
pass "all $tries first clicks opened the list; the typed number was submitted"
