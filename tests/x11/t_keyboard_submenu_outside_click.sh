#!/usr/bin/env bash
# A submenu opened from the keyboard (Down, Down, Right on the home menu)
# closes with the whole chain on a click outside the menus, and the menus
# opened afterwards follow the pointer again.
#
#   t_keyboard_submenu_outside_click.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
login_demo

press_keys Down Down Right
wait_for 'test -n "$(new_level)"' 5 || fail "Down, Down, Right opened no submenu"
sleep 0.5 # the slide
shot opened-by-keyboard

click 900 100
wait_for 'test -z "$(menu_window)" && test -z "$(new_level)"' 3 ||
    fail "a click on the desktop left menus open: home $(menu_window), levels $(new_level)"
shot closed
tarvel_alive || fail "Tarvel ended"

# The menus follow the pointer again.
click_button
wait_for 'test -n "$(menu_window)"' || fail "the button did not open the home menu again"
sleep 0.6
menu=$(menu_window)
level=$(open_level "$menu" 0) || exit 1
shot follows-pointer
pass "the keyboard-opened submenu closed on an outside click; the menus follow the pointer again"
