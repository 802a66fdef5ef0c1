#!/usr/bin/env bash
# A click on the category row whose level has just opened (the pointer rests
# on the row until its level opens, then clicks without moving) acts on that
# row: a left click keeps the menus open, a right click shows the row's
# context menu. The press reaches the new level, which holds the pointer
# grab; it must hand the pointer back to the row's window first.
#
#   t_click_open_category.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
login_demo

l1=$(open_level "$menu" 0) || exit 1     # Arts & Entertainment
l2=$(open_level "$l1" 4 "$l1") || exit 1 # Movies, the pointer resting on its row
xdotool click 1
sleep 0.6
for w in "$menu" "$l1" "$l2"; do
    mapped "$w" || fail "a click on the open category's row closed window $w"
done
shot left-click-kept-menus

xdotool click 3
wait_for 'test -n "$(popup_menu_window)"' 3 || fail "a right click on the open category's row showed no context menu"
shot context-menu
mapped "$l1" || fail "the right click closed the category's window"
xdotool key Escape
wait_for 'test -z "$(popup_menu_window)"' 3 || fail "Esc left the context menu open"
pass "left and right clicks on the open category's row act on that row"
