#!/usr/bin/env bash
# An error window shown while the menus hold the pointer answers the first
# click on its buttons (the click also closes the menus, as any click outside
# them does). The error: the form of Package Tracking cannot be fetched once
# the service has gone.
#
#   t_error_window_first_click.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
login_demo

stop_service
hover_row "$menu" 12 # Package Tracking: its form cannot be fetched
wait_for 'test -n "$(window_named "Tarvel Error")"' 15 || fail "no error window came up"
error=$(window_named 'Tarvel Error')
sleep 0.5
test -n "$(menu_window)" || fail "the menus closed before the click"
shot error-window

# Its Close button, bottom right.
geom "$error"
click "$((X + WIDTH - 67))" "$((Y + HEIGHT - 20))"
wait_for 'test -z "$(window_named "Tarvel Error")"' 3 ||
    fail "the first click on the error window's Close button did not close it"
wait_for 'test -z "$(menu_window)"' 3 || fail "the click outside the menus left them open"
tarvel_alive || fail "Tarvel ended"
shot after-click
pass "the error window's button answered the first click"
